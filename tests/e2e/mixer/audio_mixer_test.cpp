// The mixer client alone on a real PulseAudio daemon: what it reads, what it sends, and how its
// changes reach the thread that owns it. pactl makes the outside changes.
#include "platform/audio_mixer.h"
#include "pulse_control.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

using tavelo::TAudioMixer;

namespace {

int sinkLeft(TAudioMixer& mixer) {
  TAudioMixer::LineState line;
  return mixer.GetVolume(0, TAudioMixer::kWholeLine, line) ? line.left : -1;
}

class AudioMixerOnPulse : public ::testing::Test {
 protected:
  void SetUp() override {
    pactl({"set-sink-volume", "nullsink", "100%"});
    pactl({"set-sink-mute", "nullsink", "0"});
  }
};

TEST_F(AudioMixerOnPulse, ReadsTheDefaultSinkAndTheLineConventions) {
  TAudioMixer mixer;
  EXPECT_EQ(mixer.MixerId(), 0);
  EXPECT_EQ(mixer.DeviceCount(), 1);
  EXPECT_EQ(mixer.ProductName(), "NullSink");
  EXPECT_EQ(mixer.DeviceName(), "nullsink");
  EXPECT_EQ(mixer.NumberOfLine(), 1);
  TAudioMixer::LineState line;
  ASSERT_TRUE(mixer.GetVolume(0, TAudioMixer::kWholeLine, line));
  EXPECT_EQ(line.left, 65535);
  EXPECT_EQ(line.right, 65535);
  EXPECT_EQ(line.mute, 0);
  EXPECT_TRUE(line.stereo);
  EXPECT_FALSE(line.volumeDisabled);
  EXPECT_FALSE(line.muteIsSelect);
  EXPECT_FALSE(mixer.GetVolume(0, 0, line)) << "no stream of ours plays";
  EXPECT_EQ(line.left, -1);
  EXPECT_FALSE(mixer.GetVolume(1, TAudioMixer::kWholeLine, line));
  EXPECT_FALSE(mixer.GetVolume(0, 1, line));

  ASSERT_TRUE(mixer.SetVolume(0, TAudioMixer::kWholeLine, 32842, TAudioMixer::kKeep, 1));
  EXPECT_TRUE(waitFor([] { return pactl({"get-sink-volume", "nullsink"}).contains("-6.00 dB"); }));
  EXPECT_TRUE(pactl({"get-sink-mute", "nullsink"}).contains("yes"));
  ASSERT_TRUE(mixer.SetVolume(0, TAudioMixer::kWholeLine, TAudioMixer::kKeep, TAudioMixer::kKeep, 0));
  EXPECT_TRUE(waitFor([] { return pactl({"get-sink-mute", "nullsink"}).contains("no"); }));
  EXPECT_TRUE(pactl({"get-sink-volume", "nullsink"}).contains("-6.00 dB")) << "the volume left as it was";
}

// Changes that come while the owning thread is busy wait as one call, which then reads the last.
TEST_F(AudioMixerOnPulse, ABurstOfChangesIsOneCallThatReadsTheLast) {
  TAudioMixer mixer;
  int calls = 0;
  QObject::connect(&mixer, &TAudioMixer::OnControlChange, [&] { ++calls; });
  for (int percent = 50; percent <= 70; ++percent)
    pactl({"set-sink-volume", "nullsink", QString::number(percent) + "%"});
  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the client hears the last one
  EXPECT_TRUE(waitFor([&] { return calls > 0; }));
  QCoreApplication::processEvents();
  EXPECT_EQ(calls, 1);
  const int seventyPercent = int(0.7 * 0.7 * 0.7 * 65535 + 0.5);
  EXPECT_NEAR(sinkLeft(mixer), seventyPercent, 2);
}

TEST_F(AudioMixerOnPulse, AChoiceByNumberOrNameIsKeptAcrossOtherSinks) {
  const QString module =
      pactl({"load-module", "module-null-sink", "sink_name=second", "sink_properties=device.description=Second"})
          .trimmed();
  ASSERT_FALSE(module.isEmpty());
  {
    TAudioMixer mixer;
    EXPECT_EQ(mixer.DeviceCount(), 2);
    EXPECT_EQ(mixer.ProductNameOf(1), "Second");
    mixer.SetMixerId(5);
    EXPECT_EQ(mixer.MixerId(), 0) << "a number beyond the list changes nothing";
    mixer.SetMixerId(1);
    EXPECT_EQ(mixer.DeviceName(), "second");
    mixer.ChooseDevice(QStringLiteral("nowhere"));
    EXPECT_EQ(mixer.DeviceName(), "second");
    mixer.ChooseDevice(QStringLiteral("nullsink"));
    EXPECT_EQ(mixer.MixerId(), 0);
  }
  pactl({"unload-module", module});
}

}  // namespace

// Queued calls need an application object on the thread that owns the mixer.
int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
