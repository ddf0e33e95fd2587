// The output queue on a real sound server, which holds more than half a second ahead: pause,
// Next and short sounds as a listener hears them.
#include "audio_files.h"
#include "engine/engine.h"
#include "pipe_sink.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

namespace tavelo::test {
namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t kRate = 44100;
constexpr double kAmplitude = 0.5;
constexpr double kFirstHz = 1000;
constexpr double kNextHz = 1500;
// The pipe sink cannot take back what it rendered ahead when a stream joins, pauses or is
// flushed, as a sink that can rewind would: that much may sound late or twice.
constexpr int kRenderedAheadMs = 60;

// Which tone each 10 ms block of the left channel holds: 'a' the first, 'b' the next, '.' quiet.
std::string timeline(const WavData& wav) {
  const std::size_t block = wav.rate / 100 * std::size_t(wav.channels);
  std::string blocks;
  for (std::size_t at = 0; at + block <= wav.samples.size(); at += block) {
    const std::vector<std::int16_t> part(wav.samples.begin() + std::ptrdiff_t(at), wav.samples.begin() + std::ptrdiff_t(at + block));
    const double first = toneShare(part, wav.channels, 0, wav.rate, kFirstHz);
    const double next = toneShare(part, wav.channels, 0, wav.rate, kNextHz);
    double energy = 0;
    for (std::size_t i = 0; i < part.size(); i += std::size_t(wav.channels)) {
      energy += double(part[i]) * part[i];
    }
    const bool loud = energy / double(block / std::size_t(wav.channels)) > 0.01 * 32768.0 * 32768.0 * kAmplitude * kAmplitude;
    blocks += !loud ? '.' : first > next ? 'a' : 'b';
  }
  return blocks;
}

int msOf(const std::string& blocks, char tone) { return int(std::count(blocks.begin(), blocks.end(), tone)) * 10; }

// The sound from the first to the last loud block.
std::string sounding(const std::string& blocks) {
  const auto first = blocks.find_first_not_of('.');
  return first == std::string::npos ? std::string() : blocks.substr(first, blocks.find_last_not_of('.') - first + 1);
}

class OutputQueueTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(sink_.ready()) << "no pipe sink";
    ASSERT_TRUE(BASS_Init(PipeSink::device(), kRate, 0, nullptr, nullptr)) << BASS_ErrorGetCode();
  }
  void TearDown() override { BASS_Free(); }

  std::string tone(const std::string& name, double hz, double seconds) {
    const std::string path = dir_.file(name);
    writeWav(path, kRate, 2, std::int64_t(kRate * seconds), sine(hz, kRate, kAmplitude));
    return path;
  }

  // Runs `play`, lets the server play out what it holds, and returns what was heard.
  std::string heardWhile(const std::function<void()>& play) {
    play();
    std::this_thread::sleep_for(1500ms);
    return sounding(timeline(sink_.stop()));
  }

  static HSTREAM start(const std::string& path) {
    const HSTREAM stream = BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0);
    EXPECT_NE(stream, 0u) << BASS_ErrorGetCode();
    EXPECT_TRUE(BASS_ChannelPlay(stream, 0));
    return stream;
  }

  // Sleeps until `seconds` of the stream have been heard (the sound server may take a while to
  // start a stream; that is not what these tests are about).
  static void waitUntilHeard(HSTREAM stream, double seconds) {
    for (int i = 0; i < 300 && BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetPosition(stream, BASS_POS_BYTE)) < seconds; ++i) {
      std::this_thread::sleep_for(10ms);
    }
  }

  static void waitForEnd(HSTREAM stream) {
    for (int i = 0; i < 500 && BASS_ChannelIsActive(stream) != BASS_ACTIVE_STOPPED; ++i) {
      std::this_thread::sleep_for(10ms);
    }
  }

  TempDir dir_;
  PipeSink sink_{dir_.file("sink.fifo")};
};

TEST_F(OutputQueueTest, ASoundShorterThanTheQueueIsHeardWhole) {
  const std::string blip = tone("blip.wav", kFirstHz, 0.3);
  const std::string heard = heardWhile([&] { waitForEnd(start(blip)); });
  EXPECT_GE(msOf(heard, 'a'), 290) << heard;
  EXPECT_LE(msOf(heard, 'a'), 300 + kRenderedAheadMs) << heard;
}

// Pause is heard at once, the position is what was heard (not what was queued), and resuming
// plays on from there: nothing lost, nothing twice.
TEST_F(OutputQueueTest, PauseHoldsWhatWasHeard) {
  const std::string first = tone("first.wav", kFirstHz, 1.5);
  double pausedAt = -1;
  const std::string heard = heardWhile([&] {
    const HSTREAM stream = start(first);
    waitUntilHeard(stream, 0.5);
    ASSERT_TRUE(BASS_ChannelPause(stream));
    pausedAt = BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetPosition(stream, BASS_POS_BYTE));
    std::this_thread::sleep_for(300ms);
    ASSERT_TRUE(BASS_ChannelPlay(stream, 0));
    waitForEnd(stream);
  });
  const std::size_t gap = heard.find('.');
  ASSERT_NE(gap, std::string::npos) << heard;
  EXPECT_NEAR(pausedAt * 1000, double(gap) * 10, 120) << heard;
  EXPECT_GE(std::count(heard.begin(), heard.end(), '.'), 10) << "no silence while paused: " << heard;
  EXPECT_GE(msOf(heard, 'a'), 1490) << heard;
  EXPECT_LE(msOf(heard, 'a'), 1500 + kRenderedAheadMs) << heard;
}

// A player's Next: the stream is freed and the next one starts at once. What the server queued
// of the freed stream is never heard, whether it was playing or paused.
struct SwitchCase {
  const char* name;
  bool pauseFirst;
};

class OutputSwitchTest : public OutputQueueTest, public ::testing::WithParamInterface<SwitchCase> {};

TEST_P(OutputSwitchTest, TheFreedStreamFallsSilentForTheNext) {
  const std::string first = tone("first.wav", kFirstHz, 3);
  const std::string next = tone("next.wav", kNextHz, 1);
  double heardOfFirst = -1;
  const std::string heard = heardWhile([&] {
    const HSTREAM playing = start(first);
    waitUntilHeard(playing, 0.6);
    if (GetParam().pauseFirst) {
      ASSERT_TRUE(BASS_ChannelPause(playing));
      std::this_thread::sleep_for(200ms);
    }
    heardOfFirst = BASS_ChannelBytes2Seconds(playing, BASS_ChannelGetPosition(playing, BASS_POS_BYTE));
    ASSERT_TRUE(BASS_StreamFree(playing));
    waitForEnd(start(next));
  });
  // What the server queued of the first stream (600 ms) is never heard.
  EXPECT_GE(msOf(heard, 'a'), heardOfFirst * 1000 - 40) << heard;
  EXPECT_LE(msOf(heard, 'a'), heardOfFirst * 1000 + 250) << "a queued tail of the first: " << heard;
  EXPECT_GE(msOf(heard, 'b'), 990) << heard;
  EXPECT_LE(msOf(heard, 'b'), 1000 + kRenderedAheadMs) << heard;
}

INSTANTIATE_TEST_SUITE_P(Switch, OutputSwitchTest,
                         ::testing::Values(SwitchCase{"WhilePlaying", false}, SwitchCase{"WhilePaused", true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tavelo::test
