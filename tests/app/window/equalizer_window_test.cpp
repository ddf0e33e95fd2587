// The equaliser in the window: "EQ" and "Enable EQ" switching the bands on the file that plays,
// heard in its level; one set of bands per stream; the panel's place and the label's colours.
#include "app/equalizer_panel.h"
#include "engine/engine.h"
#include "files_fixture.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QSlider>
#include <QTest>
#include <cmath>
#include <thread>

using namespace tavelo;

namespace {

constexpr int kTop = 0;  // the slider at its top: +15 dB
constexpr int kSettleMs = 3000;  // far more than the device queue a change waits behind

class EqualizerWindow : public FilesWindow {
 protected:
  // Plays a 1 kHz tone (-18 dBFS, ffmpeg's sine) with the 1000 Hz band at the top.
  void playToneWithTheBandRaised() {
    form->findChild<QSlider*>(QStringLiteral("tbar_1000"))->setValue(kTop);
    open(tone(QStringLiteral("tone.wav"), 20, 1000));
    ASSERT_NE(form->filesMode().stream(), 0u);
  }
  // The left level, 0 … 1, once it has settled near `near` (or whatever it is after 3 s).
  double levelNear(double near) {
    QElapsedTimer clock;
    clock.start();
    double level = 0;
    do {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      level = double(BASS_ChannelGetLevel(form->filesMode().stream()) & 0xffff) / 32768;
    } while (std::abs(level - near) > near * 0.05 && clock.elapsed() < kSettleMs);
    return level;
  }
  QColor eqLabelColour() { return form->Label23->palette().color(QPalette::WindowText); }
  QCheckBox* enableBox() { return form->findChild<QCheckBox*>(QStringLiteral("cbox_enEQ")); }
};

constexpr double kFlat = 0.125;           // ffmpeg's sine
constexpr double kRaised = 0.125 * 5.62;  // +15 dB at its centre

TEST_F(EqualizerWindow, SwitchingTheEqualiserDuringPlaybackIsHeardAndShownByTheLabel) {
  playToneWithTheBandRaised();
  EXPECT_NEAR(levelNear(kFlat), kFlat, 0.02) << "disabled: the slider alone changes nothing";
  EXPECT_EQ(eqLabelColour(), QColor(0x80, 0x80, 0x80));

  enableBox()->click();
  EXPECT_NEAR(levelNear(kRaised), kRaised, 0.07) << "enabled with the slider's gain";
  EXPECT_EQ(eqLabelColour(), QColor(255, 0, 0));

  form->eqPanel()->ApplyEqualizer(form->filesMode().stream());  // a second caller on the same stream
  EXPECT_NEAR(levelNear(kRaised), kRaised, 0.07) << "one set of bands, not two";

  QTest::mouseClick(form->Label23, Qt::LeftButton);  // "EQ" switches it off
  EXPECT_FALSE(form->eqPanel()->enabled());
  EXPECT_NEAR(levelNear(kFlat), kFlat, 0.02) << "every band removed at once";
  EXPECT_EQ(eqLabelColour(), QColor(0x80, 0x80, 0x80));
}

TEST_F(EqualizerWindow, ASliderMovedWhileEnabledChangesItsBandOnThePlayingStream) {
  enableBox()->click();
  open(tone(QStringLiteral("tone.wav"), 20, 1000));
  EXPECT_NEAR(levelNear(kFlat), kFlat, 0.02) << "every slider in the middle: 0 dB";
  form->findChild<QSlider*>(QStringLiteral("tbar_1000"))->setValue(kTop);
  EXPECT_NEAR(levelNear(kRaised), kRaised, 0.07);
  form->findChild<QSlider*>(QStringLiteral("tbar_14000"))->setValue(kTop);  // above half of 22.05 kHz: no band
  EXPECT_NEAR(levelNear(kRaised), kRaised, 0.07);
}

TEST_F(EqualizerWindow, TheNextFileGetsTheEqualiserWhenEnabled) {
  playToneWithTheBandRaised();
  enableBox()->click();
  const std::uint32_t first = form->filesMode().stream();
  open(tone(QStringLiteral("second.wav"), 20, 1000));
  ASSERT_NE(form->filesMode().stream(), first);
  EXPECT_NEAR(levelNear(kRaised), kRaised, 0.07);
}

TEST_F(EqualizerWindow, TheEqLabelsRightClickShowsThePanelBelowTheDisplayAndHidesItAgain) {
  form->resize(form->width(), 300);
  emit form->Label23->customContextMenuRequested({4, 4});
  EqualizerPanel* panel = form->eqPanel();
  EXPECT_TRUE(panel->isVisibleTo(&*form));
  EXPECT_EQ(panel->pos(), QPoint(12, 193));
  EXPECT_EQ(form->height(), form->FrameHeight + 382) << "grown to show it";
  emit form->Label23->customContextMenuRequested({4, 4});
  EXPECT_FALSE(panel->isVisibleTo(&*form));

  panel->Label23ContextPopup(true, form->FrameHeight);  // as in Net Radio
  EXPECT_EQ(panel->pos(), QPoint(12, 130));
  EXPECT_EQ(form->height(), form->FrameHeight + 382) << "never shrunk";
  form->findChild<QAbstractButton*>(QStringLiteral("btn_closeEQ"))->click();
  EXPECT_FALSE(panel->isVisibleTo(&*form));
}

}  // namespace
