// Play, Pause and Stop in Audio Files mode, and the main timer's duty: meters, position, the
// advance at the end of an entry, CUE boundaries, the selection return and seeking with the bar.
#include "app/settings_panel.h"
#include "app/tags.h"
#include "engine/engine.h"
#include "files_fixture.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QSystemTrayIcon>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

using namespace tavelo;

namespace {

using Transport = FilesWindow;
using MainTimer = FilesWindow;

TEST_F(Transport, PlayWithAnEmptyListDoesNothing) {
  form->ButtonPlayClick();
  EXPECT_TRUE(form->Stopped);
  EXPECT_FALSE(form->filesMode().paused());
  EXPECT_EQ(form->filesMode().stream(), 0u);
  EXPECT_FALSE(form->Timer1->isActive());
}

TEST_F(Transport, PauseHoldsThePlaceAndPlayResumesIt) {
  open(tone("song.wav", 5));
  waitUntilPosition(0.5);
  form->ButtonPause->click();
  EXPECT_TRUE(form->filesMode().paused());
  EXPECT_EQ(form->windowTitle(), "Pause song.wav");
  EXPECT_EQ(form->TrayIcon1->toolTip(), "Pause song.wav");
  EXPECT_EQ(BASS_ChannelIsActive(form->filesMode().stream()), DWORD{BASS_ACTIVE_PAUSED});
  const double held = positionSeconds();
  tick(3);  // a paused stream is still active: no advance, the meters read 0
  EXPECT_EQ(form->PBL->value(), 0);
  EXPECT_EQ(form->PBR->value(), 0);
  EXPECT_EQ(form->windowTitle(), "Pause song.wav");
  EXPECT_NEAR(positionSeconds(), held, 0.05);

  const std::uint32_t stream = form->filesMode().stream();
  form->ButtonPlay->click();
  EXPECT_FALSE(form->filesMode().paused());
  EXPECT_EQ(form->filesMode().stream(), stream);
  EXPECT_EQ(form->windowTitle(), "Play song.wav");
  EXPECT_EQ(BASS_ChannelIsActive(stream), DWORD{BASS_ACTIVE_PLAYING});
}

TEST_F(Transport, PauseKeyTwiceResumesAndADoubleClickStartsAfresh) {
  open(tone("song.wav", 5));
  waitUntilPosition(1.0);
  form->ButtonPause->click();
  form->ButtonPause->click();
  EXPECT_EQ(form->windowTitle(), "Play song.wav");
  EXPECT_GE(positionSeconds(), 0.9);
  form->ButtonPause->click();
  form->ListBox1DblClick();
  EXPECT_FALSE(form->filesMode().paused());
  EXPECT_LT(positionSeconds(), 0.5);
}

TEST_F(Transport, StopShowsTheStoppedState) {
  open(tone("song.wav", 5));
  form->ButtonStop->click();
  EXPECT_EQ(form->windowTitle(), "AF - Stop song.wav");
  EXPECT_EQ(form->TrayIcon1->toolTip(), "AF - Stop song.wav");
  EXPECT_TRUE(form->Stopped);
  EXPECT_FALSE(form->Timer1->isActive());
  EXPECT_EQ(form->filesMode().stream(), 0u);
  EXPECT_EQ(form->Label1->text(), "00   00:00");
  EXPECT_EQ(form->Label9->text(), "00:00");
  EXPECT_FALSE(form->ButtonPause->isEnabled());
  EXPECT_FALSE(form->ButtonStop->isEnabled());
  EXPECT_FALSE(form->PB1->isEnabled());
  EXPECT_TRUE(form->ButtonPlay->isEnabled());

  form->ButtonPlay->click();
  EXPECT_EQ(form->windowTitle(), "Play song.wav");
  form->ListBox1->clear();  // the list emptied meanwhile
  form->ButtonStopClick();
  EXPECT_EQ(form->windowTitle(), "Audio Files - Stopped");
}

TEST_F(Transport, SampleFloatOpensFloatStreamsAndTheInfoLineDescribesTheStream) {
  form->settingsPanel()->setOptions({.sampleFloat = true});
  form->CheckBoxFullDir->setChecked(false);
  open(tone("song.wav", 5));
  BASS_CHANNELINFO info{};
  ASSERT_TRUE(BASS_ChannelGetInfo(form->filesMode().stream(), &info));
  EXPECT_TRUE(info.flags & BASS_SAMPLE_FLOAT);
  EXPECT_EQ(form->filesMode().StreamInfoText(form->filesMode().stream()), "Bits/Sample=32 Freq=22050 Hz\nChannels=1  BitRate=---- kbps");
}

TEST_F(MainTimer, TimeDisplayShowsElapsedTimeOrTrackLength) {
  open(tone("song.wav", 5));
  tick();
  EXPECT_EQ(form->Label1->text(), "01   00:00");
  EXPECT_EQ(form->Label9->text(), "00:00" + QString(21, ' ') + "00:01" + QString(22, ' ') + "00:02" +
                                       QString(22, ' ') + "00:03" + QString(20, ' ') + "00:05");
  QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 5), form->Label1->mapToGlobal(QPointF(5, 5)),
                      Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(form->Label1, &release);
  tick();
  EXPECT_EQ(form->Label1->text(), "01   00:05");
  form->Label1Click();
  tick();
  EXPECT_EQ(form->Label1->text(), "01   00:00");
}

