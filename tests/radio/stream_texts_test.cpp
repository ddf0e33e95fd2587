#include "radio/stream_texts.h"

#include <gtest/gtest.h>

using namespace tavelo;

namespace {

using Target = HeaderReport::Target;

TEST(StreamTexts, TagListsSplitAtTheirZeroBytes) {
  static const char tags[] = "HTTP/1.0 200 OK\0icy-name:X\0\0";
  EXPECT_EQ(tagLines(tags), (QByteArrayList{"HTTP/1.0 200 OK", "icy-name:X"}));
  EXPECT_TRUE(tagLines(nullptr).isEmpty());
  EXPECT_TRUE(tagLines("").isEmpty());
}

TEST(StreamTexts, HeaderLinesBecomeStatusAndBitrateTexts) {
  const struct {
    const char* name;
    QByteArrayList lines;
    QList<HeaderReport> reports;
  } cases[] = {
      {"a name as sent", {"icy-name:Radio One"}, {{Target::StationName, "Radio One"}}},
      {"a proxy's blank is trimmed", {"icy-name: Radio One "}, {{Target::StationName, "Radio One"}}},
      {"a UTF-8 name", {"icy-name:Caf\xc3\xa9"}, {{Target::StationName, QString::fromUtf8("Caf\xc3\xa9")}}},
      {"a Windows-1252 name", {"icy-name:Caf\xe9"}, {{Target::StationName, QString::fromUtf8("Caf\xc3\xa9")}}},
      {"a plain bitrate", {"icy-br:128"}, {{Target::Bitrate, "bitrate: 128 kbps"}}},
      {"a bitrate behind a blank", {"icy-br: 128"}, {{Target::Bitrate, "bitrate: 128 kbps"}}},
      {"two bitrates: both texts",
       {"icy-br:128,128"},
       {{Target::Bitrate, "bitrate: 128,128 kbps"}, {Target::Bitrate, "bitrate: 128,128"}}},
      {"other headers and a different case are not ours",
       {"HTTP/1.0 200 OK", "Content-Type: audio/mpeg", "ICY-NAME:Loud", "icy-genre:Jazz"},
       {}},
      {"in the order sent",
       {"icy-br:64", "icy-name:Two"},
       {{Target::Bitrate, "bitrate: 64 kbps"}, {Target::StationName, "Two"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(headerReports(c.lines), c.reports);
  }
}

TEST(StreamTexts, BufferedTextNamesTheStreamsType) {
  const struct {
    quint32 type;
    const char* text;
  } cases[] = {
      {0x10005, "Playing Radio with MP3 Stream."},
      {0x10002, "Playing Radio with OGG Stream."},
      {0x10b00, "Playing Radio with AAC Stream."},
      {0x10300, "Playing Radio with WMA Stream."},
      {0x12345, "Playing Radio."},
  };
  for (const auto& c : cases) EXPECT_EQ(bufferedText(c.type), QLatin1String(c.text)) << c.type;
}

TEST(StreamTexts, StreamTitleEndsAtTheQuoteAndSemicolonAfterItsOpeningQuote) {
  const QByteArray longTitle(4080 - 16, 'x');
  const struct {
    const char* name;
    QByteArray metadata;
    std::optional<QByteArray> title;
  } cases[] = {
      {"title and URL", "StreamTitle='Artist - Song';StreamUrl='';", "Artist - Song"},
      {"quote and semicolon inside", "StreamTitle='Caf\xc3\xa9 Del Mar - It's; Fine';",
       "Caf\xc3\xa9 Del Mar - It's; Fine"},
      {"empty title", "StreamTitle='';", ""},
      {"no closing quote", "StreamTitle='Cut off", "Cut off"},
      {"closing quote at the end", "StreamTitle='No semicolon'", "No semicolon"},
      {"no opening quote", "StreamTitle=Bare;StreamUrl='';", "Bare"},
      {"nothing after the key", "StreamTitle=", ""},
      {"URL first", "StreamUrl='x';StreamTitle='Second';", "Second"},
      {"no title", "StreamUrl='http://x/';", std::nullopt},
      {"empty block", "", std::nullopt},
      {"a whole 4080-byte block without an end", "StreamTitle='" + longTitle, longTitle},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(streamTitle(c.metadata), c.title);
  }
}

TEST(StreamTexts, OggTitleReadsAllCommentsByWholeNameInAnyCase) {
  const struct {
    const char* name;
    QByteArrayList comments;
    std::optional<QByteArray> title;
  } cases[] = {
      {"encoder first", {"encoder=Lavf59", "title=Song 1", "artist=Band 1"}, "Band 1 - Song 1"},
      {"upper-case names", {"ARTIST=Band 1", "TITLE=Song 1"}, "Band 1 - Song 1"},
      {"commas stay in the artist", {"artist=Earth, Wind & Fire", "title=September"},
       "Earth, Wind & Fire - September"},
      {"artist only", {"artist=Band"}, "Band"},
      {"title only", {"title=Song"}, "Song"},
      {"albumartist and subtitle are other fields", {"albumartist=Various", "subtitle=Live"}, std::nullopt},
      {"the first of each wins", {"title=One", "title=Two"}, "One"},
      {"a long value is whole", {"title=" + QByteArray(600, 'y')}, QByteArray(600, 'y')},
      {"a comment without a name", {"=x", "novalue"}, std::nullopt},
      {"none", {}, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(oggTitle(c.comments), c.title);
  }
}

TEST(StreamTexts, TitlesDecodeByTheStationsEncoding) {
  const struct {
    const char* name;
    QByteArray bytes;
    TitleEncoding encoding;
    const char* text;  // UTF-8
  } cases[] = {
      {"short UTF-8 is decoded too", "\xc3\xa9t\xc3\xa9", TitleEncoding::Auto, "\xc3\xa9t\xc3\xa9"},
      {"one UTF-8 letter", "\xc3\xa9", TitleEncoding::Auto, "\xc3\xa9"},
      {"invalid UTF-8 falls back to Windows-1252", "Caf\xe9 \x80", TitleEncoding::Auto, "Caf\xc3\xa9 \xe2\x82\xac"},
      {"plain ASCII", "Song", TitleEncoding::Auto, "Song"},
      {"forced Windows-1252 reads UTF-8 bytes as two letters", "\xc3\xa9", TitleEncoding::Windows1252,
       "\xc3\x83\xc2\xa9"},
      {"Windows-1251", "\xcf\xf0\xe8\xe2\xe5\xf2 \xa8\xb8", TitleEncoding::Windows1251,
       "\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82 \xd0\x81\xd1\x91"},
      {"forced UTF-8", "\xd0\x9f", TitleEncoding::Utf8, "\xd0\x9f"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(decodeTitle(c.bytes, c.encoding), QString::fromUtf8(c.text));
  }
}

}  // namespace
