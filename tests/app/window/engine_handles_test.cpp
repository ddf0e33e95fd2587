// Engine handles free what they hold exactly once, whoever holds them last.
#include "app/engine_handles.h"
#include "audio_files.h"

#include <gtest/gtest.h>

using namespace tavelo;

namespace {

class EngineHandles : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(BASS_Init(0, 44100, 0, nullptr, nullptr));
    tavelo::test::writeWav(path_, 8000, 1, 8000, tavelo::test::sine(440, 8000));
  }
  void TearDown() override { BASS_Free(); }

  DWORD newStream() const { return BASS_StreamCreateFile(0, path_.c_str(), 0, 0, 0); }
  static bool alive(DWORD stream) { return BASS_ChannelGetLength(stream, BASS_POS_BYTE) != QWORD(-1); }

  tavelo::test::TempDir media_;
  std::string path_ = media_.file("tone.wav");
};

TEST_F(EngineHandles, TheLastOwnerFreesTheStreamOnce) {
  const DWORD stream = newStream();
  ASSERT_TRUE(alive(stream));
  {
    StreamHandle first(stream);
    StreamHandle second(std::move(first));
    EXPECT_EQ(first.get(), 0u);
    StreamHandle third;
    third = std::move(second);
    EXPECT_EQ(third.get(), stream);
    EXPECT_TRUE(alive(stream));
  }
  EXPECT_FALSE(alive(stream));
}

TEST_F(EngineHandles, ResetAndAssignmentFreeTheStreamHeldBefore) {
  const DWORD first = newStream();
  const DWORD second = newStream();
  StreamHandle handle(first);
  handle.reset(second);
  EXPECT_FALSE(alive(first));
  EXPECT_TRUE(alive(second));
  handle = StreamHandle(newStream());
  EXPECT_FALSE(alive(second));
  handle.reset();
  EXPECT_FALSE(bool(handle));
}

}  // namespace
