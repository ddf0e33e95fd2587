// The engine on a real sound server, heard through a pipe sink that keeps real time.
#include "audio_files.h"
#include "engine/engine.h"
#include "pipe_sink.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

namespace tavelo::test {
namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t kRate = 44100;
constexpr double kAmplitude = 0.5;

// Which 10 ms blocks of the left channel hold sound.
std::vector<bool> loudBlocks(const WavData& wav) {
  const std::size_t block = wav.rate / 100 * std::size_t(wav.channels);
  std::vector<bool> loud;
  for (std::size_t at = 0; at + block <= wav.samples.size(); at += block) {
    double sum = 0;
    for (std::size_t i = at; i < at + block; i += std::size_t(wav.channels)) {
      sum += double(wav.samples[i]) * wav.samples[i];
    }
    loud.push_back(std::sqrt(sum / double(block / std::size_t(wav.channels))) > 0.1 * 32768 * kAmplitude);
  }
  return loud;
}

// The sound between the first and the last loud block, and the longest quiet run inside it (ms).
struct Shape {
  int soundingMs = 0;
  int longestGapMs = 0;
};

Shape shapeOf(const std::vector<bool>& loud) {
  const auto first = std::find(loud.begin(), loud.end(), true);
  const auto last = std::find(loud.rbegin(), loud.rend(), true).base();
  Shape shape;
  int gap = 0;
  for (auto it = first; it < last; ++it) {
    shape.soundingMs += *it ? 10 : 0;
    gap = *it ? 0 : gap + 10;
    shape.longestGapMs = std::max(shape.longestGapMs, gap);
  }
  return shape;
}

// All of the 1.5 s tone, nothing twice but what this sink rendered ahead: it cannot take that
// back when a stream joins or pauses (up to 60 ms here), where a sink that can rewind would.
constexpr int kRenderedAheadMs = 60;

void expectWhole(const Shape& shape) {
  EXPECT_GE(shape.soundingMs, 1490);
  EXPECT_LE(shape.soundingMs, 1500 + kRenderedAheadMs);
}

std::vector<std::int16_t> soundingPart(const WavData& wav) {
  const std::vector<bool> loud = loudBlocks(wav);
  const auto first = std::size_t(std::find(loud.begin(), loud.end(), true) - loud.begin());
  const std::size_t block = wav.rate / 100 * std::size_t(wav.channels);
  const std::size_t from = std::min(wav.samples.size(), (first + 2) * block);
  return {wav.samples.begin() + std::ptrdiff_t(from), wav.samples.begin() + std::ptrdiff_t(std::min(wav.samples.size(), from + 20 * block))};
}

void endReached(HSYNC, DWORD, DWORD, void* user) { static_cast<std::atomic<bool>*>(user)->store(true); }

class PulseTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(sink_.ready()) << "no pipe sink";
    ASSERT_TRUE(BASS_Init(PipeSink::device(), kRate, 0, nullptr, nullptr)) << BASS_ErrorGetCode();
    writeWav(tone_, kRate, 2, kRate * 3 / 2, sine(1000, kRate, kAmplitude));
  }
  void TearDown() override { BASS_Free(); }

  // Plays the tone to its end and returns what the sink played; `during` runs while it plays.
  WavData playRecorded(const std::function<void(HSTREAM)>& during) { return sink_.playToEnd(tone_, during); }

  TempDir dir_;
  PipeSink sink_{dir_.file("sink.fifo")};
  std::string tone_ = dir_.file("tone.wav");
};

TEST(PulseDevices, TheNullSinkIsTheDefaultDevice) {
  ASSERT_TRUE(BASS_Init(-1, kRate, 0, nullptr, nullptr)) << BASS_ErrorGetCode();
  BASS_DEVICEINFO info{};
  ASSERT_TRUE(BASS_GetDeviceInfo(1, &info));
  EXPECT_STREQ(info.name, "NullSink");
  EXPECT_STREQ(info.driver, "nullsink");
  EXPECT_EQ(info.flags & (BASS_DEVICE_DEFAULT | BASS_DEVICE_INIT), DWORD(BASS_DEVICE_DEFAULT | BASS_DEVICE_INIT));
  ASSERT_TRUE(BASS_GetDeviceInfo(0, &info));
  EXPECT_STREQ(info.name, "No sound");
  BASS_Free();
}

