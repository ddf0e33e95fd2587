// The mode switch on a real window: the user's order, the refusals, each mode's layout, leaving
// Net Radio, and the window's size rule.
#include "app/equalizer_panel.h"
#include "app/glyphs.h"
#include "app/settings_panel.h"
#include "app/tags.h"
#include "audio_files.h"
#include "engine/engine.h"
#include "modes_fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QSystemTrayIcon>
#include <QTest>
#include <QToolButton>

using namespace tavelo;

namespace {

void expectMode(TFormMyTavelo& form, int mode, int step, const char* caption) {
  EXPECT_EQ(form.CurrentMode, mode);
  EXPECT_EQ(form.ModeStep, step);
  EXPECT_EQ(form.windowTitle(), QString::fromLatin1(caption));
  EXPECT_EQ(form.TrayIcon1->toolTip(), form.windowTitle());
}

using ModeSwitch = ModesWindow;

TEST_F(ModeSwitch, StartsInTheFirstModeAndStepsThroughTheUsersOrder) {
  ASSERT_NO_FATAL_FAILURE(start("201"));  // Net Radio, Audio Files, Audio CD
  expectMode(form(), 2, 0, "Tavelo Mode ->  Net Radio");
  const struct {
    int mode, step;
    const char* caption;
  } clicks[] = {
      {0, 1, "Tavelo Mode ->  Audio Files"},
      {1, 2, "Tavelo Mode ->  Audio CD"},
      {2, 0, "Tavelo Mode ->  Net Radio"},
  };
  for (const auto& expected : clicks) {
    SCOPED_TRACE(expected.caption);
    QTest::mouseClick(form().Image1, Qt::LeftButton);
    expectMode(form(), expected.mode, expected.step, expected.caption);
    EXPECT_EQ(form().Label2->text(), modeName(PlayMode(expected.mode)));
    EXPECT_EQ(form().Image1->pixmap().toImage(), form().IList1[expected.mode].toImage());
  }
  EXPECT_TRUE(started->dialogs.messages.isEmpty());
}

TEST_F(ModeSwitch, RefusedWhilePlayingOrRecordingAndNothingChanges) {
  ASSERT_NO_FATAL_FAILURE(start("201"));
  QTest::mouseClick(form().Image1, Qt::LeftButton);  // Audio Files, step 1
  form().ListBox1->addItem(QStringLiteral("a.mp3"));
  const struct {
    bool stopped;
    bool recording;
    const char* message;
  } cases[] = {
      {false, false, "First stop current track!"},
      {false, true, "First stop current track!"},
      {true, true, "Record in Process! Stop Record and try again."},
  };
  auto& messages = started->dialogs.messages;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    messages.clear();
    form().Stopped = c.stopped;
    form().radioMode().setRecordRunning(c.recording);
    QTest::mouseClick(form().Image1, Qt::LeftButton);
    EXPECT_EQ(messages, QStringList{QString::fromLatin1(c.message)});
    expectMode(form(), 0, 1, "Tavelo Mode ->  Audio Files");
    EXPECT_EQ(form().ListBox1->count(), 1);
  }
  form().Stopped = true;
  form().radioMode().setRecordRunning(false);
}

