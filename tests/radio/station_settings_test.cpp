// The station settings panel's decisions: proxy lines, Ok on a station, the flags and title
// encoding lines, and the station a typed number picks.
#include "radio/radio_list.h"
#include "radio/station_settings.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tavelo;

namespace {

const QString kZeroFlags(30, QLatin1Char('0'));

// A normalised list whose station n is "Station n", "http://127.0.0.1/n" and proxy line "p n".
QStringList numberedStations(int extraLines = 0) {
  QStringList lines;
  for (int n = 1; n <= kStationCount; ++n) {
    lines << QStringLiteral("Station %1").arg(n) << QStringLiteral("http://127.0.0.1/%1").arg(n)
          << QStringLiteral("p %1").arg(n);
  }
  lines << kZeroFlags;
  for (int i = 1; i <= extraLines; ++i) lines << QStringLiteral("kept %1").arg(i);
  return lines;
}

TEST(StationProxy, LinesOpenAsTheChoiceTheyStandFor) {
  struct Case {
    const char* line;
    ProxyChoice choice;
    const char* text;
  };
  const Case cases[] = {
      {"", ProxyChoice::System, ""},
      {"none", ProxyChoice::Direct, ""},
      {"127.0.0.1:8888", ProxyChoice::Explicit, "127.0.0.1:8888"},
      {"user:pa@ss@proxy:3128", ProxyChoice::Explicit, "user:pa@ss@proxy:3128"},
      {"None", ProxyChoice::Explicit, "None"},  // only the exact word means no proxy
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const ProxyField field = proxyFieldOf(QString::fromUtf8(c.line));
    EXPECT_EQ(field.choice, c.choice);
    EXPECT_EQ(field.text, QString::fromUtf8(c.text));
    EXPECT_EQ(proxyLineOf(field.choice, field.text), QString::fromUtf8(c.line)) << "stored back unchanged";
  }
}

TEST(StationProxy, ChoicesStoreTheirLine) {
  struct Case {
    ProxyChoice choice;
    const char* text;
    const char* line;
    ProxyChoice reopensAs;
  };
  const Case cases[] = {
      {ProxyChoice::Explicit, "proxy:3128", "proxy:3128", ProxyChoice::Explicit},
      {ProxyChoice::Explicit, "", "", ProxyChoice::System},  // nothing typed: the system's settings
      {ProxyChoice::System, "left over", "", ProxyChoice::System},
      {ProxyChoice::Direct, "left over", "none", ProxyChoice::Direct},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const QString line = proxyLineOf(c.choice, QString::fromUtf8(c.text));
    EXPECT_EQ(line, QString::fromUtf8(c.line));
    EXPECT_EQ(proxyFieldOf(line).choice, c.reopensAs);
  }
}

TEST(StationProxy, AStoredProxyTooLongForTheFieldIsNotCutByOk) {
  const QString stored = QStringLiteral("user:") + QString(100, QLatin1Char('p')) + QStringLiteral("@127.0.0.1:8888");
  const QString shown = stored.left(kProxyTextLimit);
  struct Case {
    const char* name;
    QString stored;
    ProxyChoice choice;
    QString text;
    QString line;
  };
  const Case cases[] = {
      {"left as shown", stored, ProxyChoice::Explicit, shown, stored},
      {"edited", stored, ProxyChoice::Explicit, shown.left(98), shown.left(98)},
      {"replaced", stored, ProxyChoice::Explicit, QStringLiteral("127.0.0.1:3128"), QStringLiteral("127.0.0.1:3128")},
      {"another choice", stored, ProxyChoice::Direct, QString(), QStringLiteral("none")},
      {"short line", QStringLiteral("a:1"), ProxyChoice::Explicit, QStringLiteral("a:1"), QStringLiteral("a:1")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(proxyLineAfterEdit(c.stored, c.choice, c.text), c.line);
  }
}

TEST(StationOk, WritesTheEditedStationOnly) {
  QStringList lines = numberedStations(3);
  StationEdit edit = stationEditOf(lines, 7);
  EXPECT_EQ(edit.name, "Station 7");
  EXPECT_EQ(edit.proxy, ProxyChoice::Explicit);
  EXPECT_EQ(edit.proxyText, "p 7");
  edit.name = QStringLiteral("Jazz");
  edit.url = QStringLiteral("http://127.0.0.1:8000/jazz");
  edit.proxy = ProxyChoice::Direct;
  edit.forceEncode = true;
  const QStringList before = lines;
  applyStationEdit(lines, 7, edit, false);
  ASSERT_EQ(lines.size(), before.size());
  for (qsizetype i = 0; i < lines.size(); ++i) {
    if (i >= 18 && i <= 20) continue;
    if (i == kFlagsLineIndex) continue;
    EXPECT_EQ(lines[i], before[i]) << "line " << i + 1;
  }
  EXPECT_EQ(lines.mid(18, 3), (QStringList{"Jazz", "http://127.0.0.1:8000/jazz", "none"}));
  EXPECT_EQ(lines[kFlagsLineIndex], QStringLiteral("000000100000000000000000000000"));
}

TEST(StationOk, NoProxyChoiceLeavesTheProxyLine) {
  QStringList lines = numberedStations();
  StationEdit edit = stationEditOf(lines, 2);
  edit.proxy.reset();
  edit.proxyText = QStringLiteral("typed but not chosen");
  applyStationEdit(lines, 2, edit, false);
  EXPECT_EQ(lines[5], "p 2");
}

TEST(StationOk, SetProxyForAllGivesEveryStationTheEditedStationsLine) {
  struct Case {
    const char* name;
    ProxyChoice choice;
    const char* text;
    const char* everyLine;
  };
  const Case cases[] = {
      {"explicit", ProxyChoice::Explicit, "u:p@127.0.0.1:8888", "u:p@127.0.0.1:8888"},
      {"system", ProxyChoice::System, "", ""},
      {"direct", ProxyChoice::Direct, "", "none"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QStringList lines = numberedStations(2);
    StationEdit edit = stationEditOf(lines, 30);
    edit.proxy = c.choice;
    edit.proxyText = QString::fromUtf8(c.text);
    applyStationEdit(lines, 30, edit, true);
    for (int n = 1; n <= kStationCount; ++n) {
      EXPECT_EQ(lines[3 * n - 1], QString::fromUtf8(c.everyLine)) << "station " << n;
      EXPECT_EQ(stationName(lines, n), QStringLiteral("Station %1").arg(n));
    }
    EXPECT_EQ(lines.mid(91), (QStringList{"kept 1", "kept 2"}));
  }
}

TEST(StationFlags, TheFlagsLineIsRebuiltWithThirtyCharacters) {
  struct Case {
    const char* name;
    QString flags;
    int station;
    bool forceEncode;
    QString expected;
  };
  const Case cases[] = {
      {"one flag set", kZeroFlags, 5, true, QStringLiteral("000010000000000000000000000000")},
      {"one flag cleared", QString(30, QLatin1Char('1')), 1, false, QStringLiteral("011111111111111111111111111111")},
      {"short hand-made line", QStringLiteral("1001"), 2, true, QStringLiteral("110100000000000000000000000000")},
      {"empty line", QString(), 30, true, QStringLiteral("000000000000000000000000000001")},
      {"too long", QString(40, QLatin1Char('1')), 3, false, QStringLiteral("110111111111111111111111111111")},
      {"odd characters", QStringLiteral("2x1y"), 4, false, QStringLiteral("001000000000000000000000000000")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QStringList lines = numberedStations();
    lines[kFlagsLineIndex] = c.flags;
    EXPECT_EQ(forceEncodeFlagsLine(lines, c.station, c.forceEncode), c.expected);
  }
}

TEST(StationTitleEncoding, OlderListsReadAsAutoAndStayUnchanged) {
  QStringList lines = numberedStations(2);
  const QStringList before = lines;
  for (int n = 1; n <= kStationCount; ++n) EXPECT_EQ(stationTitleEncoding(lines, n), TitleEncoding::Auto);
  setStationTitleEncoding(lines, 4, TitleEncoding::Auto);
  applyStationEdit(lines, 4, stationEditOf(lines, 4), false);
  EXPECT_EQ(lines, before) << "Ok without a change of encoding adds no line";
}

TEST(StationTitleEncoding, OneTaggedLineAfterTheFlagsKeepsEachStationsEncoding) {
  QStringList lines = numberedStations(2);
  setStationTitleEncoding(lines, 4, TitleEncoding::Windows1251);
  setStationTitleEncoding(lines, 30, TitleEncoding::Utf8);
  setStationTitleEncoding(lines, 1, TitleEncoding::Windows1252);
  ASSERT_EQ(lines.size(), 94);
  EXPECT_EQ(lines.mid(91, 2), (QStringList{"kept 1", "kept 2"})) << "later lines stay where they were";
  EXPECT_EQ(lines[93], QStringLiteral("TitleEncodings=200300000000000000000000000001"));
  EXPECT_EQ(lines[kFlagsLineIndex], kZeroFlags);
  const TitleEncoding expected[] = {TitleEncoding::Windows1252, TitleEncoding::Auto, TitleEncoding::Auto,
                                    TitleEncoding::Windows1251};
  for (int n = 1; n <= 4; ++n) EXPECT_EQ(stationTitleEncoding(lines, n), expected[n - 1]) << n;
  EXPECT_EQ(stationTitleEncoding(lines, 30), TitleEncoding::Utf8);

  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("Tavelo.rls"));
  ASSERT_TRUE(saveRadioList(path, lines).ok);
  EXPECT_EQ(readRadioListFile(path), lines);

  setStationTitleEncoding(lines, 4, TitleEncoding::Auto);
  EXPECT_EQ(lines[93], QStringLiteral("TitleEncodings=200000000000000000000000000001"));
}

TEST(StationTitleEncoding, HandMadeLinesReadSafely) {
  struct Case {
    const char* name;
    QStringList after;  // the lines after the flags line
    TitleEncoding station1;
    TitleEncoding station3;
  };
  const Case cases[] = {
      {"short digits", {"TitleEncodings=13"}, TitleEncoding::Utf8, TitleEncoding::Auto},
      {"unknown digits", {"TitleEncodings=9x3"}, TitleEncoding::Auto, TitleEncoding::Windows1251},
      {"empty", {"TitleEncodings="}, TitleEncoding::Auto, TitleEncoding::Auto},
      {"first of two counts", {"x", "TitleEncodings=2", "TitleEncodings=3"}, TitleEncoding::Windows1252,
       TitleEncoding::Auto},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QStringList lines = numberedStations();
    lines += c.after;
    EXPECT_EQ(stationTitleEncoding(lines, 1), c.station1);
    EXPECT_EQ(stationTitleEncoding(lines, 3), c.station3);
    EXPECT_EQ(stationTitleEncoding(lines, 0), TitleEncoding::Auto);
    EXPECT_EQ(stationTitleEncoding(lines, 31), TitleEncoding::Auto);
  }
}

TEST(StationTitleEncoding, TheFlagsLineIsNeverTakenForTheTaggedLine) {
  QStringList lines = numberedStations();
  lines[kFlagsLineIndex] = QStringLiteral("TitleEncodings=1");
  EXPECT_EQ(stationTitleEncoding(lines, 1), TitleEncoding::Auto);
}

TEST(StationTitleEncoding, ASecondTaggedLineGoesWhenTheLineIsWritten) {
  QStringList lines = numberedStations();
  lines << "TitleEncodings=1" << "kept" << "TitleEncodings=2";
  setStationTitleEncoding(lines, 2, TitleEncoding::Windows1251);
  EXPECT_EQ(lines.mid(91), (QStringList{"TitleEncodings=130000000000000000000000000000", "kept"}));
}

TEST(StationNumber, TypedTextPicksAStationOrNone) {
  struct Case {
    const char* typed;
    std::optional<int> station;
  };
  const Case cases[] = {
      {"1", 1}, {"30", 30}, {"7", 7}, {" 12 ", 12}, {"+3", 3},
      {"0", std::nullopt}, {"31", std::nullopt}, {"-4", std::nullopt},
      {"99999999999", std::nullopt},  // a number too big for any station is no station either
      {"abc", 1}, {"", 1}, {"3.5", 1}, {"7b", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    EXPECT_EQ(stationNumberOf(QString::fromUtf8(c.typed)), c.station);
  }
}

}  // namespace
