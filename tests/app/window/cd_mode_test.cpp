// The Audio CD mode on a real window whose engine finds no CD drive and opens no CD image:
// start-up with bad sheets in "CD Images", an empty drive in the mode, the lock glyph that follows
// the engine, the transport of an empty list, and the CDDB e-mail kept in the settings.
#include "app/glyphs.h"
#include "app/settings_panel.h"
#include "program_folder.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

const QString kUnlocked = QStringLiteral("\u041F");
const QString kLocked = QStringLiteral("\u0420");

QStringList linesOf(const QByteArray& text) {
  QStringList lines = QString::fromUtf8(text).split(QStringLiteral("\r\n"));
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  return lines;
}

// Settings with Audio CD first in the mode order, and a CDDB e-mail.
QByteArray cdFirstSettings(const ProgramFolder& folder) {
  return crlfLines({folder.path() + "Record", "10", "", "sr9: Gone - Drive", "1", "0", "0^4^", "", "0", "102",
                    "0^0^0^0^0^", "15^15^15^15^15^15^15^", "/rip^0^4^", "^^^^1^0^ann@example.org^", "0^^^"});
}

class CdWindow : public ::testing::Test {
 protected:
  void start() {
    QDir().mkpath(folder.path() + "CD Images");
    folder.write("CD Images/empty.toc", "");
    folder.write("CD Images/random.cue", QByteArray(4096, '\x5a'));
    folder.write("CD Images/missing data.cue", "FILE \"gone.bin\" BINARY\r\n  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n");
    QFile huge(folder.path() + "CD Images/huge.toc");
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize(50 << 20));
    huge.close();
    folder.write("Settings.ini", cdFirstSettings(folder));
    form = std::make_unique<StartedForm>(folder);
    ASSERT_TRUE(form->create());
    (*form)->Timer2->stop();
  }
  TFormMyTavelo& window() { return **form; }
  void tick(int count) {
    for (int i = 0; i < count; ++i) window().Timer1Timer();
  }

  ProgramFolder folder;
  std::unique_ptr<StartedForm> form;
};

TEST_F(CdWindow, NoDriveAndNoReadableImageListsNoDrive) {
  ASSERT_NO_FATAL_FAILURE(start());
  EXPECT_EQ(window().CBCDdrives->count(), 1);
  EXPECT_EQ(window().CBCDdrives->currentText(), QStringLiteral("No CD drives found"));
  EXPECT_EQ(window().cdMode().currentDrive(), 0);
  window().FormClose();
  EXPECT_EQ(linesOf(folder.read("Settings.ini")).value(3), QStringLiteral("No CD drives found"));
}

TEST_F(CdWindow, AnEmptyDriveLeavesTheListEmptyAndTheTransportOff) {
  ASSERT_NO_FATAL_FAILURE(start());
  ASSERT_EQ(window().CurrentMode, int(PlayMode::AudioCd));
  EXPECT_TRUE(window().Timer1->isActive()) << "the main timer watches the drive";
  EXPECT_EQ(window().ButtonOpen->text(), QStringLiteral("Open/Close"));
  tick(6);
  EXPECT_EQ(window().ListBox1->count(), 0);
  for (QPushButton* button : {window().ButtonPause, window().ButtonStop, window().ButtonPrev, window().ButtonNext})
    EXPECT_FALSE(button->isEnabled()) << button->objectName().toStdString();
  const QString caption = window().windowTitle();
  window().ButtonPlayClick();
  window().ButtonNextClick();
  EXPECT_EQ(window().windowTitle(), caption) << "nothing to play";
  window().ButtonStopClick();
  EXPECT_EQ(window().windowTitle(), QStringLiteral("Audio CD - Stopped"));
  EXPECT_TRUE(window().Stopped);
  EXPECT_TRUE(form->dialogs.messages.isEmpty()) << form->dialogs.messages.join('|').toStdString();
  EXPECT_TRUE(window().cddbSettings().use) << "no disc, no lookup, even with CDDB on";
}

TEST_F(CdWindow, LockGlyphFollowsTheDoorTheEngineReports) {
  ASSERT_NO_FATAL_FAILURE(start());
  tick(2);
  EXPECT_EQ(glyphOf(window().BLockUnlock), kUnlocked);
  window().BLockUnlockClick();
  EXPECT_EQ(glyphOf(window().BLockUnlock), kLocked) << "the click shows what it asked for";
  EXPECT_EQ(window().BLockUnlock->property("tag").toInt(), 1);
  tick(2);
  EXPECT_EQ(glyphOf(window().BLockUnlock), kUnlocked) << "the poll shows the door as it is";
}

TEST_F(CdWindow, OpeningTheDoorOfAnEmptyDriveKeepsThePlayerStopped) {
  ASSERT_NO_FATAL_FAILURE(start());
  window().ButtonOpenClick();
  tick(4);
  EXPECT_FALSE(window().cdMode().paused());
  EXPECT_EQ(window().ListBox1->count(), 0);
  EXPECT_TRUE(window().Stopped);
}

TEST_F(CdWindow, CddbEmailIsReadShownAndWrittenBack) {
  ASSERT_NO_FATAL_FAILURE(start());
  auto* email = window().settingsPanel()->findChild<QLineEdit*>(QStringLiteral("edt_cddbmail"));
  ASSERT_NE(email, nullptr);
  EXPECT_EQ(email->text(), QStringLiteral("ann@example.org"));
  EXPECT_EQ(window().cddbSettings().email, QStringLiteral("ann@example.org"));
  email->setText(QStringLiteral("  bob@example.net "));
  EXPECT_EQ(window().cddbSettings().email, QStringLiteral("bob@example.net"));
  window().FormClose();
  EXPECT_EQ(linesOf(folder.read("Settings.ini")).value(13), QStringLiteral("^^^^1^0^bob@example.net^"));
}

TEST_F(CdWindow, ServerBoxListsTwelveItemsOfOneServer) {
  ASSERT_NO_FATAL_FAILURE(start());
  auto* servers = window().settingsPanel()->findChild<QComboBox*>(QStringLiteral("cb_CDDBserver"));
  ASSERT_EQ(servers->count(), 12);
  for (int item = 0; item < servers->count(); ++item)
    EXPECT_TRUE(servers->itemText(item).startsWith(QStringLiteral("gnudb.gnudb.org "))) << item;
}

}  // namespace
