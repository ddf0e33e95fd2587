// Real-time playback on the "No sound" device: position, end sync, levels, pause and stop.
#include "audio_files.h"
#include "engine_fixture.h"

#include <atomic>

namespace tavelo::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

void writeTone48kMono(const std::string& path) { writeWav(path, 48000, 1, 3 * 48000, sine(440, 48000)); }
void writeTone22kStereo(const std::string& path) { writeWav(path, 22050, 2, 3 * 22050, sine(440, 22050)); }

TEST_F(EngineTest, PlaybackAdvancesInRealTime) {
  // Output is 44.1 kHz stereo; the others go through the resampler.
  const std::vector<std::string> files{mediaPath("tone.mp3"), madeFile("tone48k.wav", writeTone48kMono),
                                       madeFile("tone22k.wav", writeTone22kStereo)};
  for (const auto& path : files) {
    SCOPED_TRACE(path);
    const HSTREAM stream = BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0);
    ASSERT_NE(stream, 0u);
    ASSERT_TRUE(BASS_ChannelPlay(stream, 0));
    ASSERT_TRUE(waitFor([&] { return positionSeconds(stream) > 0.1; }, 1s));
    const auto t0 = Clock::now();
    const double p0 = positionSeconds(stream);
    std::this_thread::sleep_for(1s);
    const double p1 = positionSeconds(stream);
    const double elapsed = std::chrono::duration<double>(Clock::now() - t0).count();
    EXPECT_NEAR((p1 - p0) / elapsed, 1.0, 0.05);
    EXPECT_EQ(BASS_ChannelIsActive(stream), DWORD{BASS_ACTIVE_PLAYING});
    BASS_StreamFree(stream);
  }
}

struct SyncCount {
  std::atomic<int> calls{0};
  std::atomic<DWORD> channel{0};
  std::atomic<bool> onCallerThread{false};
  std::thread::id caller = std::this_thread::get_id();
};

void countSync(HSYNC, DWORD channel, DWORD, void* user) {
  auto* count = static_cast<SyncCount*>(user);
  count->channel = channel;
  count->onCallerThread = count->caller == std::this_thread::get_id();
  ++count->calls;
}

void writeShortTone(const std::string& path) { writeWav(path, kRate, 2, kRate * 3 / 10, sine(440, kRate)); }

TEST_F(EngineTest, TheEndSyncFiresOnceOnAnEngineThread) {
  const std::string path = madeFile("short.wav", writeShortTone);
  const HSTREAM stream = BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0);
  ASSERT_NE(stream, 0u);
  SyncCount count;
  ASSERT_NE(BASS_ChannelSetSync(stream, BASS_SYNC_END, 0, countSync, &count), 0u);
  ASSERT_TRUE(BASS_ChannelPlay(stream, 0));
  ASSERT_TRUE(waitFor([&] { return count.calls > 0; }, 2s));
  std::this_thread::sleep_for(200ms);
  EXPECT_EQ(count.calls, 1);
  EXPECT_EQ(count.channel, stream);
  EXPECT_FALSE(count.onCallerThread);
  EXPECT_EQ(BASS_ChannelIsActive(stream), DWORD{BASS_ACTIVE_STOPPED});
  EXPECT_EQ(BASS_ChannelGetPosition(stream, BASS_POS_BYTE), BASS_ChannelGetLength(stream, BASS_POS_BYTE));
  EXPECT_EQ(BASS_ChannelGetLength(stream, BASS_POS_BYTE), QWORD(kRate * 3 / 10 * 4));

  // Played again from the start, it ends again: one more call.
  ASSERT_TRUE(BASS_ChannelPlay(stream, 0));
  ASSERT_TRUE(waitFor([&] { return count.calls > 1; }, 2s));
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(count.calls, 2);
}

