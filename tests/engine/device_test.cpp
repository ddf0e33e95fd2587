// Devices, start-up and configuration, with no sound server reachable.
#include "engine_fixture.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>

namespace tavelo::test {
namespace {

class NoServerTest : public ::testing::Test {
protected:
  void SetUp() override { setenv("PULSE_SERVER", "unix:/nonexistent/tavelo-test", 1); }
  void TearDown() override { BASS_Free(); }
};

TEST_F(NoServerTest, TheVersionIsTwoPointFour) { EXPECT_EQ(BASS_GetVersion() >> 16, 0x0204u); }

TEST_F(NoServerTest, OnlyNoSoundIsListed) {
  BASS_DEVICEINFO info{};
  ASSERT_TRUE(BASS_GetDeviceInfo(0, &info));
  EXPECT_STREQ(info.name, "No sound");
  EXPECT_TRUE(info.flags & BASS_DEVICE_ENABLED);
  EXPECT_FALSE(BASS_GetDeviceInfo(1, &info));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DEVICE);
}

TEST_F(NoServerTest, NoSoundAlwaysStartsButTheDefaultNeedsAServer) {
  EXPECT_FALSE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DEVICE);
  EXPECT_FALSE(BASS_Init(1, 44100, 0, nullptr, nullptr));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DEVICE);

  ASSERT_TRUE(BASS_Init(0, 44100, 0, nullptr, nullptr));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_OK);
  BASS_DEVICEINFO info{};
  ASSERT_TRUE(BASS_GetDeviceInfo(0, &info));
  EXPECT_TRUE(info.flags & BASS_DEVICE_INIT);
  EXPECT_FALSE(BASS_Init(0, 44100, 0, nullptr, nullptr));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ALREADY);

  ASSERT_TRUE(BASS_Free());
  EXPECT_FALSE(BASS_Free());
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
  ASSERT_TRUE(BASS_Init(0, 44100, 0, nullptr, nullptr)) << "starts again after a free";
}

TEST_F(NoServerTest, StreamsNeedAStartedEngineAndLiveHandles) {
  EXPECT_EQ(BASS_StreamCreateFile(0, mediaPath("tone.wav").c_str(), 0, 0, 0), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
  ASSERT_TRUE(BASS_Init(0, 44100, 0, nullptr, nullptr));
  const HSTREAM stream = BASS_StreamCreateFile(0, mediaPath("tone.wav").c_str(), 0, 0, 0);
  ASSERT_NE(stream, 0u);
  ASSERT_TRUE(BASS_StreamFree(stream));
  EXPECT_FALSE(BASS_StreamFree(stream));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
  EXPECT_FALSE(BASS_ChannelPlay(stream, 0));
  EXPECT_EQ(BASS_ChannelIsActive(stream), DWORD{BASS_ACTIVE_STOPPED});
  EXPECT_EQ(BASS_ChannelGetLength(stream, BASS_POS_BYTE), QWORD(-1));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
  EXPECT_EQ(BASS_StreamCreateFile(1, "not used", 0, 0, 0), 0u) << "memory streams are not offered";
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOTAVAIL);
}

TEST_F(NoServerTest, ConfigurationIsKept) {
  struct Case {
    DWORD option;
    DWORD value;
    DWORD stored;
  };
  for (const Case c : {Case{BASS_CONFIG_NET_PLAYLIST, 1, 1}, Case{BASS_CONFIG_NET_PREBUF, 0, 0},
                       Case{BASS_CONFIG_BUFFER, 2000, 2000}, Case{BASS_CONFIG_BUFFER, 99999, 5000},
                       Case{BASS_CONFIG_NET_BUFFER, 3000, 3000}}) {
    SCOPED_TRACE(c.option);
    ASSERT_TRUE(BASS_SetConfig(c.option, c.value));
    EXPECT_EQ(BASS_GetConfig(c.option), c.stored);
  }
  EXPECT_FALSE(BASS_SetConfig(999, 1));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLTYPE);

  BASS_SetConfig(BASS_CONFIG_BUFFER, 500);
}

const char* configText(DWORD option) { return static_cast<const char*>(BASS_GetConfigPtr(option)); }

// The proxy and agent texts are copied at the call: a caller that changes or frees its buffer
// afterwards changes nothing, and a stream thread reading them races with no writer.
TEST_F(NoServerTest, TheNetTextsAreCopiedAtTheCall) {
  for (const DWORD option : {DWORD{BASS_CONFIG_NET_PROXY}, DWORD{BASS_CONFIG_NET_AGENT}}) {
    SCOPED_TRACE(option);
    char buffer[100] = "user:secret@proxy.example:3128";
    ASSERT_TRUE(BASS_SetConfigPtr(option, buffer));
    std::strcpy(buffer, "changed afterwards");
    EXPECT_STREQ(configText(option), "user:secret@proxy.example:3128");
    EXPECT_NE(configText(option), buffer);
    ASSERT_TRUE(BASS_SetConfigPtr(option, nullptr));
    EXPECT_EQ(configText(option), nullptr) << "null stays null: direct, or the default agent";
    ASSERT_TRUE(BASS_SetConfigPtr(option, ""));
    EXPECT_STREQ(configText(option), "");
    BASS_SetConfigPtr(option, nullptr);
  }
  EXPECT_FALSE(BASS_SetConfigPtr(999, "x"));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLTYPE);
}

TEST_F(NoServerTest, NetTextsMaySetWhileAnotherThreadReadsThem) {
  std::atomic<bool> quit{false};
  std::thread reader([&] {
    while (!quit) {
      const char* proxy = configText(BASS_CONFIG_NET_PROXY);
      const std::string copy = proxy != nullptr ? proxy : "";
      EXPECT_TRUE(copy.empty() || copy.starts_with("proxy")) << copy;
    }
  });
  for (int i = 0; i < 2000; ++i) {
    const std::string text = "proxy" + std::to_string(i % 7) + ":8080";
    BASS_SetConfigPtr(BASS_CONFIG_NET_PROXY, i % 3 == 0 ? nullptr : text.c_str());
  }
  quit = true;
  reader.join();
  BASS_SetConfigPtr(BASS_CONFIG_NET_PROXY, nullptr);
}

TEST_F(NoServerTest, ALongBufferStillPlaysAndSeeksQuickly) {
  ASSERT_TRUE(BASS_SetConfig(BASS_CONFIG_BUFFER, 2000));
  ASSERT_TRUE(BASS_Init(0, 44100, 0, nullptr, nullptr));
  const HSTREAM stream = BASS_StreamCreateFile(0, mediaPath("tone.mp3").c_str(), 0, 0, 0);
  ASSERT_TRUE(BASS_ChannelPlay(stream, 0));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  ASSERT_TRUE(BASS_ChannelSetPosition(stream, BASS_ChannelSeconds2Bytes(stream, 1.5), BASS_POS_BYTE));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_NEAR(positionSeconds(stream), 1.7, 0.06);
  BASS_SetConfig(BASS_CONFIG_BUFFER, 500);
}

}  // namespace
}  // namespace tavelo::test
