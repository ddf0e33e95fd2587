// Files at other rates than the device's, heard through a sink that keeps real time: resampled
// on the way, they keep their length and their pitch, and mono is heard on both sides.
#include "audio_files.h"
#include "engine/engine.h"
#include "pipe_sink.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace tavelo::test {
namespace {

constexpr std::uint32_t kDeviceRate = 44100;
constexpr double kToneHz = 1000;
constexpr double kSeconds = 1.5;
constexpr double kAmplitude = 0.5;
// The pipe sink cannot take back what it rendered ahead when a stream joins: that much of the
// start may be lost.
constexpr double kRenderedAheadSeconds = 0.06;

// The frames from the first to the last sample of the left channel above a tenth of the tone.
std::vector<std::int16_t> soundingPart(const WavData& wav) {
  const auto loud = [](std::int16_t v) { return std::abs(int(v)) > 0.1 * 32767 * kAmplitude; };
  const auto step = std::size_t(wav.channels);
  std::size_t first = wav.samples.size(), last = 0;
  for (std::size_t i = 0; i < wav.samples.size(); i += step) {
    if (loud(wav.samples[i])) {
      first = std::min(first, i);
      last = i;
    }
  }
  return first < last ? std::vector<std::int16_t>(wav.samples.begin() + std::ptrdiff_t(first), wav.samples.begin() + std::ptrdiff_t(last + step))
                      : std::vector<std::int16_t>{};
}

struct RateCase {
  const char* name;
  std::uint32_t rate;
  int channels;
  const char* encoder;  // a command that turns IN (WAVE) into OUT, or null for the WAVE itself
};

class ResampledPlaybackTest : public ::testing::TestWithParam<RateCase> {
protected:
  void SetUp() override {
    ASSERT_TRUE(sink_.ready()) << "no pipe sink";
    ASSERT_TRUE(BASS_Init(PipeSink::device(), kDeviceRate, 0, nullptr, nullptr)) << BASS_ErrorGetCode();
  }
  void TearDown() override { BASS_Free(); }

  std::string makeFile(const RateCase& c) {
    const std::string wav = dir_.file(std::string(c.name) + ".wav");
    writeWav(wav, c.rate, c.channels, std::int64_t(c.rate * kSeconds), sine(kToneHz, c.rate, kAmplitude));
    if (c.encoder == nullptr) {
      return wav;
    }
    const std::string out = dir_.file(c.name);
    std::string line = c.encoder;
    line.replace(line.find("IN"), 2, "'" + wav + "'");
    line.replace(line.find("OUT"), 3, "'" + out + "'");
    EXPECT_TRUE(run(line)) << line;
    return out;
  }

  TempDir dir_;
  PipeSink sink_{dir_.file("sink.fifo")};
};

TEST_P(ResampledPlaybackTest, KeepsItsLengthAndPitch) {
  const WavData wav = sink_.playToEnd(makeFile(GetParam()));
  ASSERT_EQ(wav.rate, kDeviceRate);
  const std::vector<std::int16_t> part = soundingPart(wav);
  const double seconds = double(part.size() / std::size_t(wav.channels)) / kDeviceRate;
  EXPECT_GE(seconds, kSeconds - kRenderedAheadSeconds - 0.01);
  EXPECT_LE(seconds, kSeconds + 0.01);
  for (int channel = 0; channel < wav.channels; ++channel) {
    EXPECT_NEAR(zeroCrossingHz(part, wav.channels, channel, kDeviceRate), kToneHz, 1.0) << "channel " << channel;
  }
}

INSTANTIATE_TEST_SUITE_P(Rates, ResampledPlaybackTest,
                         ::testing::Values(RateCase{"mono48k", 48000, 1, nullptr}, RateCase{"stereo96k", 96000, 2, nullptr},
                                           RateCase{"lsf22k.mp3", 22050, 2, "lame --quiet -b 64 IN OUT"},
                                           RateCase{"stereo48k.ogg", 48000, 2, "oggenc -Q -q 4 -o OUT IN"}),
                         [](const auto& info) {
                           std::string name = info.param.name;
                           std::replace(name.begin(), name.end(), '.', '_');
                           return name;
                         });

}  // namespace
}  // namespace tavelo::test