TEST_F(EngineTest, RemovedAndOneTimeSyncsDoNotRepeat) {
  const std::string path = madeFile("short.wav", writeShortTone);
  const HSTREAM stream = BASS_StreamCreateFile(0, path.c_str(), 0, 0, BASS_STREAM_DECODE);
  SyncCount once, removed;
  ASSERT_NE(BASS_ChannelSetSync(stream, BASS_SYNC_END | BASS_SYNC_ONETIME, 0, countSync, &once), 0u);
  const HSYNC gone = BASS_ChannelSetSync(stream, BASS_SYNC_END, 0, countSync, &removed);
  ASSERT_TRUE(BASS_ChannelRemoveSync(stream, gone));
  for (int round = 0; round < 2; ++round) {
    decodeToEnd(stream, 2);
    BASS_ChannelSetPosition(stream, 0, BASS_POS_BYTE);
  }
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(once.calls, 1);
  EXPECT_EQ(removed.calls, 0);
}

void freeOwnChannel(HSYNC, DWORD channel, DWORD, void* user) {
  static_cast<std::atomic<BOOL>*>(user)->store(BASS_StreamFree(channel) ? 1 : -1);
}

TEST_F(EngineTest, AnEndSyncMayFreeItsOwnChannel) {
  const HSTREAM stream = BASS_StreamCreateFile(0, madeFile("short.wav", writeShortTone).c_str(), 0, 0, 0);
  std::atomic<BOOL> freed{0};
  BASS_ChannelSetSync(stream, BASS_SYNC_END, 0, freeOwnChannel, &freed);
  ASSERT_TRUE(BASS_ChannelPlay(stream, 0));
  ASSERT_TRUE(waitFor([&] { return freed != 0; }, 2s));
  EXPECT_EQ(freed, 1);
  EXPECT_EQ(BASS_ChannelIsActive(stream), DWORD{BASS_ACTIVE_STOPPED});
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
}

struct LevelCase {
  const char* name;
  double left;
  double right;
};

TEST_F(EngineTest, TheLevelIsThePeakOfWhatPlays) {
  const std::vector<LevelCase> cases{{"full.wav", 1.0, 1.0}, {"left.wav", 1.0, 0.0}, {"quiet.wav", 0.25, 0.125}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = mediaPath(c.name);
    writeWav(path, kRate, 2, kRate, [&](std::int64_t f, int ch) { return (ch == 0 ? c.left : c.right) * sine(1000, kRate, 1.0)(f, 0); });
    const HSTREAM stream = BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0);
    ASSERT_NE(stream, 0u);
    EXPECT_EQ(BASS_ChannelGetLevel(stream), 0u) << "nothing plays yet";
    ASSERT_TRUE(BASS_ChannelPlay(stream, 0));
    std::this_thread::sleep_for(200ms);
    const DWORD level = BASS_ChannelGetLevel(stream);
    EXPECT_NEAR(double(level & 0xffff), 32768 * c.left, 40);
    EXPECT_NEAR(double(level >> 16), 32768 * c.right, 40);
    BASS_StreamFree(stream);
  }
}

// Pause and stop are heard within 50 ms, and both keep the place to go on from.
TEST_F(EngineTest, PauseAndStopHoldThePositionAtOnce) {
  for (const bool pause : {true, false}) {
    SCOPED_TRACE(pause ? "pause" : "stop");
    const HSTREAM stream = open("tone.mp3");
    ASSERT_TRUE(BASS_ChannelPlay(stream, 0));
    std::this_thread::sleep_for(300ms);
    const double before = positionSeconds(stream);
    ASSERT_TRUE(pause ? BASS_ChannelPause(stream) : BASS_ChannelStop(stream));
    EXPECT_EQ(BASS_ChannelIsActive(stream), DWORD(pause ? BASS_ACTIVE_PAUSED : BASS_ACTIVE_STOPPED));
    std::this_thread::sleep_for(200ms);
    const double held = positionSeconds(stream);
    EXPECT_LE(held - before, 0.05);
    EXPECT_EQ(BASS_ChannelGetLevel(stream), 0u);

    ASSERT_TRUE(BASS_ChannelPlay(stream, 0));
    std::this_thread::sleep_for(200ms);
    const double resumed = positionSeconds(stream);
    EXPECT_GT(resumed, held + 0.1) << "goes on from where it was";
    EXPECT_LT(resumed, held + 0.35);
    BASS_StreamFree(stream);
  }
}

