#include "app/settings_file.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

using namespace tavelo;

namespace {

const QString kProgramDir = QStringLiteral("/opt/tavelo/");

QByteArrayList linesOf(const QByteArray& file) {
  QByteArrayList lines = file.split('\n');
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  for (QByteArray& line : lines) line.chop(1);  // the CR of CR LF
  return lines;
}

// A file as the program writes it with defaults, with one line replaced.
QByteArray defaultFileWithLine(int number, const QByteArray& content) {
  QByteArrayList lines = linesOf(formatSettings(defaultSettings(kProgramDir)));
  lines[number - 1] = content;
  return lines.join("\r\n") + "\r\n";
}

TEST(SettingsFile, EdgeCasesOfSingleLines) {
  struct Case {
    int line;
    QByteArray content;
    std::function<void(const SettingsData&)> check;
    const char* writtenBack;  // the line as written again; nullptr = the content itself
  };
  const auto modeOrder = [](std::array<int, 3> order, int code) {
    return [=](const SettingsData& s) {
      EXPECT_EQ(s.modeOrder, order);
      EXPECT_EQ(s.modeOrderCode, code);
    };
  };
  const Case cases[] = {
      {10, "120", modeOrder({1, 2, 0}, 120), nullptr},
      {10, "201", modeOrder({2, 0, 1}, 201), nullptr},
      {10, "12", modeOrder({0, 1, 2}, 12), "012"},
      {10, "0120", modeOrder({0, 1, 2}, 12), "012"},
      {10, "1a2", modeOrder({0, 1, 2}, 12), "012"},
      {10, "000", modeOrder({0, 1, 2}, 12), "012"},  // a mode twice is no order
      {10, "345", modeOrder({0, 1, 2}, 12), "012"},
      {5, "x", [](const SettingsData& s) { EXPECT_TRUE(s.fullDir); }, "1"},
      {5, "0", [](const SettingsData& s) { EXPECT_FALSE(s.fullDir); }, nullptr},
      {6, "x", [](const SettingsData& s) { EXPECT_TRUE(s.repeat); }, "1"},
      {6, "", [](const SettingsData& s) { EXPECT_FALSE(s.repeat); }, "0"},
      {11, "2^1^0^0^0^",
       [](const SettingsData& s) {
         EXPECT_FALSE(s.enableEq);
         EXPECT_TRUE(s.sampleFloat);
         EXPECT_FALSE(s.highPriority || s.alwaysOnTop || s.minToTray);
       },
       "0^1^0^0^0^"},
      {11, "1^1^1^1^1", [](const SettingsData& s) { EXPECT_FALSE(s.minToTray); }, "1^1^1^1^0^"},
      {12, "15^15^15", [](const SettingsData& s) { EXPECT_EQ(s.eqBars, std::nullopt); },
       "15^15^15^15^15^15^15^"},
      {12, "0^5^10^30^20^25^1^",
       [](const SettingsData& s) { EXPECT_EQ(s.eqBars, (std::array<int, 7>{0, 5, 10, 30, 20, 25, 1})); }, nullptr},
      {12, "0^5^10^30^20^25^x^", [](const SettingsData& s) { EXPECT_EQ(s.eqBars, std::nullopt); },
       "15^15^15^15^15^15^15^"},
      {12, "0^5^10^31^20^25^1^", [](const SettingsData& s) { EXPECT_EQ(s.eqBars, std::nullopt); },
       "15^15^15^15^15^15^15^"},
      {13, "^3^5^",
       [](const SettingsData& s) {
         EXPECT_EQ(s.ripRoot, s.recordRoot);
         EXPECT_EQ(s.ripFormat, 3);
         EXPECT_EQ(s.ripBitrate, 5);
       },
       "/opt/tavelo/Record^3^5^"},
      {13, "/rips^x^^",
       [](const SettingsData& s) {
         EXPECT_EQ(s.ripRoot, "/rips");
         EXPECT_EQ(s.ripFormat, 0);
         EXPECT_EQ(s.ripBitrate, 4);
       },
       "/rips^0^4^"},
      {7, "2^5",
       [](const SettingsData& s) {
         EXPECT_EQ(s.radioFormat, 2);
         EXPECT_EQ(s.radioBitrate, 4);
       },
       "2^4^"},
      {7, "9^-1^",
       [](const SettingsData& s) {
         EXPECT_EQ(s.radioFormat, 0);
         EXPECT_EQ(s.radioBitrate, 4);
       },
       "0^4^"},
      {2, "0", [](const SettingsData& s) { EXPECT_EQ(s.volumeBar, 0); }, nullptr},
      {2, "60", [](const SettingsData& s) { EXPECT_EQ(s.volumeBar, 60); }, nullptr},
      {2, "abc", [](const SettingsData& s) { EXPECT_EQ(s.volumeBar, std::nullopt); }, ""},
      {2, "61", [](const SettingsData& s) { EXPECT_EQ(s.volumeBar, std::nullopt); }, ""},
      {9, "3", [](const SettingsData& s) { EXPECT_EQ(s.mixerId, 3); }, nullptr},
      {9, "three", [](const SettingsData& s) { EXPECT_EQ(s.mixerId, 0); }, "0"},
      {14, "proxy.lan^3128^ann^se^cret^1^2^",
       [](const SettingsData& s) {
         EXPECT_EQ(s.proxyHost, "proxy.lan");
         EXPECT_EQ(s.proxyPassword, "se");  // a caret in the password splits it: nothing escapes one
         EXPECT_TRUE(s.useCddb == false);
         EXPECT_EQ(s.cddbServer, 1);
         EXPECT_EQ(s.cddbEmail, "2");
       },
       "proxy.lan^3128^ann^se^0^1^2^"},
      {14, "^^^^1^3^ann@example.org^",
       [](const SettingsData& s) {
         EXPECT_TRUE(s.useCddb);
         EXPECT_EQ(s.cddbServer, 3);
         EXPECT_EQ(s.cddbEmail, "ann@example.org");
       },
       nullptr},
      {14, "^^^^1^3^",  // written before the e-mail field existed
       [](const SettingsData& s) {
         EXPECT_EQ(s.cddbServer, 3);
         EXPECT_EQ(s.cddbEmail, "");
       },
       "^^^^1^3^^"},
      {15, "1^/dev/ttyS1^on^",
       [](const SettingsData& s) {
         EXPECT_TRUE(s.useIr);
         EXPECT_EQ(s.irPort, "/dev/ttyS1");
         EXPECT_EQ(s.powerState, "on");
       },
       nullptr},
      {3, "", [](const SettingsData& s) { EXPECT_EQ(s.radioListPath, "/opt/tavelo/RLists/Tavelo.rls"); },
       "/opt/tavelo/RLists/Tavelo.rls"},
      {1, "", [](const SettingsData& s) { EXPECT_EQ(s.recordRoot, "/opt/tavelo/Record"); }, "/opt/tavelo/Record"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "line " << c.line << " \"" << c.content.toStdString() << "\"");
    const SettingsData settings = parseSettings(defaultFileWithLine(c.line, c.content), kProgramDir);
    c.check(settings);
    const QByteArray expected = c.writtenBack ? QByteArray(c.writtenBack) : c.content;
    EXPECT_EQ(linesOf(formatSettings(settings)).at(c.line - 1).toStdString(), expected.toStdString());
  }
}

SettingsData everythingChanged() {
  SettingsData s = defaultSettings(QStringLiteral("/home/ann/tavelo/"));
  s.recordRoot = QStringLiteral("/home/ann/Recordings Ünïcode");
  s.volumeBar = 0;
  s.radioListPath = QStringLiteral("/home/ann/tavelo/RLists/Jazz.rls");
  s.cdDriveText = QStringLiteral("sr0: HL-DT-ST - DVDRAM GH24NSD1");
  s.fullDir = false;
  s.repeat = true;
  s.radioFormat = 2;
  s.radioBitrate = 6;
  s.soundFonts = QStringLiteral("/usr/share/sounds/sf2/default-GM.sf2^/home/ann/piano.sf2^");
  s.mixerId = 1;
  s.modeOrder = {2, 0, 1};
  s.modeOrderCode = 201;
  s.enableEq = s.highPriority = s.minToTray = true;
  s.eqBars = std::array<int, 7>{0, 3, 30, 15, 7, 22, 29};
  s.ripRoot = QStringLiteral("/media/rips");
  s.ripFormat = 3;
  s.ripBitrate = 0;
  s.proxyHost = QStringLiteral("10.0.0.1");
  s.proxyPort = QStringLiteral("8080");
  s.proxyUser = QStringLiteral("ann");
  s.proxyPassword = QStringLiteral("p@ss");
  s.useCddb = true;
  s.cddbServer = 2;
  s.cddbEmail = QStringLiteral("ann@example.org");
  s.useIr = true;
  s.irPort = QStringLiteral("/dev/ttyUSB0");
  s.powerState = QStringLiteral("off");
  return s;
}

TEST(SettingsFile, WrittenFileReadsBackAndWritesAgainByteForByte) {
  const QString programDir = QStringLiteral("/home/ann/tavelo/");
  EXPECT_EQ(parseSettings(formatSettings(everythingChanged()), programDir), everythingChanged());
  for (const SettingsData& original : {defaultSettings(programDir), everythingChanged()}) {
    const QByteArray written = formatSettings(original);
    EXPECT_EQ(formatSettings(parseSettings(written, programDir)), written);
    EXPECT_EQ(written.count("\r\n"), 21);
    EXPECT_EQ(written.count('\n'), 21) << "every line ends with CR LF";
    EXPECT_EQ(written.count('\r'), 21);
    EXPECT_TRUE(written.endsWith("\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n"));
  }
}

TEST(SettingsFile, DefaultsWithoutAFile) {
  const QString programDir = QStringLiteral("/opt/tavelo/");
  const SettingsData s = defaultSettings(programDir);
  EXPECT_EQ(s.modeOrder, (std::array<int, 3>{0, 1, 2}));
  EXPECT_EQ(s.modeOrderCode, 12);
  EXPECT_EQ(s.recordRoot, "/opt/tavelo/Record");
  EXPECT_EQ(s.ripRoot, "/opt/tavelo/Record");
  EXPECT_EQ(s.radioListPath, "/opt/tavelo/RLists/Tavelo.rls");
  EXPECT_TRUE(s.fullDir);
  EXPECT_FALSE(s.repeat);
  EXPECT_EQ(s.volumeBar, std::nullopt) << "the mixer's master volume decides";
  EXPECT_EQ(s.cdDriveText, " ");
  EXPECT_EQ(s.eqBars, std::nullopt);
  EXPECT_EQ(s.radioFormat, 0);
  EXPECT_EQ(s.radioBitrate, 4);
  EXPECT_FALSE(s.useIr);

  const QByteArrayList lines = linesOf(formatSettings(s));
  ASSERT_EQ(lines.size(), 21);
  EXPECT_EQ(lines[0], "/opt/tavelo/Record");
  EXPECT_EQ(lines[9], "012");
  EXPECT_EQ(lines[11], "15^15^15^15^15^15^15^");
  EXPECT_EQ(lines[12], "/opt/tavelo/Record^0^4^");
  EXPECT_EQ(parseSettings(QByteArray(), programDir), s);
}

TEST(SettingsFile, TruncatedFileKeepsWhatIsThereAndDefaultsTheRest) {
  const QString programDir = QStringLiteral("/home/ann/tavelo/");
  const QByteArrayList lines = linesOf(formatSettings(everythingChanged()));
  const SettingsData defaults = defaultSettings(programDir);
  for (int kept = 0; kept <= 21; ++kept) {
    SCOPED_TRACE(kept);
    const QByteArray truncated = lines.mid(0, kept).join("\r\n");  // the last kept line lost its CR LF
    const SettingsData s = parseSettings(truncated, programDir);
    EXPECT_EQ(s.repeat, kept >= 6 ? true : defaults.repeat);
    EXPECT_EQ(s.modeOrderCode, kept >= 10 ? 201 : 12);
    EXPECT_EQ(s.useIr, kept >= 15);
    EXPECT_EQ(s.ripRoot, kept >= 13 ? "/media/rips" : (kept >= 1 ? "/home/ann/Recordings Ünïcode" : defaults.ripRoot));
  }
}

void expectSane(const SettingsData& s) {
  EXPECT_GE(s.radioFormat, 0);
  EXPECT_LE(s.radioFormat, 6);
  EXPECT_GE(s.radioBitrate, 0);
  EXPECT_LE(s.radioBitrate, 6);
  EXPECT_GE(s.ripFormat, 0);
  EXPECT_LE(s.ripFormat, 6);
  EXPECT_GE(s.ripBitrate, 0);
  EXPECT_LE(s.ripBitrate, 6);
  EXPECT_GE(s.mixerId, 0);
  EXPECT_GE(s.cddbServer, 0);
  std::array<int, 3> sorted = s.modeOrder;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, (std::array<int, 3>{0, 1, 2}));
  EXPECT_EQ(s.modeOrderCode, s.modeOrder[0] * 100 + s.modeOrder[1] * 10 + s.modeOrder[2]);
  if (s.volumeBar) {
    EXPECT_TRUE(*s.volumeBar >= 0 && *s.volumeBar <= 60);
  }
  if (s.eqBars) {
    for (int bar : *s.eqBars) EXPECT_TRUE(bar >= 0 && bar <= 30);
  }
  EXPECT_FALSE(s.recordRoot.isEmpty());
  EXPECT_FALSE(s.ripRoot.isEmpty());
  EXPECT_FALSE(s.radioListPath.isEmpty());
}