TEST_F(ModeSwitch, EachModeShowsItsOwnLayout) {
  ASSERT_NO_FATAL_FAILURE(start("012"));
  TFormMyTavelo& f = form();
  const struct {
    int height;
    bool stations, drives, decode, list, position, fullDir, timer1, play;
    const char* openCaption;
    const char* heading;
  } layouts[] = {
      {382, false, false, true, true, true, true, false, false, "Open", "Track    Min   Sec"},
      {382, false, true, true, true, true, false, true, true, "Open/Close", "Track    Min   Sec"},
      {309, true, false, false, false, false, false, false, true, "Open/Close", "Radio    Min   Sec"},
  };
  for (int mode = 0; mode < 3; ++mode) {
    SCOPED_TRACE(mode);
    if (mode > 0) QTest::mouseClick(f.Image1, Qt::LeftButton);
    const auto& expected = layouts[mode];
    ASSERT_EQ(f.CurrentMode, mode);
    EXPECT_EQ(f.height(), f.FrameHeight + expected.height);
    EXPECT_EQ(f.p_SelButtons->isVisible(), expected.stations);
    EXPECT_EQ(f.p_radio->isVisible(), expected.stations);
    EXPECT_EQ(f.CBCDdrives->isVisible(), expected.drives);
    EXPECT_EQ(f.sb_decode->isVisible(), expected.decode);
    EXPECT_EQ(f.chb_decodeAll->isVisible(), expected.decode);
    EXPECT_EQ(f.ListBox1->isVisible(), expected.list);
    EXPECT_EQ(f.Panel2->isVisible(), expected.position);
    EXPECT_EQ(f.CheckBoxFullDir->isVisible(), expected.fullDir);
    EXPECT_EQ(f.Timer1->isActive(), expected.timer1);
    EXPECT_EQ(tagOf(f.Timer1), 0);
    EXPECT_EQ(f.ButtonPlay->isEnabled(), expected.play);
    EXPECT_EQ(f.ButtonOpen->text(), QString::fromLatin1(expected.openCaption));
    EXPECT_EQ(f.Label3->text(), QString::fromLatin1(expected.heading));
    EXPECT_EQ(f.Label1->text(), "00   00:00");
    EXPECT_FALSE(f.ButtonNext->isEnabled() || f.ButtonPrev->isEnabled());
    EXPECT_EQ(f.settingsPanel()->y(), mode == 2 ? 140 : 200);
    EXPECT_EQ(f.eqPanel()->y(), mode == 2 ? 132 : 193);
    // The Repeat box and the drive list never overlap; the radio panels never cover the volume bar.
    EXPECT_FALSE(f.CBCDdrives->isVisible() && f.CBCDdrives->geometry().intersects(f.ChBoxRep->geometry()));
    EXPECT_FALSE(f.p_radio->isVisible() && f.p_radio->geometry().intersects(f.TrackBar1->geometry()));
    EXPECT_FALSE(f.p_SelButtons->isVisible() && f.p_SelButtons->geometry().intersects(f.p_info->geometry()));
    EXPECT_LE(f.TrackBar1->geometry().bottom(), f.height());
  }
  EXPECT_EQ(f.BLockUnlock->toolTip(), "Lock/Unlock door");  // Net Radio leaves the Audio CD face
}

TEST_F(ModeSwitch, EnteringAudioFilesClearsTheListAndDisablesTheTransport) {
  tavelo::test::TempDir media;
  tavelo::test::writeWav(media.file("album.wav"), 44100, 2, 44100 * 5, tavelo::test::sine(440, 44100));
  const QString sheet = QString::fromStdString(media.file("album.cue"));
  QFile cue(sheet);
  ASSERT_TRUE(cue.open(QIODevice::WriteOnly));
  cue.write("FILE \"album.wav\" WAVE\r\n  TRACK 01 AUDIO\r\n    TITLE \"t1\"\r\n    INDEX 01 00:00:00\r\n");
  cue.close();
  ASSERT_NO_FATAL_FAILURE(start("012"));
  started->dialogs.chosenFiles.enqueue({sheet});
  form().ButtonOpenClick();
  ASSERT_FALSE(form().filesMode().cueRecord().isEmpty());
  form().ButtonStopClick();
  QTest::mouseClick(form().Image1, Qt::LeftButton);  // Audio CD
  QTest::mouseClick(form().Image1, Qt::LeftButton);  // Net Radio
  form().ListBox1->addItems({"a.mp3", "b.mp3"});
  form().ButtonStop->setEnabled(true);
  form().ButtonPause->setEnabled(true);
  QTest::mouseClick(form().Image1, Qt::LeftButton);
  EXPECT_EQ(form().ListBox1->count(), 0);
  EXPECT_TRUE(form().filesMode().cueRecord().isEmpty());
  EXPECT_FALSE(form().ButtonStop->isEnabled() || form().ButtonPause->isEnabled() || form().ButtonPlay->isEnabled());
  EXPECT_TRUE(form().ListBox1->acceptDrops());
  EXPECT_EQ(form().ButtonOpen->toolTip(), "Open file (O)");
  EXPECT_EQ(glyphOf(form().BLockUnlock), "+");
  EXPECT_TRUE(form().BLockUnlock->font().bold());
  EXPECT_EQ(form().BLockUnlock->toolTip(), "Add files");
}

