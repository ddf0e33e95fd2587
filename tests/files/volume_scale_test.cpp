#include "files_test_support.h"
#include "files/volume_scale.h"

#include <algorithm>
#include <cmath>

using namespace tavelo;

namespace {

TEST(VolumeScale, EachSliderPositionWritesItsLevelAndShowsItsDecibels) {
  const struct {
    int position, level;
    const char* label;
  } cases[] = {
      {60, 65535, " 0 dB"}, {59, 58407, "-1 dB"}, {54, 32842, "-6 dB"}, {48, 16459, "-12 dB"},
      {1, 73, "-59 dB"},    {0, 0, "-70 dB"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.position);
    EXPECT_EQ(levelOfPosition(c.position), c.level);
    EXPECT_EQ(volumeLabel(c.position), QString::fromLatin1(c.label));
  }
}

TEST(VolumeScale, MixerLevelsMoveTheSliderByWholeDecibelsTowardsFull) {
  const struct {
    int left, right, position;
    const char* label;
  } cases[] = {
      {30000, 30000, 54, "-7 dB"},   // -6.79 dB: the position truncates, the label rounds
      {32842, 32842, 54, "-6 dB"},   // what the slider wrote back
      {65535, 65535, 60, " 0 dB"},
      {70000, 90000, 60, " 0 dB"},   // above 100 %
      {0, 1, 0, "-70 dB"},           // averages to silence
      {0, 0, 0, "-70 dB"},
      {-1, -1, 0, "-70 dB"},         // nothing read
      {60000, 0, 54, "-7 dB"},       // balance all left: the average
      {1, 1, 0, "-96 dB"},           // below the slider's range
      {63000, 63000, 60, " 0 dB"},   // -0.34 dB: never "-0 dB"
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.left << "/" << c.right);
    const VolumeReading reading = readingOfLevels(c.left, c.right);
    EXPECT_EQ(reading.position, c.position);
    EXPECT_EQ(reading.label, QString::fromLatin1(c.label));
  }
}

TEST(VolumeScale, EveryPositionReadsBackAsItself) {
  for (int position = 0; position <= kVolumeMaximum; ++position) {
    const int level = levelOfPosition(position);
    EXPECT_EQ(readingOfLevels(level, level).position, position) << position;
  }
}

TEST(VolumeScale, FirstStartKeepsTheSystemVolumeWithinADecibel) {
  const struct {
    int master, position;
  } cases[] = {
      {65535, 60}, {58407, 59}, {30000, 54}, {16459, 48}, {73, 1}, {40, 0}, {0, 0}, {-1, 0}, {70000, 60},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.master);
    const int position = firstStartPosition(c.master);
    EXPECT_EQ(position, c.position);
    if (position == 0) continue;
    const auto decibels = [](int level) { return 20 * std::log10(std::min(level, kFullLevel) / double(kFullLevel)); };
    EXPECT_LT(std::abs(decibels(c.master) - decibels(levelOfPosition(position))), 1.0);
  }
}

TEST(VolumeScale, NoticePadsTheVolumeBeforeTheCaption) {
  EXPECT_EQ(volumeNotice("-6 dB", false, "Play song"), "<Volume level = -6 dB>          Play song");
  EXPECT_EQ(volumeNotice("-6 dB", true, "Play song"), "<Record><Volume level = -6 dB>  Play song");
}

}  // namespace