TEST(SettingsFile, BinaryJunkGivesSaneSettings) {
  QRandomGenerator random(20261209);
  const QByteArray alphabet("0123456789^^^^\r\n\r\nx-\0\xff\xc3", 23);
  for (int round = 0; round < 300; ++round) {
    QByteArray junk(random.bounded(1, 600), Qt::Uninitialized);
    for (char& byte : junk)
      byte = round % 2 ? static_cast<char>(random.bounded(256)) : alphabet.at(random.bounded(alphabet.size()));
    const SettingsData s = parseSettings(junk, QStringLiteral("/opt/tavelo/"));
    expectSane(s);
    EXPECT_EQ(parseSettings(formatSettings(s), QStringLiteral("/opt/tavelo/")).modeOrderCode, s.modeOrderCode);
  }
}

TEST(SettingsFile, OldFilesInWindows1252AndOtherLineEndsAreRead) {
  const QByteArray file = "C:\\Musik\\Aufnahmen f\xfcr Sp\xe4ter\r30\n/x/RLists/a.rls\r\n \r0\r1\r3^2^\r\r0\r120\r";
  const SettingsData s = parseSettings(file, kProgramDir);
  EXPECT_EQ(s.recordRoot, QStringLiteral("C:\\Musik\\Aufnahmen für Später"));
  EXPECT_EQ(s.volumeBar, 30);
  EXPECT_EQ(s.radioListPath, "/x/RLists/a.rls");
  EXPECT_FALSE(s.fullDir);
  EXPECT_TRUE(s.repeat);
  EXPECT_EQ(s.radioFormat, 3);
  EXPECT_EQ(s.radioBitrate, 2);
  EXPECT_EQ(s.modeOrderCode, 120);
}

