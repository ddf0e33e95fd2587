#include "files/volume_scale.h"

#include <algorithm>
#include <cmath>

namespace tavelo {

namespace {

constexpr double kDecibelsPerNeper = 8.685;
// A level read back through the sound server's own scale lands a hair beside the whole decibel
// it was written at; within this distance it counts as that decibel, so nothing creeps.
constexpr double kWholeDecibelTolerance = 0.01;

double decibelsOfLevel(int level) { return 20.0 * std::log10(double(level) / kFullLevel); }

QString decibelText(double decibels) {
  const double shown = std::round(decibels) == 0 ? 0.0 : decibels;  // never "-0 dB"
  return QString::asprintf("%2.0f dB", shown);
}

int wholeDecibels(double decibels) {
  const double nearest = std::round(decibels);
  return int(std::abs(decibels - nearest) < kWholeDecibelTolerance ? nearest : std::trunc(decibels));
}

}  // namespace

int levelOfPosition(int position) {
  if (position <= 0) return 0;
  return int(std::exp(double(kVolumeMaximum - position) / -kDecibelsPerNeper) * kFullLevel);
}

QString volumeLabel(int position) {
  if (position <= 0) return QStringLiteral("-70 dB");
  return decibelText(decibelsOfLevel(levelOfPosition(position)));
}

VolumeReading readingOfLevels(int left, int right) {
  const int average = (left + right) / 2;
  if (average <= 0) return {0, QStringLiteral("-70 dB")};
  const double decibels = decibelsOfLevel(std::min(average, kFullLevel));
  return {std::clamp(wholeDecibels(decibels) + kVolumeMaximum, 0, kVolumeMaximum), decibelText(decibels)};
}

int firstStartPosition(int masterLeft) { return readingOfLevels(masterLeft, masterLeft).position; }

QString volumeNotice(const QString& label, bool radioRecording, const QString& caption) {
  const QString record = radioRecording ? QStringLiteral("<Record>") : QString();
  return (record + QStringLiteral("<Volume level = ") + label + QLatin1Char('>')).leftJustified(32) + caption;
}

}  // namespace tavelo