// The display is formatted only when its time changes; a text shown meanwhile by Stop must
// still give way to the time at the next tick.
TEST_F(MainTimer, TimeDisplayComesBackAfterStopAndPlay) {
  open(tone("song.wav", 5));
  form->Label1Click();
  tick();
  EXPECT_EQ(form->Label1->text(), "01   00:05");
  form->ButtonStop->click();
  EXPECT_EQ(form->Label1->text(), "00   00:00");
  form->ButtonPlay->click();
  tick();
  EXPECT_EQ(form->Label1->text(), "01   00:05");
}

TEST_F(MainTimer, MetersFollowTheSoundAndFallToZeroWhenPaused) {
  open(tone("loud.wav", 5));
  waitUntilPosition(0.5);
  tick();
  // ffmpeg's sine source plays at 1/8 of full scale: 4096 / 327.
  EXPECT_NEAR(form->PBL->value(), 12, 2);
  EXPECT_EQ(form->PBR->value(), form->PBL->value());
  form->ButtonPause->click();
  tick();
  EXPECT_EQ(form->PBL->value(), 0);
}

struct EndCase {
  const char* name;
  int entries;
  int playing;
  bool repeat;
  int next;  // -1: the list stops
};

class EndOfEntry : public FilesWindow, public ::testing::WithParamInterface<EndCase> {};

