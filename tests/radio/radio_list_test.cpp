#include "radio/radio_list.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tavelo;

namespace {

QStringList numberedLines(int count) {
  QStringList lines;
  for (int i = 1; i <= count; ++i) lines << QStringLiteral("line %1").arg(i);
  return lines;
}

const QString kZeroFlags(30, QLatin1Char('0'));

TEST(RadioList, Normalisation) {
  struct Case {
    int lines;
    int expectedLines;
    bool gainsZeroFlags;
  };
  const Case cases[] = {{0, 91, true}, {10, 91, true}, {89, 91, true}, {90, 91, true},
                        {91, 91, false}, {100, 100, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lines);
    QStringList lines = numberedLines(c.lines);
    normaliseRadioList(lines);
    ASSERT_EQ(lines.size(), c.expectedLines);
    EXPECT_EQ(lines.mid(0, c.lines), numberedLines(c.lines)) << "what was there stays";
    for (int i = c.lines; i < 90; ++i) EXPECT_TRUE(lines.at(i).isEmpty());
    EXPECT_EQ(lines.at(90) == kZeroFlags, c.gainsZeroFlags);
  }
}

TEST(RadioList, StationNamesAndForceEncodeFlags) {
  QStringList lines = numberedLines(90);
  lines << "1001";  // a hand-made flags line shorter than 30 characters
  EXPECT_EQ(stationName(lines, 1), "line 1");
  EXPECT_EQ(stationName(lines, 2), "line 4");
  EXPECT_EQ(stationName(lines, 30), "line 88");
  const bool expectedFlags[] = {true, false, false, true, false};
  for (int station = 1; station <= 5; ++station)
    EXPECT_EQ(stationForceEncode(lines, station), expectedFlags[station - 1]) << station;
  EXPECT_FALSE(stationForceEncode(lines, 30)) << "missing characters read as 0";
  lines[90] = QString();
  EXPECT_FALSE(stationForceEncode(lines, 1));
}

class RadioListFiles : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    programDir = dir.path() + QLatin1Char('/');
    ASSERT_TRUE(QDir(programDir).mkdir("RLists"));
  }
  void write(const QString& name, const QByteArray& bytes) {
    QFile file(programDir + name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  }
  QByteArray read(const QString& name) {
    QFile file(programDir + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
  }
  QString defaultPath() const { return programDir + "RLists/Tavelo.rls"; }

  QTemporaryDir dir;
  QString programDir;
};

TEST_F(RadioListFiles, SavedListIsCrLfAndReadsBackUnchanged) {
  QStringList lines = numberedLines(100);
  lines[0] = QStringLiteral("Radio Åland");
  lines[90] = QStringLiteral("100000000000000000000000000001");
  ASSERT_TRUE(saveRadioList(defaultPath(), lines).ok);
  const QByteArray bytes = read("RLists/Tavelo.rls");
  EXPECT_TRUE(bytes.startsWith("Radio \xc3\x85land\r\nline 2\r\n"));
  EXPECT_EQ(bytes.count("\r\n"), 100);
  EXPECT_EQ(bytes.count('\n'), 100);
  EXPECT_EQ(readRadioListFile(defaultPath()), lines);
}

// Each station value is a line of its own: a caret stays, a line break becomes a space, and
// every later line stays in place.
TEST_F(RadioListFiles, CaretsAndLineBreaksInValuesKeepEveryStationInPlace) {
  QStringList lines = numberedLines(91);
  lines[0] = QStringLiteral("AC^DC");
  lines[1] = QStringLiteral("http://radio.example/a\nb");
  lines[2] = QStringLiteral("proxy^host:8080\r");
  lines[3] = QStringLiteral("Second\r\nStation");
  ASSERT_TRUE(saveRadioList(defaultPath(), lines).ok);
  const std::optional<QStringList> read = readRadioListFile(defaultPath());
  ASSERT_TRUE(read);
  ASSERT_EQ(read->size(), 91);
  EXPECT_EQ(stationName(*read, 1), "AC^DC");
  EXPECT_EQ(read->at(1), "http://radio.example/a b");
  EXPECT_EQ(read->at(2), "proxy^host:8080 ");
  EXPECT_EQ(stationName(*read, 2), "Second  Station");
  EXPECT_EQ(read->mid(4), lines.mid(4));
}

TEST_F(RadioListFiles, MissingListStartsEmptyUnderNoRadioList) {
  const StartupRadioList list = loadStartupRadioList(programDir, defaultPath());
  EXPECT_EQ(list.path, defaultPath());
  EXPECT_EQ(list.title, "No Radio List");
  EXPECT_TRUE(list.error.isEmpty());
  EXPECT_TRUE(list.saveOnClose);
  ASSERT_EQ(list.lines.size(), 91);
  EXPECT_EQ(list.lines.last(), kZeroFlags);
}

TEST_F(RadioListFiles, SavedPathIsLoadedAndNormalised) {
  write("RLists/Jazz.rls", "Jazz FM\rhttp://127.0.0.1:8000/jazz\rnone\r");  // old lone-CR file
  const StartupRadioList list = loadStartupRadioList(programDir, programDir + "RLists/Jazz.rls");
  EXPECT_EQ(list.title, "Jazz");
  ASSERT_EQ(list.lines.size(), 91);
  EXPECT_EQ(list.lines.mid(0, 3), (QStringList{"Jazz FM", "http://127.0.0.1:8000/jazz", "none"}));
  EXPECT_EQ(stationName(list.lines, 1), "Jazz FM");
}

TEST_F(RadioListFiles, Windows1252ListIsDecoded) {
  write("RLists/Tavelo.rls", "Radio M\xfcnchen\r\nhttp://x/\r\n\r\n");
  const StartupRadioList list = loadStartupRadioList(programDir, defaultPath());
  EXPECT_EQ(list.lines.first(), QStringLiteral("Radio München"));
}

TEST_F(RadioListFiles, LegacyListReplacesTheDefaultList) {
  write("RLists/Tavelo.rls", "old default\r\n");
  write("Tavelo.ini", "Legacy Station\r\nhttp://legacy/\r\n\r\n");
  const StartupRadioList list = loadStartupRadioList(programDir, programDir + "RLists/Other.rls");
  EXPECT_EQ(list.path, defaultPath());
  EXPECT_EQ(list.title, "Tavelo");
  EXPECT_EQ(list.lines.first(), "Legacy Station");
  EXPECT_FALSE(QFile::exists(programDir + "Tavelo.ini"));
  EXPECT_EQ(read("RLists/Tavelo.rls"), "Legacy Station\r\nhttp://legacy/\r\n\r\n");
}

TEST_F(RadioListFiles, LegacyListMovesWhenNoDefaultListExists) {
  write("Tavelo.ini", "Legacy Station\n");
  const StartupRadioList list = loadStartupRadioList(programDir, defaultPath());
  EXPECT_EQ(list.path, defaultPath());
  EXPECT_TRUE(list.error.isEmpty());
  EXPECT_EQ(list.lines.first(), "Legacy Station");
  EXPECT_FALSE(QFile::exists(programDir + "Tavelo.ini"));
}

TEST_F(RadioListFiles, LegacyListThatCannotMoveIsStillUsed) {
  ASSERT_TRUE(QDir(programDir).rmdir("RLists"));
  write("Tavelo.ini", "Legacy Station\n");
  const StartupRadioList list = loadStartupRadioList(programDir, defaultPath());
  EXPECT_FALSE(list.error.isEmpty());
  EXPECT_EQ(list.path, programDir + "Tavelo.ini");
  EXPECT_EQ(list.lines.first(), "Legacy Station");
  EXPECT_TRUE(QFile::exists(programDir + "Tavelo.ini"));
}

TEST_F(RadioListFiles, UnreadableListIsReportedAndNotOverwritten) {
  ASSERT_TRUE(QDir(programDir).mkdir("RLists/Tavelo.rls"));
  const StartupRadioList list = loadStartupRadioList(programDir, defaultPath());
  EXPECT_FALSE(list.error.isEmpty());
  EXPECT_FALSE(list.saveOnClose);
  EXPECT_EQ(list.title, "No Radio List");
  EXPECT_EQ(list.lines.size(), 91);
}

TEST_F(RadioListFiles, ListFileNamesInRLists) {
  write("RLists/Rock.rls", "");
  write("RLists/Jazz.rls", "");
  write("RLists/notes.txt", "");
  write("Top.rls", "");
  ASSERT_TRUE(QDir(programDir).mkdir("RLists/folder.rls"));
  EXPECT_EQ(radioListFileNames(programDir), (QStringList{"Jazz.rls", "Rock.rls"}));
}

}  // namespace
