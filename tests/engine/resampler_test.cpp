// The resampler on its own: rate changes keep the sound's length and pitch, channels come out
// as stereo without clipping.
#include "engine/resampler.h"

#include "audio_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace tavelo::engine {
namespace {

std::vector<float> stereoTone(double hz, std::uint32_t rate, std::size_t frames) {
  std::vector<float> samples(frames * 2);
  for (std::size_t i = 0; i < frames; ++i) {
    samples[2 * i] = samples[2 * i + 1] = float(0.5 * std::sin(2 * std::numbers::pi * hz * double(i) / rate));
  }
  return samples;
}

// Feeds the frames in pieces of the engine's size, then drains the filter.
std::vector<float> resampleAll(Resampler& resampler, const std::vector<float>& stereo) {
  std::vector<float> out;
  constexpr std::size_t kPiece = 4096;
  const std::size_t frames = stereo.size() / 2;
  for (std::size_t at = 0; at < frames; at += kPiece) {
    resampler.convert(stereo.data() + 2 * at, std::min(kPiece, frames - at), out);
  }
  resampler.drain(out);
  return out;
}

double leftHz(const std::vector<float>& stereo, std::uint32_t rate) {
  std::vector<std::int16_t> pcm(stereo.size());
  std::transform(stereo.begin(), stereo.end(), pcm.begin(), [](float v) { return std::int16_t(std::lround(v * 32767)); });
  return test::zeroCrossingHz(pcm, 2, 0, rate);
}

TEST(ResamplerTest, KeepsLengthAndPitch) {
  struct Case {
    std::uint32_t from;
    std::uint32_t to;
  };
  for (const Case c : {Case{48000, 44100}, Case{22050, 44100}, Case{44100, 48000}, Case{96000, 44100}, Case{8000, 44100}}) {
    SCOPED_TRACE(std::to_string(c.from) + " -> " + std::to_string(c.to));
    Resampler resampler(c.from, 2, c.to);
    const std::vector<float> out = resampleAll(resampler, stereoTone(1000, c.from, c.from));  // one second
    EXPECT_NEAR(double(out.size() / 2), double(c.to), 1.0);
    EXPECT_NEAR(leftHz(out, c.to), 1000.0, 0.5);
    const float peak = *std::max_element(out.begin(), out.end());
    EXPECT_NEAR(peak, 0.5f, 0.01f);
  }
}

// What was fed before a seek is not heard after it.
TEST(ResamplerTest, ResetForgetsWhatItHeld) {
  Resampler resampler(48000, 2, 44100);
  std::vector<float> ignored;
  const std::vector<float> loud = stereoTone(1000, 48000, 4800);
  resampler.convert(loud.data(), 4800, ignored);
  resampler.reset();
  const std::vector<float> out = resampleAll(resampler, std::vector<float>(2 * 48000, 0.0f));
  EXPECT_NEAR(double(out.size() / 2), 44100.0, 1.0);
  EXPECT_EQ(*std::max_element(out.begin(), out.end()), 0.0f);
}

TEST(ResamplerTest, ChannelsComeOutAsStereoWithoutClipping) {
  struct Case {
    std::uint32_t channels;
    std::vector<float> frame;
    float left;
    float right;
  };
  const Case cases[] = {
      {1, {0.5f}, 0.5f, 0.5f},
      {6, {0, 0, 0.6f, 0.9f, 0, 0}, 0.6f * 0.7071f / 2.4142f, 0.6f * 0.7071f / 2.4142f},  // centre only; no LFE
      {6, {1, 1, 1, 1, 1, 1}, 1.0f, 1.0f},                                                 // full scale stays in range
      {8, {0, 0, 0, 0, 0, 0, 0, 0.8f}, 0, 0.8f * 0.7071f / 3.1213f},                      // right side
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.channels);
    Resampler resampler(44100, c.channels, 44100);
    std::vector<float> out;
    resampler.convert(c.frame.data(), 1, out);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_NEAR(out[0], c.left, 1e-4);
    EXPECT_NEAR(out[1], c.right, 1e-4);
  }
}

}  // namespace
}  // namespace tavelo::engine
