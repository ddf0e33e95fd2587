#include "files/volume_scale.h"
#include "platform/pulse_volume.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

using namespace tavelo;

namespace {

// The server keeps volumes on a cubic scale: near full volume one of its steps spans three
// levels, so a level comes back within two.
constexpr int kServerStep = 2;

// What pactl prints for a volume: its dB with two decimals.
std::string pactlDecibels(pa_volume_t volume) {
  char text[32];
  std::snprintf(text, sizeof text, "%0.2f", pa_sw_volume_to_dB(volume));
  return text;
}

pa_channel_map layout(std::vector<pa_channel_position_t> positions) {
  pa_channel_map map;
  pa_channel_map_init(&map);
  map.channels = std::uint8_t(positions.size());
  for (std::size_t i = 0; i < positions.size(); ++i) map.map[i] = positions[i];
  return map;
}

pa_cvolume volumes(std::vector<int> levels) {
  pa_cvolume volume;
  pa_cvolume_init(&volume);
  volume.channels = std::uint8_t(levels.size());
  for (std::size_t i = 0; i < levels.size(); ++i) volume.values[i] = volumeOfLevel(levels[i]);
  return volume;
}

TEST(PulseVolume, LevelsAreLinearAmplitudeAsTheServerShowsIt) {
  const struct {
    int level;
    const char* decibels;
  } cases[] = {
      {65535, "0.00"}, {52000, "-2.01"}, {32842, "-6.00"}, {16459, "-12.00"}, {30000, "-6.79"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.level);
    EXPECT_EQ(pactlDecibels(volumeOfLevel(c.level)), c.decibels);
    EXPECT_NEAR(levelOfVolume(volumeOfLevel(c.level)), c.level, kServerStep);
  }
  EXPECT_EQ(volumeOfLevel(0), PA_VOLUME_MUTED);
  EXPECT_EQ(volumeOfLevel(70000), PA_VOLUME_NORM);
  EXPECT_EQ(levelOfVolume(PA_VOLUME_MUTED), 0);
  EXPECT_EQ(levelOfVolume(PA_VOLUME_NORM * 3 / 2), 65535);  // 150 % reads as full
}

// The slider writes a position, the server keeps it in its own scale, the notification reads it
// back: the slider must stay where it is, or every write-back would move it again.
TEST(PulseVolume, EverySliderPositionSurvivesTheServersScale) {
  for (int position = 0; position <= kVolumeMaximum; ++position) {
    const int level = levelOfPosition(position);
    const int readBack = levelOfVolume(volumeOfLevel(level));
    EXPECT_EQ(readingOfLevels(readBack, readBack).position, position) << position;
    EXPECT_EQ(levelOfPosition(readingOfLevels(readBack, readBack).position), level) << position;
  }
}

TEST(PulseVolume, ChannelsFollowTheirSide) {
  using P = std::vector<pa_channel_position_t>;
  const P stereo{PA_CHANNEL_POSITION_FRONT_LEFT, PA_CHANNEL_POSITION_FRONT_RIGHT};
  const P mono{PA_CHANNEL_POSITION_MONO};
  const P surround{PA_CHANNEL_POSITION_FRONT_LEFT, PA_CHANNEL_POSITION_FRONT_RIGHT, PA_CHANNEL_POSITION_FRONT_CENTER,
                   PA_CHANNEL_POSITION_LFE,        PA_CHANNEL_POSITION_REAR_LEFT,   PA_CHANNEL_POSITION_REAR_RIGHT};
  const struct {
    const char* name;
    P positions;
    StereoLevels written;
    std::vector<int> channels;
    StereoLevels read;
  } cases[] = {
      {"stereo", stereo, {20000, 40000}, {20000, 40000}, {20000, 40000}},
      {"mono takes the larger", mono, {20000, 40000}, {40000}, {40000, 40000}},
      {"5.1: sides, centre and bass the larger", surround, {20000, 40000},
       {20000, 40000, 40000, 40000, 20000, 40000}, {20000, 40000}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const pa_channel_map map = layout(c.positions);
    const pa_cvolume written = writeStereo(map, c.written);
    ASSERT_EQ(written.channels, c.channels.size());
    for (std::size_t i = 0; i < c.channels.size(); ++i)
      EXPECT_NEAR(levelOfVolume(written.values[i]), c.channels[i], kServerStep) << i;
    const StereoLevels read = readStereo(written, map);
    EXPECT_NEAR(read.left, c.read.left, kServerStep);
    EXPECT_NEAR(read.right, c.read.right, kServerStep);
  }
}

TEST(PulseVolume, EachSideReadsItsLoudestChannel) {
  const pa_channel_map map = layout({PA_CHANNEL_POSITION_FRONT_LEFT, PA_CHANNEL_POSITION_FRONT_RIGHT,
                                     PA_CHANNEL_POSITION_REAR_LEFT, PA_CHANNEL_POSITION_REAR_RIGHT});
  const StereoLevels read = readStereo(volumes({1000, 5000, 9000, 3000}), map);
  EXPECT_NEAR(read.left, 9000, kServerStep);
  EXPECT_NEAR(read.right, 5000, kServerStep);
}

}  // namespace
