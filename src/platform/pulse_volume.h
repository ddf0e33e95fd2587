// Between the mixer's two-channel 0…65535 linear levels and the sound server's volumes of any
// channel layout. The server's dB are those of the linear amplitude, so the levels' dB are the
// server's own.
#pragma once

#include <pulse/channelmap.h>
#include <pulse/volume.h>

namespace tavelo {

inline constexpr int kMixerFullLevel = 65535;

// A server volume as a level; anything above 100 % reads as full.
int levelOfVolume(pa_volume_t volume);
pa_volume_t volumeOfLevel(int level);

struct StereoLevels {
  int left = 0;
  int right = 0;
};
// Each side reads its loudest channel; a layout with no channel on a side (mono, centre only)
// reads that side from its loudest channel of all.
StereoLevels readStereo(const pa_cvolume& volume, const pa_channel_map& map);
// Left-side channels get left, right-side ones right, the others (centre, mono, bass) the larger.
pa_cvolume writeStereo(const pa_channel_map& map, StereoLevels levels);

}  // namespace tavelo
