// One main-timer tick of the Audio Files mode, planned on plain data: what the display shows
// and whether the list advances, stops or crosses into the next CUE track. The form reads the
// engine, calls planFilesTick, then applies the plan (MyBassPlay, captions, selection).
#pragma once

#include "files/cue_sheet.h"
#include "files/playlist.h"
#include "files/position_display.h"

#include <QString>
#include <optional>

namespace tavelo {

struct FilesTick {
  bool streamActive = false;      // BASS_ChannelIsActive != 0 (a paused stream is active)
  double positionSeconds = 0;     // the file stream's position
  double fileLengthSeconds = 0;   // the file stream's whole length (read for a CUE sheet only)
  const CueRecord* cue = nullptr;  // the loaded CUE record, or none for a plain list
  int currentIndex = 0;           // list index, or CUE track number
  int itemCount = 0;
  int trackLength = 1;            // PB1's tag
  bool repeat = false;            // ChBoxRep
  TimeDisplay timeDisplay = TimeDisplay::Elapsed;
};

struct FilesTickPlan {
  int elapsed = 0;                    // seconds into the current track
  std::optional<int> bar;             // PB1, unless the track length is 0
  QString timeText;                   // Label1 while playing
  // The stream is no longer active: play index (MyBassPlay with the path, or with the CUE file
  // and track index) or stop with index selected, "Audio Files - Stopped" and
  // stoppedTimeDisplayText(itemCount).
  std::optional<EndOfStreamAction> endOfStream;
  std::optional<CueCrossing> crossing;  // select the track, rewrite Label9, PB1 to 0, caption
};

FilesTickPlan planFilesTick(const FilesTick& tick);
// The same, taking the time display's text from texts, which formats it only when it changes.
FilesTickPlan planFilesTick(const FilesTick& tick, TimeDisplayTexts& texts);

}  // namespace tavelo
