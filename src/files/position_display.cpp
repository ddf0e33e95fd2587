#include "files/position_display.h"

#include "util/fields.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace tavelo {

int roundedSeconds(double seconds) {
  if (!std::isfinite(seconds) || seconds <= 0) return 0;
  return int(std::min(std::lround(seconds), long(INT_MAX)));
}

int elapsedSeconds(double positionSeconds, int cueTrackStart) {
  return roundedSeconds(positionSeconds) - cueTrackStart;
}

int shownTrackNumber(int currentIndex, bool isCue) { return isCue ? currentIndex : currentIndex + 1; }

QString timeDisplayText(int trackNumber, int elapsed, int trackLength, TimeDisplay mode) {
  return QString::asprintf("%.2d   ", trackNumber) +
         FormatMinSec(mode == TimeDisplay::TrackLength ? trackLength : elapsed);
}

const QString& TimeDisplayTexts::text(int trackNumber, int elapsed, int trackLength, TimeDisplay mode) {
  const int seconds = mode == TimeDisplay::TrackLength ? trackLength : elapsed;
  if (text_.isNull() || trackNumber != trackNumber_ || seconds != seconds_) {
    trackNumber_ = trackNumber;
    seconds_ = seconds;
    text_ = timeDisplayText(trackNumber, elapsed, trackLength, mode);
  }
  return text_;
}

TimeDisplay toggledTimeDisplay(TimeDisplay mode) {
  return mode == TimeDisplay::TrackLength ? TimeDisplay::Elapsed : TimeDisplay::TrackLength;
}

QString stoppedTimeDisplayText(int itemCount) {
  return timeDisplayText(itemCount > 0 ? 1 : 0, 0, 0, TimeDisplay::Elapsed);
}

QString timeScaleText(int trackLength) {
  const auto blanks = [](int count) { return QString(count, QLatin1Char(' ')); };
  return FormatMinSec(0) + blanks(21) + FormatMinSec(trackLength / 4) + blanks(22) +
         FormatMinSec(trackLength / 2) + blanks(22) + FormatMinSec(3 * trackLength / 4) + blanks(20) +
         FormatMinSec(trackLength);
}

std::optional<int> positionBarValue(int elapsed, int trackLength, int maximum) {
  if (trackLength == 0) return std::nullopt;
  const long value = std::lround(double(elapsed) * maximum / trackLength);
  return int(std::clamp(value, 0L, long(maximum)));
}

namespace {

int insideBar(int x, int barWidth) { return std::clamp(x, 0, std::max(barWidth, 0)); }

}  // namespace

BarSeek barClickSeek(int x, int barWidth, int trackLength, int cueTrackStart, int maximum) {
  if (barWidth <= 0) return {0, cueTrackStart};
  const int position = int(std::trunc(double(insideBar(x, barWidth)) * maximum / barWidth));
  const int seconds = int(std::trunc(double(position) * trackLength / maximum));
  return {position, seconds + cueTrackStart};
}

HoverTime barHoverTime(int x, int barWidth, int trackLength, int panelWidth, int maximum) {
  const int inside = insideBar(x, barWidth);
  const double fraction = barWidth > 0 ? double(inside) * maximum / barWidth : 0;
  const int seconds = int(std::trunc(fraction * trackLength / maximum));
  const int labelLeft = x + 38 > panelWidth ? panelWidth - 38 : x + 4;
  return {labelLeft, FormatMinSec(seconds)};
}

void LevelMeter::update(bool playing, quint32 levelWord) {
  if (!playing) {
    reset();
    return;
  }
  const bool noLevel = levelWord == 0xFFFFFFFFu;
  const auto follow = [noLevel](int& peak, quint32 level) {
    peak = peak > 1500 ? peak - 1500 : 0;
    if (!noLevel) peak = std::max(peak, int(std::min(level, 32768u)));
  };
  follow(left_, levelWord & 0xFFFFu);
  follow(right_, levelWord >> 16);
}

int BitRateMeter::kbps(quint64 filePosition) {
  const auto position = quint32(filePosition);
  const quint32 growth = position - previous_;
  const bool known = hasPrevious_;
  previous_ = position;
  hasPrevious_ = true;
  if (!known) return -1;
  const long rate = std::lround(growth / 256.0);
  return rate < 10000 ? int(rate) : -1;
}

QString StreamInfoText(const StreamInfo& info, BitRateMeter& bitRate) {
  const int bits = (info.flags & 1) ? 8 : (info.flags & 0x100) ? 32 : 16;
  const int rate = int(info.frequency);
  const int kbps = bitRate.kbps(info.filePosition);
  const QString rateText = kbps < 0 ? QStringLiteral("----") : QString::number(kbps);
  return QString::asprintf("Bits/Sample=%d Freq=%d Hz\nChannels=%d  BitRate=", bits, rate, info.channels) +
         rateText + QStringLiteral(" kbps");
}

}  // namespace tavelo
