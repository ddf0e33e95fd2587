#include "cd/cddb.h"

#include <gtest/gtest.h>
#include <ostream>

using namespace tavelo;

inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace {

QStringList lines(std::initializer_list<const char*> texts) {
  QStringList list;
  for (const char* text : texts) list << QString::fromUtf8(text);
  return list;
}

TEST(CddbServers, TwelveItemsOfOneServer) {
  const QStringList items = cddbServerItems();
  ASSERT_EQ(items.size(), 12);
  EXPECT_EQ(items[0], QStringLiteral("gnudb.gnudb.org New cddbserver"));
  EXPECT_EQ(items[11], QStringLiteral("gnudb.gnudb.org San Jose, CA USA"));
  for (const int index : {0, 6, 11, -1, 12, 1000}) EXPECT_EQ(cddbServerHost(index), QStringLiteral("gnudb.gnudb.org"));
}

TEST(CddbHello, FromTheEmailOrAnonymous) {
  const struct {
    const char* name;
    const char* email;
    bool first;
    const char* hello;
  } cases[] = {
      {"an e-mail gives its local part and domain", "jane.doe@example.org", true, "jane.doe+example.org"},
      {"the e-mail is used after the first query too", "jane.doe@example.org", false, "jane.doe+example.org"},
      {"an address with a blank is no e-mail", "a+b&c@ex ample", true, "anonymous+localhost"},
      {"plus and ampersand never reach the URL raw", "a+b&c=d@example.org", true, "a%2Bb%26c%3Dd+example.org"},
      {"no e-mail: the first query", "", true, "anonymous+localhost"},
      {"no e-mail: later requests", "", false, "anonymous+localhost.localdomain"},
      {"no domain is no e-mail", "jane@", true, "anonymous+localhost"},
      {"no local part is no e-mail", "@example.org", false, "anonymous+localhost.localdomain"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(cddbHello(QString::fromUtf8(c.email), c.first), QString::fromUtf8(c.hello)) << c.name;
}

TEST(CddbUrls, QueryAndRead) {
  const QString hello = cddbHelloArguments(QString(), true);
  EXPECT_EQ(hello, QStringLiteral("&hello=anonymous+localhost+Tavelo+1.0.14&proto=6"));
  EXPECT_EQ(cddbQueryUrl(QStringLiteral("127.0.0.1:8880"), QStringLiteral("11000903 3 150 450 675 11"), hello),
            QStringLiteral("127.0.0.1:8880/~cddb/cddb.cgi?cmd=cddb+query+11000903+3+150+450+675+11"
                           "&hello=anonymous+localhost+Tavelo+1.0.14&proto=6"));
  EXPECT_EQ(cddbReadUrl(QStringLiteral("h"), QStringLiteral("rock"), QStringLiteral("11000903"), QStringLiteral("&x")),
            QStringLiteral("h/~cddb/cddb.cgi?cmd=cddb+read+rock+11000903&x"));
  for (const char* bad : {"Rock", "ro ck", "rock&x=1", "", "r/ock"})
    EXPECT_FALSE(cddbReadUrl(QStringLiteral("h"), QString::fromUtf8(bad), QStringLiteral("11000903"), {})) << bad;
  EXPECT_FALSE(cddbReadUrl(QStringLiteral("h"), QStringLiteral("rock"), QStringLiteral("1100090G"), {}));
}

TEST(CddbQueryAnswer, MatchOrNone) {
  const struct {
    const char* name;
    QStringList answer;
    const char *category, *discId;  // null: no match
  } cases[] = {
      {"200 names the match in its status line", lines({"200 rock 11000903 Artist / Disc"}), "rock", "11000903"},
      {"211 takes the first match line", lines({"211 close matches", "jazz 0a0b0c03 A / B", "rock 11000903 C", "."}),
       "jazz", "0a0b0c03"},
      {"210 takes the first match line", lines({"210 exact", "misc 11000903 X", "."}), "misc", "11000903"},
      {"211 with no match line", lines({"211 close matches"}), nullptr, nullptr},
      {"211 whose first line is the end mark", lines({"211 close matches", "."}), nullptr, nullptr},
      {"202 is no match", lines({"202 No match for disc ID 11000903."}), nullptr, nullptr},
      {"403 is no match", lines({"403 Database entry is corrupt."}), nullptr, nullptr},
      {"500 is no match", lines({"500 Command syntax error"}), nullptr, nullptr},
      {"an empty answer", {}, nullptr, nullptr},
      {"a category outside a-z0-9", lines({"200 ro/ck 11000903 T"}), nullptr, nullptr},
      {"an id outside a-z0-9", lines({"200 rock 11000903&cmd=x T"}), nullptr, nullptr},
      {"200 without a disc id", lines({"200 rock"}), nullptr, nullptr},
  };
  for (const auto& c : cases) {
    const std::optional<CddbMatch> match = parseCddbQueryAnswer(c.answer);
    ASSERT_EQ(match.has_value(), c.category != nullptr) << c.name;
    if (!match) continue;
    EXPECT_EQ(match->category, QString::fromUtf8(c.category)) << c.name;
    EXPECT_EQ(match->discId, QString::fromUtf8(c.discId)) << c.name;
  }
}

TEST(CddbReadAnswer, TitlesByTheirNumbers) {
  const CddbEntry entry = parseCddbReadAnswer(lines({
      "210 rock 11000903 CD database entry follows (until terminating `.')",
      "# xmcd",
      "DISCID=11000903",
      "DTITLE=Artist / A very long",
      "DTITLE= disc title",
      "TTITLE0=Title",
      "TTITLE1=A title split over",
      "TTITLE1= two lines",
      "TTITLE2=E=mc\\\\2 \\n\\tend\\x",
      "TTITLE=no number",
      "TTITLEx=no number either",
      "TTITLE9=beyond the disc",
      "EXTD=",
      ".",
  }));
  EXPECT_EQ(entry.discTitle, QStringLiteral("Artist / A very long disc title"));
  ASSERT_EQ(entry.tracks.size(), 4);
  EXPECT_EQ(entry.tracks[0], QStringLiteral("Title"));
  EXPECT_EQ(entry.tracks[1], QStringLiteral("A title split over two lines"));
  EXPECT_EQ(entry.tracks[2], QStringLiteral("E=mc\\2 \n\tend\\x"));
  EXPECT_EQ(entry.tracks[9], QStringLiteral("beyond the disc"));
}

TEST(CddbReadAnswer, OnlyAnEntryGivesTitles) {
  for (const QStringList& answer : {lines({"401 rock 11000903 No such CD entry in database."}),
                                    lines({"TTITLE0=no status line"}), QStringList()})
    EXPECT_TRUE(parseCddbReadAnswer(answer).tracks.isEmpty()) << answer.value(0).toStdString();
}

TEST(CddbAnswerText, Utf8WhenValidElseWindows1252) {
  EXPECT_EQ(cddbAnswerLines("210 x\r\nTTITLE0=Caf\xc3\xa9\n.\n"),
            (QStringList{"210 x", QString::fromUtf8("TTITLE0=Café"), "."}));
  EXPECT_EQ(cddbAnswerLines("TTITLE0=Caf\xe9 \x80"), QStringList{QString::fromUtf8("TTITLE0=Café €")});
  EXPECT_EQ(cddbAnswerLines(QByteArray("200 a b\0junk", 12)), QStringList{"200 a b"});
  EXPECT_EQ(cddbAnswerLines("no line end"), QStringList{"no line end"});
  EXPECT_TRUE(cddbAnswerLines({}).isEmpty());
}

TEST(CddbAnswerText, BufferCutsAtOneMebibyte) {
  CddbAnswerBuffer buffer;
  const QByteArray chunk(300 * 1024, 'a');
  for (int i = 0; i < 3; ++i) EXPECT_EQ(buffer.write(chunk), chunk.size());
  EXPECT_FALSE(buffer.tooLong());
  EXPECT_EQ(buffer.write(chunk), chunk.size()) << "the client is never told to stop";
  EXPECT_TRUE(buffer.tooLong());
  EXPECT_EQ(buffer.body().size(), CddbAnswerBuffer::kLimit);
}

TEST(CddbLookupDecisions, WhenToLookUp) {
  const struct {
    const char* name;
    CddbStart disc;
    bool lookUp;
  } cases[] = {
      {"a disc without CD-TEXT", {true, false, 3, true, false}, true},
      {"CDDB off sends nothing", {false, false, 3, true, false}, false},
      {"CD-TEXT names the tracks", {true, true, 3, true, false}, false},
      {"a disc with no tracks", {true, false, 0, true, false}, false},
      {"a lookup still running", {true, false, 3, false, false}, false},
      {"the retry question open", {true, false, 3, true, true}, false},
  };
  for (const auto& c : cases) EXPECT_EQ(shouldLookUp(c.disc), c.lookUp) << c.name;
}

TEST(CddbLookupDecisions, TitlesLandOnlyOnTheirDisc) {
  const QString disc = QStringLiteral("11000903 3 150 450 675 11");
  EXPECT_TRUE(titlesStillApply(true, disc, disc));
  EXPECT_FALSE(titlesStillApply(false, disc, disc)) << "another mode";
  EXPECT_FALSE(titlesStillApply(true, QStringLiteral("820b0109 9 150"), disc)) << "another disc or drive";
  EXPECT_FALSE(titlesStillApply(true, QString(), disc)) << "the disc taken out";
}

TEST(CddbTitles, ReplaceTheTrackNumberOnly) {
  const struct {
    const char* name;
    const char* item;
    int track;
    const char* title;
    const char* result;
  } cases[] = {
      {"the number becomes nn.title", "Track 01 (0:04)", 0, "Title", "01.Title (0:04)"},
      {"a CD-TEXT name stays", "First Song (0:04)", 0, "Title", "First Song (0:04)"},
      {"another track's number stays", "Track 02 (0:03)", 0, "Title", "Track 02 (0:03)"},
      {"line breaks and tabs show as blanks", "Track 03 (0:02)", 2, "a\nb\tc", "03.a b c (0:02)"},
      {"a title with %1 stays as it is", "Track 10 (1:00)", 9, "100%1", "10.100%1 (1:00)"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(cddbTitledItem(QString::fromUtf8(c.item), c.track, QString::fromUtf8(c.title)),
              QString::fromUtf8(c.result))
        << c.name;
}

}  // namespace
