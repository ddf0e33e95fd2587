// The output queue on a real sound server. The server holds about a second of sound ahead; what a
// listener hears is taken from a pipe sink that keeps real time, so gaps, tails and lost starts
// all show at their true length (a null sink's monitor cannot show them).
#include "audio_files.h"
#include "engine.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <mutex>
#include <thread>

namespace tavelo::test {
namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t kRate = 44100;
constexpr double kAmplitude = 0.5;
constexpr double kFirstHz = 1000;
constexpr double kNextHz = 1500;

std::string commandOutput(const std::string& commandLine) {
  std::string out;
  if (FILE* pipe = popen(commandLine.c_str(), "r")) {
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
      out += buffer;
    }
    pclose(pipe);
  }
  return out;
}

// A pipe sink made the default sink, its sound collected until it is unloaded.
class PipeSink {
public:
  explicit PipeSink(const std::string& fifo) {
    module_ = commandOutput("pactl load-module module-pipe-sink sink_name=pipesink file='" + fifo +
                            "' format=s16le rate=44100 channels=2 use_system_clock_for_timing=yes");
    if (!module_.empty() && run("pactl set-default-sink pipesink")) {
      reader_ = std::thread([this, fifo] { collect(fifo); });
    }
  }
  ~PipeSink() { stop(); }
  bool ready() const { return reader_.joinable(); }

  // Unloads the sink (the pipe then ends) and returns what it played.
  WavData stop() {
    if (!module_.empty()) {
      run("pactl unload-module " + module_);
      module_.clear();
    }
    if (reader_.joinable()) {
      reader_.join();
    }
    return {kRate, 2, samples_};
  }

private:
  void collect(const std::string& fifo) {
    const int fd = open(fifo.c_str(), O_RDONLY);
    std::int16_t buffer[4096];
    ssize_t got = 0;
    while (fd >= 0 && (got = read(fd, buffer, sizeof buffer)) > 0) {
      samples_.insert(samples_.end(), buffer, buffer + got / 2);
    }
    if (fd >= 0) {
      close(fd);
    }
  }

  std::string module_;
  std::thread reader_;
  std::vector<std::int16_t> samples_;
};

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
    ASSERT_TRUE(BASS_Init(-1, kRate, 0, nullptr, nullptr)) << BASS_ErrorGetCode();
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
  EXPECT_NEAR(msOf(heard, 'a'), 300, 20) << heard;
  EXPECT_EQ(heard.find('.'), std::string::npos) << heard;
}

// Pause is heard at once, the position is what was heard (not what was queued), and resuming
// plays on from there: nothing lost, nothing twice.
TEST_F(OutputQueueTest, PauseHoldsWhatWasHeard) {
  const std::string first = tone("first.wav", kFirstHz, 1.5);
  double pausedAt = -1;
  const std::string heard = heardWhile([&] {
    const HSTREAM stream = start(first);
    std::this_thread::sleep_for(500ms);
    ASSERT_TRUE(BASS_ChannelPause(stream));
    pausedAt = BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetPosition(stream, BASS_POS_BYTE));
    std::this_thread::sleep_for(300ms);
    ASSERT_TRUE(BASS_ChannelPlay(stream, 0));
    waitForEnd(stream);
  });
  // This sink cannot take back what it rendered ahead: a little may sound past the pause and
  // once more after it. A sink that can rewind plays neither.
  const std::size_t gap = heard.find('.');
  ASSERT_NE(gap, std::string::npos) << heard;
  EXPECT_NEAR(pausedAt * 1000, double(gap) * 10, 120) << heard;
  EXPECT_GE(std::count(heard.begin(), heard.end(), '.'), 10) << "no silence while paused: " << heard;
  EXPECT_GE(msOf(heard, 'a'), 1490) << heard;
  EXPECT_LE(msOf(heard, 'a'), 1560) << heard;
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
    std::this_thread::sleep_for(600ms);
    if (GetParam().pauseFirst) {
      ASSERT_TRUE(BASS_ChannelPause(playing));
      std::this_thread::sleep_for(200ms);
    }
    heardOfFirst = BASS_ChannelBytes2Seconds(playing, BASS_ChannelGetPosition(playing, BASS_POS_BYTE));
    ASSERT_TRUE(BASS_StreamFree(playing));
    waitForEnd(start(next));
  });
  // A sink that cannot take back what it already rendered plays on for a moment (at most about
  // 200 ms here); what the server queued of the first stream (600 ms) is never heard.
  EXPECT_GE(msOf(heard, 'a'), heardOfFirst * 1000 - 40) << heard;
  EXPECT_LE(msOf(heard, 'a'), heardOfFirst * 1000 + 250) << "a queued tail of the first: " << heard;
  EXPECT_NEAR(msOf(heard, 'b'), 1000, 20) << heard;
  EXPECT_EQ(heard.find('a', heard.find('b')), std::string::npos) << "the first after the next: " << heard;
}

INSTANTIATE_TEST_SUITE_P(Switch, OutputSwitchTest,
                         ::testing::Values(SwitchCase{"WhilePlaying", false}, SwitchCase{"WhilePaused", true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tavelo::test