TEST_F(PulseTest, TheSinkHearsTheToneThatWasPlayed) {
  const WavData heard = playRecorded([](HSTREAM) {});
  ASSERT_FALSE(heard.samples.empty());
  const Shape shape = shapeOf(loudBlocks(heard));
  expectWhole(shape);
  EXPECT_LE(shape.longestGapMs, kRenderedAheadMs) << "no dropouts";
  const std::vector<std::int16_t> part = soundingPart(heard);
  for (int channel = 0; channel < 2; ++channel) {
    EXPECT_GT(toneShare(part, 2, channel, kRate, 1000), 0.95) << channel;
    EXPECT_LT(toneShare(part, 2, channel, kRate, 1500), 0.01) << channel;
  }
  const auto peak = *std::max_element(part.begin(), part.end());
  EXPECT_NEAR(peak, 32767 * kAmplitude, 600) << "played at its own level";
}

// The pause holds the place, and what played is whole: nothing lost to the pause, nothing twice.
TEST_F(PulseTest, APauseHoldsThePlaceAndLosesNothing) {
  double heldFor = -1;
  double pausedAt = -1;
  const WavData heard = playRecorded([&](HSTREAM stream) {
    std::this_thread::sleep_for(500ms);
    ASSERT_TRUE(BASS_ChannelPause(stream));
    const QWORD paused = BASS_ChannelGetPosition(stream, BASS_POS_BYTE);
    pausedAt = BASS_ChannelBytes2Seconds(stream, paused);
    std::this_thread::sleep_for(300ms);
    heldFor = BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetPosition(stream, BASS_POS_BYTE) - paused);
    ASSERT_TRUE(BASS_ChannelPlay(stream, 0));
  });
  EXPECT_LE(heldFor, 0.05);
  // What was heard, not what was queued: never ahead of the time that passed (how far behind
  // depends on the latency the null sink reports, which swings widely).
  EXPECT_LT(pausedAt, 0.52);
  expectWhole(shapeOf(loudBlocks(heard)));
}

}  // namespace
}  // namespace tavelo::test

namespace tavelo::test {
namespace {

// Run on its own daemon (see CMakeLists.txt): it kills that daemon halfway through the tone.
TEST(PulseGone, PlaybackOutlivesTheSoundServer) {
  ASSERT_TRUE(BASS_Init(-1, kRate, 0, nullptr, nullptr)) << BASS_ErrorGetCode();
  TempDir dir;
  const std::string tone = dir.file("tone.wav");
  writeWav(tone, kRate, 2, kRate, sine(1000, kRate, kAmplitude));
  const HSTREAM stream = BASS_StreamCreateFile(0, tone.c_str(), 0, 0, 0);
  std::atomic<bool> ended{false};
  BASS_ChannelSetSync(stream, BASS_SYNC_END, 0, endReached, &ended);
  ASSERT_TRUE(BASS_ChannelPlay(stream, 0));
  std::this_thread::sleep_for(300ms);
  ASSERT_TRUE(run("pulseaudio --kill"));
  for (int i = 0; i < 300 && !ended; ++i) {
    std::this_thread::sleep_for(10ms);
  }
  EXPECT_TRUE(ended) << "the tone still runs to its end";
  EXPECT_EQ(BASS_ChannelGetPosition(stream, BASS_POS_BYTE), BASS_ChannelGetLength(stream, BASS_POS_BYTE));
  const auto t0 = std::chrono::steady_clock::now();
  EXPECT_TRUE(BASS_Free());
  EXPECT_LT(std::chrono::steady_clock::now() - t0, 1s);
}

}  // namespace
}  // namespace tavelo::test
