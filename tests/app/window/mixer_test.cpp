// The volume slider and its label with no sound server to drive: no devices, yet the slider
// moves, shows decibels and announces them.
#include "app/settings_panel.h"
#include "program_folder.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QSlider>
#include <gtest/gtest.h>

namespace {

class MixerWithoutServer : public ::testing::Test {
 protected:
  // A server address nobody answers at, whatever runs on this machine.
  void SetUp() override {
    saved_ = qgetenv("PULSE_SERVER");
    qputenv("PULSE_SERVER", "unix:/nonexistent/tavelo-no-server");
  }
  void TearDown() override {
    if (saved_.isEmpty()) qunsetenv("PULSE_SERVER");
    else qputenv("PULSE_SERVER", saved_);
  }

 private:
  QByteArray saved_;
};

TEST_F(MixerWithoutServer, ThereAreNoDevicesAndTheFirstStartIsSilent) {
  ProgramFolder folder;
  StartedForm form(folder);
  ASSERT_TRUE(form.create());
  EXPECT_EQ(form->AudioMixer1->MixerId(), -1);
  EXPECT_EQ(form->AudioMixer1->NumberOfLine(), 0);
  EXPECT_EQ(form->settingsPanel()->mixerList()->count(), 0);
  EXPECT_EQ(form->TrackBar1->value(), 0);
  EXPECT_EQ(form->Label16->text(), "-70 dB");
  TAudioMixer::LineState line;
  EXPECT_FALSE(form->AudioMixer1->GetVolume(0, TAudioMixer::kWholeLine, line));
  EXPECT_EQ(line.left, -1);
  EXPECT_TRUE(line.volumeDisabled);
  EXPECT_FALSE(form->AudioMixer1->SetVolume(0, TAudioMixer::kWholeLine, 100, 100, 0));
}

TEST_F(MixerWithoutServer, TheSliderShowsDecibelsAndAnnouncesThem) {
  ProgramFolder folder;
  folder.write("Settings.ini", crlfLines({"/rec", "30"}));
  StartedForm form(folder);
  ASSERT_TRUE(form.create());
  EXPECT_EQ(form->TrackBar1->value(), 30);
  const struct {
    int position;
    const char* label;
  } cases[] = {{60, " 0 dB"}, {59, "-1 dB"}, {48, "-12 dB"}, {1, "-59 dB"}, {0, "-70 dB"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.position);
    form->TrackBar1->setValue(c.position);
    EXPECT_EQ(form->Label16->text(), c.label);
    ASSERT_NE(form->NoticeWindow, nullptr);
    EXPECT_TRUE(form->NoticeWindow->text().startsWith(QStringLiteral("<Volume level = %1>").arg(c.label)));
  }
}

TEST_F(MixerWithoutServer, ClosingIgnoresTheSliderAndStaysFast) {
  ProgramFolder folder;
  folder.write("Settings.ini", crlfLines({"/rec", "30"}));
  StartedForm form(folder);
  ASSERT_TRUE(form.create());
  QElapsedTimer clock;
  clock.start();
  form->FormClose();
  EXPECT_LT(clock.elapsed(), 2000);
  form->TrackBar1->setValue(48);
  EXPECT_EQ(form->Label16->text(), "-30 dB");
}

}  // namespace
