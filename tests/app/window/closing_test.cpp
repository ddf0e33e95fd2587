// Closing writes the settings files once, atomically, and reports what it could not write.
#include "program_folder.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QSlider>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

QStringList linesOf(const QByteArray& text) {
  QStringList lines = QString::fromUtf8(text).split("\r\n");
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  return lines;
}

TEST(Closing, FirstCloseOnAnEmptyFolderWritesDefaults) {
  ProgramFolder folder;
  {
    StartedForm form(folder);
    ASSERT_TRUE(form.create());
    form->FormClose();
    EXPECT_EQ(form->windowTitle(), "Closing Tavelo ...");
    EXPECT_FALSE(form->Timer2->isActive());
  }
  const QStringList settings = linesOf(folder.read("Settings.ini"));
  ASSERT_EQ(settings.size(), 21);
  EXPECT_EQ(settings[0], folder.path() + "Record");
  EXPECT_EQ(settings[2], folder.path() + "RLists/Tavelo.rls");
  EXPECT_EQ(settings[3], "No CD drives found");
  EXPECT_EQ(settings[4], "1");
  EXPECT_EQ(settings[5], "0");
  EXPECT_EQ(settings[9], "012");
  EXPECT_EQ(settings[10], "0^0^0^0^0^");
  EXPECT_EQ(settings[11], "15^15^15^15^15^15^15^");
  EXPECT_EQ(settings[20], "0");
  const QStringList radioList = linesOf(folder.read("RLists/Tavelo.rls"));
  ASSERT_EQ(radioList.size(), 91);
  EXPECT_EQ(radioList.last(), QString(30, '0'));
  EXPECT_FALSE(folder.exists("IRRCcomm.ini"));
}

TEST(Closing, WrittenSettingsReadBackAndWriteAgainByteForByte) {
  ProgramFolder folder;
  const QByteArray written =
      crlfLines({"/rec", "33", folder.path() + "RLists/Mine.rls", "No CD drives found", "0", "1", "6^5^",
                 "/a.sf2^/b.sf2^", "0", "120", "1^0^0^0^1^", "1^2^3^4^5^6^7^", "/rip^6^2^",
                 "host^8080^user^secret^1^2^ann@example.org^", "0^ttyS0^on^", "0", "0", "0", "0", "0", "0"});
  folder.write("Settings.ini", written);
  for (int run = 0; run < 2; ++run) {
    StartedForm form(folder);
    ASSERT_TRUE(form.create());
  }
  EXPECT_EQ(folder.read("Settings.ini"), written);
}

TEST(Closing, RunsOnceWhoeverAsks) {
  ProgramFolder folder;
  StartedForm form(folder);
  ASSERT_TRUE(form.create());
  form->findChild<QAction*>("CloseApp")->trigger();
  ASSERT_TRUE(folder.exists("Settings.ini"));
  QFile::remove(folder.path() + "Settings.ini");
  form->SessionEnding();
  form->close();
  form->FormClose();
  EXPECT_FALSE(folder.exists("Settings.ini"));
}

TEST(Closing, SessionEndSetsTheSystemShutdownFlagAndSaves) {
  ProgramFolder folder;
  StartedForm form(folder);
  ASSERT_TRUE(form.create());
  form->ChBoxRep->setChecked(true);
  form->SessionEnding();
  EXPECT_TRUE(form->SystemShutdown);
  EXPECT_EQ(linesOf(folder.read("Settings.ini")).value(5), "1");
}

TEST(Closing, RemoteCommandsAreWrittenOnlyWhileTheRemoteIsInUse) {
  const QByteArray existing = "kept as it was\r\n";
  for (const bool inUse : {false, true}) {
    SCOPED_TRACE(inUse);
    ProgramFolder folder;
    folder.write("IRRCcomm.ini", existing);
    folder.write("Settings.ini", crlfLines({"/rec", "10", "", " ", "1", "0", "0^4^", "", "0", "012", "0^0^0^0^0^",
                                            "", "^0^4^", "^^^^0^0^", inUse ? "1^ttyS0^off^" : "0^^^"}));
    {
      StartedForm form(folder);
      ASSERT_TRUE(form.create());
      form->IRCommands[0] = "code";
      form->IRCommands[1] = "1";
    }
    const QStringList lines = linesOf(folder.read("IRRCcomm.ini"));
    if (inUse) {
      EXPECT_EQ(lines.size(), 120);
      EXPECT_EQ(lines.mid(0, 2), QStringList({"code", "1"}));
    } else {
      EXPECT_EQ(folder.read("IRRCcomm.ini"), existing);
    }
  }
}

TEST(Closing, AFileThatCannotBeWrittenIsReportedOnceAndTheRestIsSaved) {
  ProgramFolder folder;
  const QString unreachable = folder.path() + "gone/Tavelo.rls";
  folder.write("Settings.ini", crlfLines({"/rec", "10", unreachable}));
  StartedForm form(folder);
  ASSERT_TRUE(form.create());
  form->FormClose();
  ASSERT_EQ(form.dialogs.messages.size(), 1);
  EXPECT_TRUE(form.dialogs.messages[0].contains("gone/Tavelo.rls"));
  EXPECT_EQ(linesOf(folder.read("Settings.ini")).value(2), unreachable);
}

TEST(Closing, SeveralFailuresMakeOneReport) {
  ProgramFolder folder;
  folder.write("Settings.ini", crlfLines({"/rec", "10", folder.path() + "gone/Tavelo.rls"}));
  StartedForm form(folder);
  ASSERT_TRUE(form.create());
  // A folder where the settings file belongs cannot be replaced by a file.
  QFile::remove(folder.path() + "Settings.ini");
  QDir().mkpath(folder.path() + "Settings.ini");
  form->FormClose();
  ASSERT_EQ(form.dialogs.messages.size(), 1);
  EXPECT_TRUE(form.dialogs.messages[0].contains("Tavelo.rls"));
  EXPECT_TRUE(form.dialogs.messages[0].contains("Settings.ini"));
}

TEST(Closing, DuringSystemShutdownNoDialogWaitsForAnAnswer) {
  ProgramFolder folder;
  folder.write("Settings.ini", crlfLines({"/rec", "10", folder.path() + "gone/Tavelo.rls"}));
  StartedForm form(folder);
  ASSERT_TRUE(form.create());
  form->SessionEnding();
  EXPECT_TRUE(form.dialogs.messages.isEmpty());
  EXPECT_TRUE(folder.exists("Settings.ini"));
}

}  // namespace
