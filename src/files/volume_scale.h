// The volume slider's scale. Positions 0…60 are whole decibels below full volume (60 is 0 dB);
// levels are the mixer's 0…65535 linear amplitude.
#pragma once

#include <QString>

namespace tavelo {

inline constexpr int kVolumeMaximum = 60;
inline constexpr int kFullLevel = 65535;

// The level a slider position writes: one decibel per step, 0 for position 0.
int levelOfPosition(int position);
// What Label16 shows for a slider position: " 0 dB", "-1 dB" … and "-70 dB" at 0.
QString volumeLabel(int position);

// Where the slider goes when the mixer reports a line's levels, and what Label16 then shows.
struct VolumeReading {
  int position = 0;
  QString label;
};
VolumeReading readingOfLevels(int left, int right);

// The slider's position on a first start, from the system's left level as found: the whole
// decibels of that level, so the system volume stays where it was; 0 when silent or unknown.
int firstStartPosition(int masterLeft);

// The notice a volume change shows: "<Volume level = -6 dB>" padded to 32 characters ("<Record>"
// in front while a radio recording runs), then the last announced caption.
QString volumeNotice(const QString& label, bool radioRecording, const QString& caption);

}  // namespace tavelo