TEST_F(EngineTest, ASeekWhilePausedMovesThePlaceToGoOnFrom) {
  const HSTREAM stream = open("tone.mp3");
  ASSERT_TRUE(BASS_ChannelPlay(stream, 0));
  std::this_thread::sleep_for(200ms);
  ASSERT_TRUE(BASS_ChannelPause(stream));
  ASSERT_TRUE(BASS_ChannelSetPosition(stream, BASS_ChannelSeconds2Bytes(stream, 1.5), BASS_POS_BYTE));
  EXPECT_DOUBLE_EQ(positionSeconds(stream), 1.5);
  EXPECT_EQ(BASS_ChannelIsActive(stream), DWORD{BASS_ACTIVE_PAUSED});
  ASSERT_TRUE(BASS_ChannelPlay(stream, 0));
  std::this_thread::sleep_for(200ms);
  EXPECT_NEAR(positionSeconds(stream), 1.7, 0.06);
}

TEST_F(EngineTest, PlayWithRestartBeginsAgainAndPauseNeedsAPlayingChannel) {
  const HSTREAM stream = open("tone.mp3");
  EXPECT_FALSE(BASS_ChannelPause(stream));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOPLAY);
  ASSERT_TRUE(BASS_ChannelPlay(stream, 0));
  std::this_thread::sleep_for(400ms);
  ASSERT_TRUE(BASS_ChannelPlay(stream, 1));
  EXPECT_LT(positionSeconds(stream), 0.1);
}

void writeTenSeconds(const std::string& path) { writeWav(path, kRate, 2, 10 * kRate, sine(440, kRate)); }

// The decoder reads ahead of what plays by the playback buffer, so a slow disk does not starve
// the sound; no further, so memory stays small.
TEST_F(EngineTest, TheDecoderRunsAheadByThePlaybackBuffer) {
  ASSERT_TRUE(BASS_SetConfig(BASS_CONFIG_BUFFER, 3000));
  const std::string path = madeFile("ten.wav", writeTenSeconds);
  const HSTREAM stream = BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0);
  BASS_SetConfig(BASS_CONFIG_BUFFER, 500);
  ASSERT_NE(stream, 0u);
  ASSERT_TRUE(BASS_ChannelPlay(stream, 0));
  std::this_thread::sleep_for(500ms);
  const double bytesPerSecond = kRate * 4.0;
  const double readAhead = double(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_CURRENT)) / bytesPerSecond - positionSeconds(stream);
  EXPECT_GT(readAhead, 2.8);
  EXPECT_LT(readAhead, 3.5);
}

TEST_F(EngineTest, SeveralChannelsPlayTogether) {
  const HSTREAM a = open("tone.mp3");
  const HSTREAM b = open("tone.ogg");
  ASSERT_TRUE(BASS_ChannelPlay(a, 0));
  ASSERT_TRUE(BASS_ChannelPlay(b, 0));
  std::this_thread::sleep_for(500ms);
  EXPECT_NEAR(positionSeconds(a), 0.5, 0.1);
  EXPECT_NEAR(positionSeconds(b), 0.5, 0.1);
  ASSERT_TRUE(BASS_ChannelPause(a));
  std::this_thread::sleep_for(200ms);
  EXPECT_NEAR(positionSeconds(b), 0.7, 0.1) << "pausing one leaves the other playing";
}

TEST_F(EngineTest, FreeingTheEngineWhilePlayingEndsEveryChannel) {
  const HSTREAM stream = open("tone.mp3");
  ASSERT_TRUE(BASS_ChannelPlay(stream, 0));
  std::this_thread::sleep_for(100ms);
  const auto t0 = Clock::now();
  ASSERT_TRUE(BASS_Free());
  EXPECT_LT(Clock::now() - t0, 200ms);
  EXPECT_EQ(BASS_ChannelIsActive(stream), DWORD{BASS_ACTIVE_STOPPED});
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
}

}  // namespace
}  // namespace tavelo::test
