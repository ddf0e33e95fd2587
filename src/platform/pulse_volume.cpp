#include "platform/pulse_volume.h"

#include <algorithm>
#include <cmath>

namespace tavelo {

namespace {

enum class Side { Left, Right, Other };

Side sideOf(pa_channel_position_t position) {
  switch (position) {
    case PA_CHANNEL_POSITION_FRONT_LEFT:
    case PA_CHANNEL_POSITION_REAR_LEFT:
    case PA_CHANNEL_POSITION_FRONT_LEFT_OF_CENTER:
    case PA_CHANNEL_POSITION_SIDE_LEFT:
    case PA_CHANNEL_POSITION_TOP_FRONT_LEFT:
    case PA_CHANNEL_POSITION_TOP_REAR_LEFT:
      return Side::Left;
    case PA_CHANNEL_POSITION_FRONT_RIGHT:
    case PA_CHANNEL_POSITION_REAR_RIGHT:
    case PA_CHANNEL_POSITION_FRONT_RIGHT_OF_CENTER:
    case PA_CHANNEL_POSITION_SIDE_RIGHT:
    case PA_CHANNEL_POSITION_TOP_FRONT_RIGHT:
    case PA_CHANNEL_POSITION_TOP_REAR_RIGHT:
      return Side::Right;
    default:
      return Side::Other;
  }
}

// The loudest channel on a side; none when the layout has no channel there.
pa_volume_t loudestOn(const pa_cvolume& volume, const pa_channel_map& map, Side side, bool& found) {
  pa_volume_t loudest = PA_VOLUME_MUTED;
  found = false;
  for (unsigned channel = 0; channel < volume.channels && channel < map.channels; ++channel) {
    if (sideOf(map.map[channel]) != side) continue;
    found = true;
    loudest = std::max(loudest, volume.values[channel]);
  }
  return loudest;
}

}  // namespace

int levelOfVolume(pa_volume_t volume) {
  if (volume >= PA_VOLUME_NORM) return kMixerFullLevel;
  return int(std::lround(pa_sw_volume_to_linear(volume) * kMixerFullLevel));
}

pa_volume_t volumeOfLevel(int level) {
  const int clamped = std::clamp(level, 0, kMixerFullLevel);
  return pa_sw_volume_from_linear(double(clamped) / kMixerFullLevel);
}

StereoLevels readStereo(const pa_cvolume& volume, const pa_channel_map& map) {
  const int whole = levelOfVolume(pa_cvolume_max(&volume));
  bool found = false;
  const pa_volume_t left = loudestOn(volume, map, Side::Left, found);
  const int leftLevel = found ? levelOfVolume(left) : whole;
  const pa_volume_t right = loudestOn(volume, map, Side::Right, found);
  const int rightLevel = found ? levelOfVolume(right) : whole;
  return {leftLevel, rightLevel};
}

pa_cvolume writeStereo(const pa_channel_map& map, StereoLevels levels) {
  pa_cvolume volume;
  pa_cvolume_init(&volume);
  volume.channels = map.channels;
  for (unsigned channel = 0; channel < map.channels; ++channel) {
    switch (sideOf(map.map[channel])) {
      case Side::Left: volume.values[channel] = volumeOfLevel(levels.left); break;
      case Side::Right: volume.values[channel] = volumeOfLevel(levels.right); break;
      case Side::Other: volume.values[channel] = volumeOfLevel(std::max(levels.left, levels.right)); break;
    }
  }
  return volume;
}

}  // namespace tavelo