TEST(SettingsFile, LineBreaksInsideValuesKeepEveryLineInPlace) {
  SettingsData s = everythingChanged();
  s.soundFonts = QStringLiteral("/home/ann/odd\nname.sf2^");
  s.cdDriveText = QStringLiteral("sr0: VENDOR\r - MODEL");
  const QByteArray written = formatSettings(s);
  EXPECT_EQ(written.count('\n'), 21);
  const SettingsData read = parseSettings(written, QStringLiteral("/home/ann/tavelo/"));
  EXPECT_EQ(read.soundFonts, "/home/ann/odd name.sf2^");
  EXPECT_EQ(read.modeOrderCode, 201);
  EXPECT_TRUE(read.useIr);
}

// A caret inside a value of a caret-separated line is written as "_": every later field stays in
// place, where before it shifted them all (a proxy password "a^b" became the CDDB flag).
TEST(SettingsFile, CaretsInsideValuesKeepEveryFieldInPlace) {
  struct Case {
    const char* name;
    std::function<void(SettingsData&, const QString&)> set;
  };
  const Case cases[] = {
      {"rip folder", [](SettingsData& s, const QString& v) { s.ripRoot = v; }},
      {"proxy host", [](SettingsData& s, const QString& v) { s.proxyHost = v; }},
      {"proxy port", [](SettingsData& s, const QString& v) { s.proxyPort = v; }},
      {"proxy user", [](SettingsData& s, const QString& v) { s.proxyUser = v; }},
      {"proxy password", [](SettingsData& s, const QString& v) { s.proxyPassword = v; }},
      {"CDDB e-mail", [](SettingsData& s, const QString& v) { s.cddbEmail = v; }},
      {"IR port", [](SettingsData& s, const QString& v) { s.irPort = v; }},
      {"power state", [](SettingsData& s, const QString& v) { s.powerState = v; }},
  };
  const QString programDir = QStringLiteral("/home/ann/tavelo/");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SettingsData written = everythingChanged();
    c.set(written, QStringLiteral("AC^DC^"));
    SettingsData expected = everythingChanged();
    c.set(expected, QStringLiteral("AC_DC_"));
    const QByteArray file = formatSettings(written);
    EXPECT_EQ(parseSettings(file, programDir), expected);
    EXPECT_EQ(formatSettings(parseSettings(file, programDir)), file);
  }
}

TEST(SettingsFile, SavesAndLoadsThroughTheProgramFolder) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString programDir = dir.path() + QLatin1Char('/');
  EXPECT_EQ(loadSettingsFile(programDir), defaultSettings(programDir)) << "no file: defaults";

  SettingsData changed = everythingChanged();
  ASSERT_TRUE(saveSettingsFile(programDir, changed).ok);
  EXPECT_EQ(loadSettingsFile(programDir), changed);
  QFile file(programDir + "Settings.ini");
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), formatSettings(changed));

  const FileWriteResult failed = saveSettingsFile(programDir + "missing/", changed);
  EXPECT_FALSE(failed.ok);
  EXPECT_TRUE(failed.message.contains("Settings.ini")) << failed.message.toStdString();
}

}  // namespace
