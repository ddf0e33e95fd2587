// A source that stalls (a net stream waiting for data, a CD drive retrying) holds up no caller:
// pause, stop, seek and free return at once, the stalled channel's teardown runs on the reaper
// thread, and the other channels play on without a gap.
#include "audio_files.h"
#include "engine_fixture.h"
#include "stall_plugin.h"

#include <dlfcn.h>

#include <cstdio>
#include <fstream>

namespace tavelo::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The bound a loaded machine cannot miss; the aim is 100 ms, and the figures are printed.
constexpr auto kPrompt = 1s;

class StallTest : public EngineTest {
protected:
  void SetUp() override {
    EngineTest::SetUp();
    ASSERT_NE(BASS_PluginLoad(TAVELO_TEST_STALL_PLUGIN, 0), 0u) << BASS_ErrorGetCode();
    void* library = dlopen(TAVELO_TEST_STALL_PLUGIN, RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(library, nullptr);
    probe_ = reinterpret_cast<StallProbeEntry>(dlsym(library, kStallProbeEntry))();
    dlclose(library);  // the engine keeps it loaded
    probe_->closes = 0;
    probe_->interrupts = 0;
  }

  // A stalling stream: `ready` frames of tone, then reads that wait `stallMs` each.
  HSTREAM openStall(long long ready, int stallMs, int closeMs, bool seekable = true) {
    const std::string path = dir_.file("source" + std::to_string(++files_) + ".stall");
    std::ofstream(path) << "TAVELO-STALL " << ready << ' ' << stallMs << ' ' << closeMs << ' ' << (seekable ? 1 : 0) << '\n';
    return BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0);
  }

  // Starts the stream and waits until its decoder waits in a read.
  bool playUntilStalled(HSTREAM stream) {
    return BASS_ChannelPlay(stream, 0) && waitFor([this] { return probe_->waitingReads > 0; }, 2s);
  }

  std::string closingThread() {
    std::lock_guard lock(probe_->mutex);
    return probe_->closingThread;
  }

  StallProbe* probe_ = nullptr;
  TempDir dir_;
  int files_ = 0;
};

// Samples a channel's position on a thread of its own while the test runs.
class PositionWatch {
public:
  explicit PositionWatch(HSTREAM stream) : stream_(stream), thread_([this] { run(); }) {}
  ~PositionWatch() { stop(); }
  void stop() {
    quit_ = true;
    if (thread_.joinable()) {
      thread_.join();
    }
  }
  // Seconds played per second of wall time, and the longest the position stood still.
  double rate() const { return (samples_.back().second - samples_.front().second) / seconds(samples_.back().first - samples_.front().first); }
  double longestStandstill() const {
    double longest = 0;
    auto still = samples_.front();
    for (const auto& sample : samples_) {
      if (sample.second > still.second) {
        still = sample;
      }
      longest = std::max(longest, seconds(sample.first - still.first));
    }
    return longest;
  }
  bool stayedPlaying() const { return stayedPlaying_; }

private:
  static double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }
  void run() {
    while (!quit_) {
      samples_.emplace_back(Clock::now(), positionSeconds(stream_));
      stayedPlaying_ = stayedPlaying_ && BASS_ChannelIsActive(stream_) == BASS_ACTIVE_PLAYING;
      std::this_thread::sleep_for(5ms);
    }
  }

  HSTREAM stream_;
  std::vector<std::pair<Clock::time_point, double>> samples_;
  bool stayedPlaying_ = true;
  std::atomic<bool> quit_{false};
  std::thread thread_;
};

void writeSteadyTone(const std::string& path) { writeWav(path, kRate, 2, 8 * kRate, sine(440, kRate)); }

struct StallCall {
  const char* name;
  std::function<BOOL(HSTREAM)> call;
};