TEST_P(EndOfEntry, PlaysTheNextEntryOrStops) {
  const EndCase c = GetParam();
  for (int entry = 0; entry < c.entries; ++entry) tone(QStringLiteral("%1.wav").arg(entry), 0.3);
  form->ChBoxRep->setChecked(c.repeat);
  open(music(QStringLiteral("%1.wav").arg(c.playing)));
  const std::uint32_t ended = form->filesMode().stream();
  waitUntilEnded();
  tick();
  if (c.next >= 0) {
    EXPECT_EQ(form->filesMode().currentTrack(), c.next);
    EXPECT_EQ(form->ListBox1->currentRow(), c.next);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Play %1.wav").arg(c.next));
    EXPECT_NE(form->filesMode().stream(), ended);
    EXPECT_TRUE(streamActive());
    EXPECT_TRUE(form->Timer1->isActive());
  } else {
    EXPECT_EQ(form->windowTitle(), "Audio Files - Stopped");
    EXPECT_EQ(form->filesMode().currentTrack(), 0);
    EXPECT_EQ(form->ListBox1->currentRow(), 0);
    EXPECT_EQ(form->Label1->text(), "01   00:00");
    EXPECT_EQ(form->Label9->text(), "00:00");
    EXPECT_TRUE(form->Stopped);
    EXPECT_FALSE(form->Timer1->isActive());
    EXPECT_FALSE(form->ButtonStop->isEnabled());
    EXPECT_EQ(form->filesMode().stream(), 0u);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, EndOfEntry,
                         ::testing::Values(EndCase{"NextEntry", 3, 0, false, 1},
                                           EndCase{"LastEntryStops", 3, 2, false, -1},
                                           EndCase{"LastEntryWithRepeat", 3, 2, true, 0},
                                           EndCase{"SingleEntryStops", 1, 0, false, -1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainTimer, SingleEntryWithRepeatPlaysOverAndOver) {
  form->ChBoxRep->setChecked(true);
  open(tone("only.wav", 0.3));
  for (int round = 0; round < 3; ++round) {
    waitUntilEnded();
    tick();
    EXPECT_TRUE(streamActive()) << round;
    EXPECT_EQ(form->windowTitle(), "Play only.wav");
  }
}

// A broken entry in the middle of a list: the player says so, rests there, and Next goes on.
TEST_F(MainTimer, UnreadableEntryInTheListStopsThereAndNextGoesOn) {
  tone("1.wav", 0.3);
  garbage("2.mp3");
  tone("3.wav", 2);
  open(music("1.wav"));
  ASSERT_EQ(items(), (QStringList{"1.wav", "2.mp3", "3.wav"}));
  waitUntilEnded();
  tick();
  EXPECT_EQ(form->windowTitle(), "Unsupported File Format.");
  EXPECT_EQ(form->filesMode().currentTrack(), 1);
  EXPECT_EQ(form->ListBox1->currentRow(), 1);
  EXPECT_TRUE(form->Stopped);
  EXPECT_FALSE(form->Timer1->isActive());
  EXPECT_EQ(items().size(), 3);

  form->ButtonNext->click();
  EXPECT_EQ(form->windowTitle(), "Play 3.wav");
  EXPECT_TRUE(streamActive());
  EXPECT_FALSE(form->Stopped);
}

TEST_F(MainTimer, CueBoundaryIsCrossedWhileTheFilePlaysOn) {
  const QString album = tone("album.wav", 6);
  open(text("album.cue", "FILE \"album.wav\" WAVE\nTRACK 01 AUDIO\nTITLE \"t1\"\nINDEX 01 00:00:00\n"
                         "TRACK 02 AUDIO\nTITLE \"t2\"\nINDEX 01 00:02:00\n"));
  ASSERT_EQ(form->filesMode().cueRecord(), (CueRecord{album, {{"t1", 0}, {"t2", 2}}}));
  const std::uint32_t stream = form->filesMode().stream();
  tick();
  EXPECT_EQ(form->filesMode().currentTrack(), 1);
  waitUntilPosition(2.6);  // the elapsed time, rounded, has passed track 1's 2 s
  tick();
  EXPECT_EQ(form->filesMode().currentTrack(), 2);
  EXPECT_EQ(form->ListBox1->currentRow(), 2);
  EXPECT_EQ(form->windowTitle(), "Play 02. t2");
  EXPECT_EQ(form->filesMode().trackLength(), 4);
  EXPECT_EQ(form->PB1->value(), 0);
  EXPECT_TRUE(form->Label9->text().endsWith("00:04"));
  EXPECT_EQ(form->filesMode().stream(), stream);
  EXPECT_TRUE(streamActive());
  tick();
  EXPECT_TRUE(form->Label1->text().startsWith("02   00:0"));

  waitUntilEnded();
  tick();  // the end of the sheet without Repeat: stopped on track 1
  EXPECT_EQ(form->windowTitle(), "Audio Files - Stopped");
  EXPECT_EQ(form->filesMode().currentTrack(), 1);
  EXPECT_EQ(form->ListBox1->currentRow(), 1);
}

TEST_F(MainTimer, CueSheetWithRepeatStartsAgainAtTrackOne) {
  tone("album.wav", 1.5);
  form->ChBoxRep->setChecked(true);
  open(text("album.cue", "FILE \"album.wav\" WAVE\nTRACK 01 AUDIO\nTITLE \"t1\"\nINDEX 01 00:00:00\n"
                         "TRACK 02 AUDIO\nTITLE \"t2\"\nINDEX 01 00:01:00\n"));
  form->ButtonNext->click();
  waitUntilEnded();
  tick();
  EXPECT_EQ(form->filesMode().currentTrack(), 1);
  EXPECT_EQ(form->windowTitle(), "Play 01. t1");
  EXPECT_TRUE(streamActive());
}

TEST_F(MainTimer, SelectionReturnsToThePlayingEntryAfterFourTicks) {
  tone("a.wav", 5);
  open(tone("b.wav", 5));
  form->ListBox1->setCurrentRow(0);
  form->ListBox1MouseDown();
  tick(3);
  EXPECT_EQ(form->ListBox1->currentRow(), 0);
  tick();
  EXPECT_EQ(form->ListBox1->currentRow(), 1);

  emit form->PM1->aboutToShow();  // while the context menu is open the user's choice stays
  form->ListBox1->setCurrentRow(0);
  tick(6);
  EXPECT_EQ(form->ListBox1->currentRow(), 0);
}

TEST_F(MainTimer, ClickOnTheBarSeeksAndHoverShowsTheTime) {
  open(tone("long.mp3", 300));
  form->PB1->resize(391, form->PB1->height());
  ASSERT_EQ(form->filesMode().trackLength(), 300);
  QMouseEvent release(QEvent::MouseButtonRelease, QPointF(390, 5), form->PB1->mapToGlobal(QPointF(390, 5)),
                      Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(form->PB1, &release);
  EXPECT_EQ(form->PB1->value(), 99);
  EXPECT_NEAR(positionSeconds(), 297, 0.3);
  tick();
  EXPECT_EQ(form->Label1->text(), "01   04:57");
  EXPECT_EQ(form->PB1->value(), 99);

  form->PB1MouseMove(195);
  EXPECT_TRUE(form->Label30->isVisibleTo(form->Panel2));
  EXPECT_EQ(form->Label30->text(), "02:29");
  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(form->PB1, &leave);
  EXPECT_FALSE(form->Label30->isVisibleTo(form->Panel2));
}

}  // namespace
