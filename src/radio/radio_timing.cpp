#include "radio/radio_timing.h"

#include <algorithm>

namespace tavelo {

bool skipBufferWait(quint64 end) { return end == kNoPosition || end == 0; }

int bufferPercent(const BufferReading& reading) {
  if (skipBufferWait(reading.end)) return 100;
  const quint64 ahead = reading.downloaded > reading.decoded ? reading.downloaded - reading.decoded : 0;
  // Downloaded positions are far below 2^57, so the product cannot overflow.
  quint64 percent = ahead * 100 / reading.end;
  if (percent == 0 && reading.wmaPercent != kNoPosition) percent = reading.wmaPercent;
  return int(std::min<quint64>(percent, 100));
}

bool bufferWaitOver(const BufferReading& reading) {
  return !reading.connected || bufferPercent(reading) > 90;
}

SilenceWatchdog::Action SilenceWatchdog::tick(bool silent) {
  silentTicks_ = silent ? silentTicks_ + 1 : 0;
  if (silentTicks_ <= kSilentTicks) return Action::None;
  silentTicks_ = 0;
  if (restarts_ >= kRestarts) {
    restarts_ = 0;
    return Action::Stop;
  }
  ++restarts_;
  return Action::Restart;
}

std::chrono::seconds ReconnectBackoff::next() {
  const std::chrono::seconds delay = delay_;
  delay_ = std::min(delay_ * 2, kLongest);
  heard_ = {};
  return delay;
}

void ReconnectBackoff::heard(std::chrono::milliseconds sound) {
  heard_ += sound;
  if (heard_ >= kSoundForReset) reset();
}

void ReconnectBackoff::reset() {
  delay_ = std::chrono::seconds(1);
  heard_ = {};
}

}  // namespace tavelo
