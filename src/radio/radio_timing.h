// The radio's decisions over time: how full the download buffer is while connecting, when a
// silent station is restarted or given up, and how long to wait before reconnecting a station
// whose download ended by itself.
#pragma once

#include <QtGlobal>
#include <chrono>

namespace tavelo {

// The buffer is polled this often while connecting, so the status line changes at most 20
// times a second.
inline constexpr std::chrono::milliseconds kBufferPollInterval{50};

// The engine's file positions while a stream connects; kNoPosition is its error value.
inline constexpr quint64 kNoPosition = ~quint64(0);
struct BufferReading {
  quint64 end = kNoPosition;  // the buffer's size, read once
  quint64 downloaded = 0;
  quint64 decoded = 0;
  quint64 wmaPercent = kNoPosition;  // the WMA plug-in's own percentage, when it has one
  bool connected = true;
};

// No buffer size to measure against (an error or 0): playback starts without waiting.
bool skipBufferWait(quint64 end);
// How full the buffer is, 0 to 100. A stream that reads 0 may be WMA, whose plug-in counts itself.
int bufferPercent(const BufferReading& reading);
// The wait ends above 90 % or when the connection has closed.
bool bufferWaitOver(const BufferReading& reading);

// Restarts a station after 151 silent ticks in a row (about 30 s), at most 20 times in a row;
// the next time it gives up. A restart keeps the count; a station the user starts resets it.
class SilenceWatchdog {
 public:
  enum class Action { None, Restart, Stop };
  static constexpr int kSilentTicks = 150;
  static constexpr int kRestarts = 20;

  Action tick(bool silent);
  void reset() { silentTicks_ = restarts_ = 0; }
  int restarts() const { return restarts_; }

 private:
  int silentTicks_ = 0;
  int restarts_ = 0;
};

// Waits 1, 2, 4 … up to 30 s between reconnections; a minute of sound starts again at 1 s.
class ReconnectBackoff {
 public:
  static constexpr std::chrono::seconds kLongest{30};
  static constexpr std::chrono::seconds kSoundForReset{60};

  std::chrono::seconds next();
  // Sound was heard for this long since the last call; silence or a gap restarts the minute.
  void heard(std::chrono::milliseconds sound);
  void silence() { heard_ = {}; }
  void reset();

 private:
  std::chrono::seconds delay_{1};
  std::chrono::milliseconds heard_{};
};

}  // namespace tavelo