TEST_F(StallTest, CallsOnAStalledChannelReturnAtOnceWhileTheOthersPlayOn) {
  const HSTREAM other = BASS_StreamCreateFile(0, madeFile("steady.wav", writeSteadyTone).c_str(), 0, 0, 0);
  ASSERT_NE(other, 0u);
  ASSERT_TRUE(BASS_ChannelPlay(other, 0));
  const HSTREAM stalled = openStall(0, 20000, 300);
  ASSERT_NE(stalled, 0u);
  ASSERT_TRUE(playUntilStalled(stalled));
  const QWORD twoSeconds = BASS_ChannelSeconds2Bytes(stalled, 2.0);
  const std::vector<StallCall> calls{
      {"BASS_ChannelPause", [](HSTREAM s) { return BASS_ChannelPause(s); }},
      {"BASS_ChannelPlay", [](HSTREAM s) { return BASS_ChannelPlay(s, 0); }},
      {"BASS_ChannelSetPosition", [=](HSTREAM s) { return BASS_ChannelSetPosition(s, twoSeconds, BASS_POS_BYTE); }},
      {"BASS_ChannelPlay restart", [](HSTREAM s) { return BASS_ChannelPlay(s, 1); }},
      {"BASS_ChannelStop", [](HSTREAM s) { return BASS_ChannelStop(s); }},
      {"BASS_StreamFree", [](HSTREAM s) { return BASS_StreamFree(s); }},
  };
  PositionWatch watch(other);
  std::this_thread::sleep_for(100ms);
  for (const StallCall& c : calls) {
    SCOPED_TRACE(c.name);
    const auto t0 = Clock::now();
    EXPECT_TRUE(c.call(stalled)) << BASS_ErrorGetCode();
    const auto took = Clock::now() - t0;
    std::printf("%s on a stalled channel returned in %.3f ms\n", c.name, std::chrono::duration<double, std::milli>(took).count());
    EXPECT_LT(took, kPrompt);
    EXPECT_EQ(probe_->closes, 0) << "the source is still open when the call returns";
    std::this_thread::sleep_for(100ms);
  }
  ASSERT_TRUE(waitFor([this] { return probe_->closes == 1; }, 2s));
  EXPECT_EQ(probe_->interrupts, 1);
  EXPECT_EQ(closingThread(), "reaper") << "a source is closed on neither the caller's thread nor the mixer's";
  std::this_thread::sleep_for(100ms);
  watch.stop();
  EXPECT_TRUE(watch.stayedPlaying());
  EXPECT_NEAR(watch.rate(), 1.0, 0.05) << "the other channel keeps real time";
  EXPECT_LT(watch.longestStandstill(), 0.1) << "and never stands still";
}

// The place a seek asks for reads at once, so the window's bar does not jump back; the decoder
// seeks when the stalled read comes back, and the sound goes on from there.
TEST_F(StallTest, ASeekDuringAStallIsShownAtOnceAndCarriedOutWhenTheSourceComesBack) {
  const HSTREAM stream = openStall(kRate / 2, 600, 0);
  ASSERT_NE(stream, 0u);
  ASSERT_TRUE(playUntilStalled(stream));
  const auto t0 = Clock::now();
  ASSERT_TRUE(BASS_ChannelSetPosition(stream, BASS_ChannelSeconds2Bytes(stream, 5.0), BASS_POS_BYTE));
  EXPECT_LT(Clock::now() - t0, kPrompt);
  EXPECT_DOUBLE_EQ(positionSeconds(stream), 5.0);
  std::this_thread::sleep_for(200ms);
  EXPECT_DOUBLE_EQ(positionSeconds(stream), 5.0) << "stalled: still where it was sent";
  ASSERT_TRUE(waitFor([&] { return positionSeconds(stream) > 5.2; }, 2s)) << "plays on from the new place";
  EXPECT_LT(positionSeconds(stream), 5.0 + 0.6 + 0.2);
  EXPECT_EQ(BASS_ChannelIsActive(stream), DWORD{BASS_ACTIVE_PLAYING});
}

void countEnd(HSYNC, DWORD, DWORD, void* user) { ++*static_cast<std::atomic<int>*>(user); }

// A source that cannot reach the place ends the sound there, as a file damaged there would.
TEST_F(StallTest, ASeekTheSourceCannotCarryOutEndsTheSound) {
  const HSTREAM stream = openStall(10 * kRate, 0, 0, false);
  ASSERT_NE(stream, 0u);
  std::atomic<int> ends{0};
  ASSERT_NE(BASS_ChannelSetSync(stream, BASS_SYNC_END, 0, countEnd, &ends), 0u);
  ASSERT_TRUE(BASS_ChannelPlay(stream, 0));
  std::this_thread::sleep_for(100ms);
  ASSERT_TRUE(BASS_ChannelSetPosition(stream, BASS_ChannelSeconds2Bytes(stream, 5.0), BASS_POS_BYTE));
  ASSERT_TRUE(waitFor([&] { return ends == 1; }, 2s));
  EXPECT_EQ(BASS_ChannelIsActive(stream), DWORD{BASS_ACTIVE_STOPPED});
  EXPECT_DOUBLE_EQ(positionSeconds(stream), 5.0);
}

// Freeing the engine interrupts the stalled sources and waits for them to close.
TEST_F(StallTest, FreeingTheEngineEndsStalledChannelsPromptly) {
  ASSERT_TRUE(playUntilStalled(openStall(0, 20000, 0)));
  const auto t0 = Clock::now();
  ASSERT_TRUE(BASS_Free());
  const auto took = Clock::now() - t0;
  std::printf("BASS_Free with a stalled channel returned in %.3f ms\n", std::chrono::duration<double, std::milli>(took).count());
  EXPECT_LT(took, kPrompt);
  EXPECT_EQ(probe_->closes, 1) << "closed before BASS_Free returns";
}

}  // namespace
}  // namespace tavelo::test
