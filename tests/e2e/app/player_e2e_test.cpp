// The player as users start it: an empty program folder, a second copy, a read-only folder, a display.
#include "player_process.h"
#include "virtual_display.h"

#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

const QString kHandOver = QStringLiteral("hand-over received:");

QStringList crlfSplit(const QByteArray& text) {
  QStringList lines = QString::fromUtf8(text).split(QStringLiteral("\r\n"));
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  return lines;
}

TEST(Player, EmptyFolderClosedBySigtermLeavesDefaultSettingsAndRadioList) {
  RuntimeFolder runtime;
  PlayerFolder folder;
  PlayerProcess player(folder, runtime);
  ASSERT_TRUE(player.startAndWaitUntilReady()) << player.output().toStdString();
  EXPECT_EQ(player.terminateAndWait(), 0) << player.output().toStdString();

  const QStringList settings = crlfSplit(folder.read(QStringLiteral("Settings.ini")));
  ASSERT_EQ(settings.size(), 21);
  EXPECT_EQ(settings[0], folder.path() + "Record");
  EXPECT_EQ(settings[2], folder.path() + "RLists/Tavelo.rls");
  EXPECT_EQ(settings[4], "1");   // Play Full Dir
  EXPECT_EQ(settings[5], "0");   // Repeat
  EXPECT_EQ(settings[9], "012");  // Audio Files, Audio CD, Net Radio
  const QStringList radioList = crlfSplit(folder.read(QStringLiteral("RLists/Tavelo.rls")));
  ASSERT_EQ(radioList.size(), 91);
  EXPECT_EQ(radioList.last(), QString(30, QLatin1Char('0')));
  EXPECT_EQ(folder.entries(), QStringList({"RLists", "RLists/Tavelo.rls", "Settings.ini", "tavelo"}));
}

TEST(Player, HangupSavesLikeTerminate) {
  RuntimeFolder runtime;
  PlayerFolder folder;
  PlayerProcess player(folder, runtime);
  ASSERT_TRUE(player.startAndWaitUntilReady()) << player.output().toStdString();
  EXPECT_EQ(player.terminateAndWait(SIGHUP), 0) << player.output().toStdString();
  EXPECT_EQ(crlfSplit(folder.read(QStringLiteral("Settings.ini"))).size(), 21);
}

TEST(Player, SecondCopyHandsItsFileOverAndTouchesNothing) {
  RuntimeFolder runtime;
  PlayerFolder firstFolder;
  PlayerProcess first(firstFolder, runtime);
  ASSERT_TRUE(first.startAndWaitUntilReady()) << first.output().toStdString();

  PlayerFolder secondFolder;
  PlayerProcess withoutFile(secondFolder, runtime);
  ASSERT_TRUE(withoutFile.runToEnd({}));
  EXPECT_EQ(withoutFile.exitCode(), 0);

  PlayerProcess withFile(secondFolder, runtime);
  ASSERT_TRUE(withFile.runToEnd({QStringLiteral("song.mp3")}));
  EXPECT_EQ(withFile.exitCode(), 0);
  // A relative path is resolved in the folder the second copy was started in.
  const QString expected = kHandOver + QStringLiteral(" \"%1song.mp3\"").arg(secondFolder.path());
  ASSERT_TRUE(first.waitForOutput(expected)) << first.output().toStdString();
  // The copy without a file delivered nothing: the one file is the only hand-over seen.
  EXPECT_EQ(first.output().count(kHandOver), 1);
  EXPECT_EQ(secondFolder.entries(), QStringList{"tavelo"});

  EXPECT_EQ(first.terminateAndWait(), 0);
}

// A second of 8-bit mono silence at 8 kHz: a WAVE file any build of the player reads.
QByteArray silentWave() {
  constexpr quint32 kRate = 8000;
  QByteArray wave;
  const auto u32 = [&wave](quint32 value) { for (int i = 0; i < 4; ++i) wave.append(char(value >> (8 * i))); };
  const auto u16 = [&wave](quint16 value) { wave.append(char(value)).append(char(value >> 8)); };
  wave.append("RIFF");
  u32(36 + kRate);
  wave.append("WAVEfmt ");
  u32(16);
  u16(1);  // PCM
  u16(1);  // mono
  u32(kRate);
  u32(kRate);
  u16(1);
  u16(8);
  wave.append("data");
  u32(kRate);
  wave.append(QByteArray(kRate, char(0x80)));
  return wave;
}

