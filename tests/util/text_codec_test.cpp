#include "util/text_codec.h"

#include <gtest/gtest.h>

using namespace tavelo;

namespace {

TEST(DecodeExternalText, TakesUtf8WhenValidElseWindows1252) {
  struct Case {
    QByteArray bytes;
    QString expected;
  };
  const Case cases[] = {
      {"plain ascii", u"plain ascii"_qs},
      {"Gr\xc3\xbc\xc3\x9f" "e \xe2\x82\xac", u"Grüße €"_qs},
      {"\xef\xbb\xbfwith BOM", u"with BOM"_qs},
      {"Gr\xfc\xdf" "e \x80", u"Grüße €"_qs},               // 1252: not valid UTF-8
      {"caf\xc3\xa9 and na\xefve", u"cafÃ© and naïve"_qs},  // one stray byte: the whole text is 1252
      {"Caf\xe9", u"Café"_qs},                               // a lead byte at the very end is no sequence
      {"\x93quoted\x94 \x85", u"\u201Cquoted\u201D \u2026"_qs},
      {"", QString()},
  };
  for (const Case& c : cases) EXPECT_EQ(decodeExternalText(c.bytes), c.expected) << c.bytes.toHex().data();
}

TEST(DecodeWindows1252, MapsEveryByte) {
  QByteArray all(256, Qt::Uninitialized);
  for (int i = 0; i < 256; ++i) all[i] = static_cast<char>(i);
  const QString text = decodeWindows1252(all);
  ASSERT_EQ(text.size(), 256);
  EXPECT_EQ(text.at(0x41), QChar(u'A'));
  EXPECT_EQ(text.at(0x80), QChar(0x20AC));
  EXPECT_EQ(text.at(0x8A), QChar(0x0160));
  EXPECT_EQ(text.at(0x9F), QChar(0x0178));
  for (int unassigned : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) EXPECT_EQ(text.at(unassigned), QChar(unassigned));
  EXPECT_EQ(text.at(0xA0), QChar(0x00A0));
  EXPECT_EQ(text.at(0xFF), QChar(0x00FF));
}

TEST(SplitLines, EveryLineEndingEndsALine) {
  struct Case {
    QString text;
    QStringList expected;
  };
  const Case cases[] = {
      {u""_qs, {}},
      {u"a"_qs, {u"a"_qs}},
      {u"a\r\n"_qs, {u"a"_qs}},
      {u"a\r\nb\r\n"_qs, {u"a"_qs, u"b"_qs}},
      {u"a\nb\rc\r\nd"_qs, {u"a"_qs, u"b"_qs, u"c"_qs, u"d"_qs}},
      {u"\r\n\r\n"_qs, {QString(), QString()}},
      {u"a\n\rb"_qs, {u"a"_qs, QString(), u"b"_qs}},  // LF CR is two line ends
      {u"a\r\r\nb"_qs, {u"a"_qs, QString(), u"b"_qs}},
      {u"\r"_qs, {QString()}},
  };
  for (const Case& c : cases) EXPECT_EQ(splitLines(c.text), c.expected) << c.text.toStdString();
}

TEST(JoinLinesCrLf, EveryLineEndsWithCrLfAndKeepsItsPosition) {
  EXPECT_EQ(joinLinesCrLf({}), QByteArray());
  EXPECT_EQ(joinLinesCrLf({QString(), u"Grüße"_qs}), "\r\nGr\xc3\xbc\xc3\x9f" "e\r\n");
  EXPECT_EQ(joinLinesCrLf({u"/music/odd\nname.sf2^"_qs, u"a\r\nb"_qs, u"012"_qs}),
            "/music/odd name.sf2^\r\na  b\r\n012\r\n");
}

}  // namespace