TEST_F(ModeSwitch, LeavingNetRadioFreesTheStationsStreamAndResetsTheRadioPanel) {
  tavelo::test::TempDir media;
  const std::string wav = media.file("station.wav");
  tavelo::test::writeWav(wav, 44100, 2, 44100 * 5, tavelo::test::sine(440, 44100));
  ASSERT_NO_FATAL_FAILURE(start("201"));
  TFormMyTavelo& f = form();
  f.radioMode().setStream(StreamHandle(BASS_StreamCreateFile(0, wav.c_str(), 0, 0, 0)));
  const HSTREAM station = f.radioMode().stream();
  ASSERT_NE(station, 0u);
  ASSERT_TRUE(BASS_ChannelPlay(station, 0));
  f.Timer1->start();
  f.PBL->setValue(70);
  f.PBR->setValue(60);
  setTag(f.BnetRadioPause, 1);
  setGlyph(f.BnetRadioPause, QStringLiteral("4"));
  f.Label4->setText(QStringLiteral("Station"));
  f.Label5->setText(QStringLiteral("Artist - Title"));

  QTest::mouseClick(f.Image1, Qt::LeftButton);
  EXPECT_EQ(f.CurrentMode, 0);
  EXPECT_EQ(f.radioMode().stream(), 0u);
  EXPECT_EQ(BASS_ChannelIsActive(station), DWORD(BASS_ACTIVE_STOPPED));
  EXPECT_EQ(BASS_ErrorGetCode(), int(BASS_ERROR_HANDLE));
  EXPECT_FALSE(f.Timer1->isActive());
  EXPECT_EQ(f.PBL->value(), 0);
  EXPECT_EQ(f.PBR->value(), 0);
  EXPECT_EQ(tagOf(f.BnetRadioPause), 0);
  EXPECT_EQ(glyphOf(f.BnetRadioPause), ";");
  EXPECT_EQ(f.BnetRadioPause->toolTip(), "Pause Current Radio (Space)");
  EXPECT_EQ(f.Label4->text(), "");
  EXPECT_EQ(f.Label5->text(), "Not playing");
  EXPECT_FALSE(f.p_radio->isVisible());
}

TEST_F(ModeSwitch, AudioCdTakesTheSelectedDriveAndTheDoorFace) {
  ASSERT_NO_FATAL_FAILURE(start("102"));
  EXPECT_EQ(form().CurrentMode, 1);
  EXPECT_EQ(form().cdMode().currentDrive(), form().CBCDdrives->currentIndex());
  EXPECT_EQ(glyphOf(form().BLockUnlock), QStringLiteral("\u041F"));
  EXPECT_FALSE(form().BLockUnlock->font().bold());
  EXPECT_FALSE(form().ListBox1->acceptDrops());
  EXPECT_EQ(form().ButtonOpen->toolTip(), "Open/Close door");
}

TEST_F(ModeSwitch, ResizeKeepsTheWidthAndLetsTheListFollowTheHeight) {
  ASSERT_NO_FATAL_FAILURE(start("012"));
  TFormMyTavelo& f = form();
  const struct {
    int mode;
    int askedWidth, askedHeight;
    int width, height, listHeight;
  } cases[] = {
      {0, 500, 600, 408, 600, 374},
      {0, 408, 150, 408, 150, 0},  // the list never gets a negative height
      {1, 408, 420, 408, 420, 194},
      {2, 408, 600, 408, 309, 83},  // Net Radio is no taller than its layout
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.askedHeight);
    while (f.CurrentMode != c.mode) QTest::mouseClick(f.Image1, Qt::LeftButton);
    f.resize(c.askedWidth, c.askedHeight);
    QCoreApplication::processEvents();
    EXPECT_EQ(f.width(), c.width);
    EXPECT_EQ(f.height(), c.height);
    EXPECT_EQ(f.ListBox1->height(), c.listHeight);
  }
}

}  // namespace