TEST(Player, RelativeCommandLinePathFromAnotherFolderPlays) {
  RuntimeFolder runtime;
  PlayerFolder folder;
  QTemporaryDir music;
  for (const char* name : {"song.wav", "other.wav"}) {  // a folder, as Play Full Dir reads it
    QFile file(music.filePath(QString::fromLatin1(name)));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(silentWave());
  }
  PlayerProcess player(folder, runtime);
  player.setWorkingDirectory(music.path());
  ASSERT_TRUE(player.startAndWaitUntilReady({QStringLiteral("song.wav")})) << player.output().toStdString();
  EXPECT_TRUE(player.waitForOutput(QStringLiteral("caption: Play song.wav"))) << player.output().toStdString();
  EXPECT_FALSE(player.output().contains(QStringLiteral("Unsupported File Format.")));
  EXPECT_EQ(player.terminateAndWait(), 0);
}

TEST(Player, CopyThatDiedDoesNotKeepTheNextOneFromStarting) {
  RuntimeFolder runtime;
  PlayerFolder folder;
  {
    PlayerProcess crashed(folder, runtime);
    ASSERT_TRUE(crashed.startAndWaitUntilReady()) << crashed.output().toStdString();
  }  // killed: its socket file stays behind
  PlayerProcess next(folder, runtime);
  ASSERT_TRUE(next.startAndWaitUntilReady()) << next.output().toStdString();
  EXPECT_EQ(next.terminateAndWait(), 0);
}

TEST(Player, ReadOnlyFolderReportsTheFailureOnceAndStillExitsCleanly) {
  RuntimeFolder runtime;
  PlayerFolder folder;
  const QByteArray oldSettings = "old settings\r\n";
  {
    QFile settings(folder.path() + "Settings.ini");
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write(oldSettings);
  }
  const QString dir = folder.path().chopped(1);
  QFile::setPermissions(dir, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup |
                                 QFile::ReadOther | QFile::ExeOther);
  PlayerProcess player(folder, runtime);
  if (::geteuid() == 0) {
    // Root writes anywhere; the player runs as "nobody" to meet the read-only folder.
    constexpr unsigned kNobody = 65534;
    runtime.giveTo(kNobody, kNobody);
    player.runAs(kNobody, kNobody);
  }
  ASSERT_TRUE(player.startAndWaitUntilReady()) << player.output().toStdString();
  const int exitCode = player.terminateAndWait();
  QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

  EXPECT_EQ(exitCode, 0) << player.output().toStdString();
  EXPECT_EQ(player.output().count(QStringLiteral("tavelo.app: Can't write")), 1) << player.output().toStdString();
  EXPECT_TRUE(player.output().contains(QStringLiteral("Settings.ini")));
  EXPECT_EQ(folder.read(QStringLiteral("Settings.ini")), oldSettings);
  EXPECT_EQ(folder.entries(), QStringList({"Settings.ini", "tavelo"}));
}

TEST(Player, WindowIsFoundByItsClassUnderX11) {
  if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty() ||
      QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) {
    GTEST_SKIP() << "Xvfb and xdotool are needed";
  }
  VirtualDisplay display;
  ASSERT_FALSE(display.display().isEmpty());
  RuntimeFolder runtime;
  PlayerFolder folder;
  PlayerProcess player(folder, runtime);
  player.setDisplay(display.display());
  player.start();
  const QString window = playerWindow(display.display());
  ASSERT_FALSE(window.isEmpty()) << player.output().toStdString();
  EXPECT_EQ(runTool(display.display(), {QStringLiteral("getwindowname"), window}),
            "Tavelo Mode ->  Audio Files");
  EXPECT_EQ(player.terminateAndWait(), 0);
}

}  // namespace
