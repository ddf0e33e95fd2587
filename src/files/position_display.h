// The main timer's display arithmetic: elapsed time and the time display (Label1), the time
// scale (Label9), the position bar (PB1) with its click-to-seek and hover time (Label30), the
// level meters (PBL, PBR) and the stream information line (Label34).
#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

namespace tavelo {

// Whole seconds of a length or position the engine reports, rounded to the nearest second.
int roundedSeconds(double seconds);

// Elapsed seconds within the current track: the rounded stream position, less the current
// CUE track's start when a CUE record is loaded (cueTrackStart = 0 otherwise).
int elapsedSeconds(double positionSeconds, int cueTrackStart);

// The track number Label1 shows: index + 1 in a plain list, the CUE track number itself.
int shownTrackNumber(int currentIndex, bool isCue);

enum class TimeDisplay { Elapsed = 0, TrackLength = 1 };
// Label1: "%.2d   " of the track number, then elapsed time or track length as mm:ss.
QString timeDisplayText(int trackNumber, int elapsed, int trackLength, TimeDisplay mode);
// Label1's text while a track plays: formatted again only when the track number or the time
// shown changes (once a second at most), not on every tick.
class TimeDisplayTexts {
 public:
  const QString& text(int trackNumber, int elapsed, int trackLength, TimeDisplay mode);

 private:
  int trackNumber_ = 0;
  int seconds_ = 0;
  QString text_;
};
// A click on Label1 switches between the two.
TimeDisplay toggledTimeDisplay(TimeDisplay mode);
// Label1 when nothing plays: "00   00:00" for an empty list, "01   00:00" otherwise.
QString stoppedTimeDisplayText(int itemCount);

// Label9: the position bar's scale, 00:00 and the quarters of length (blanks as laid out).
QString timeScaleText(int trackLength);

// PB1 while playing: round(elapsed * maximum / length), kept inside 0 .. maximum;
// nullopt when the length is 0 (the bar stays as it is).
std::optional<int> positionBarValue(int elapsed, int trackLength, int maximum = 100);

// A click at x on a bar barWidth pixels wide: the bar's new position and the second of the
// file to seek to (cueTrackStart added for a CUE track). x is kept inside the bar.
struct BarSeek {
  int position = 0;
  int seconds = 0;
};
BarSeek barClickSeek(int x, int barWidth, int trackLength, int cueTrackStart = 0, int maximum = 100);

// The time shown by Label30 while the pointer is at x over the bar, and where the label goes
// in Panel2 (panelWidth wide): right of the pointer, or pulled in at the panel's right edge.
struct HoverTime {
  int labelLeft = 0;
  QString text;
};
HoverTime barHoverTime(int x, int barWidth, int trackLength, int panelWidth, int maximum = 100);

// Left and right output level with peak hold: a peak falls by 1500 (of 32768) per tick and
// jumps up to a louder level. The bars show peak / 327 (0 .. 100).
class LevelMeter {
 public:
  // One tick. playing: the stream is active and not paused; levelWord: the engine's level,
  // left in the low 16 bits and right in the high 16 bits (0xFFFFFFFF = no level).
  void update(bool playing, quint32 levelWord);
  void reset() { left_ = right_ = 0; }
  int leftPeak() const { return left_; }
  int rightPeak() const { return right_; }
  int leftBar() const { return left_ / 327; }
  int rightBar() const { return right_ / 327; }

 private:
  int left_ = 0;
  int right_ = 0;
};

// What the information line needs from the engine.
struct StreamInfo {
  quint32 flags = 0;         // BASS_CHANNELINFO flags: 1 = 8 bits, 0x100 = float samples
  int channels = 0;
  float frequency = 0;       // the frequency attribute
  quint64 filePosition = 0;  // the stream's current file read position in bytes
};

// The bit rate from the growth of the file read position between two lines (2 s apart).
class BitRateMeter {
 public:
  // kbps since the previous reading, or -1 when it cannot be told (first reading after a
  // restart, a seek backwards, another stream).
  int kbps(quint64 filePosition);
  void restart() { hasPrevious_ = false; }

 private:
  quint32 previous_ = 0;
  bool hasPrevious_ = false;
};

// "Bits/Sample=16 Freq=44100 Hz" and "Channels=2  BitRate=125 kbps" on two lines;
// "BitRate=---- kbps" when the rate cannot be told.
QString StreamInfoText(const StreamInfo& info, BitRateMeter& bitRate);

}  // namespace tavelo
