#include "files/files_tick.h"

namespace tavelo {

FilesTickPlan planFilesTick(const FilesTick& tick) {
  TimeDisplayTexts texts;
  return planFilesTick(tick, texts);
}

FilesTickPlan planFilesTick(const FilesTick& tick, TimeDisplayTexts& texts) {
  const bool isCue = tick.cue && !tick.cue->isEmpty();
  const int cueStart = isCue ? cueTrackStart(*tick.cue, tick.currentIndex) : 0;
  FilesTickPlan plan;
  plan.elapsed = elapsedSeconds(tick.positionSeconds, cueStart);
  plan.bar = positionBarValue(plan.elapsed, tick.trackLength);
  plan.timeText = texts.text(shownTrackNumber(tick.currentIndex, isCue), plan.elapsed, tick.trackLength,
                             tick.timeDisplay);
  if (!tick.streamActive)
    plan.endOfStream = endOfStreamAction(tick.currentIndex, tick.itemCount, isCue, tick.repeat);
  if (!isCue || plan.endOfStream) return plan;  // a CUE sheet started again begins at 0
  plan.crossing = cueBoundaryCrossing(*tick.cue, tick.currentIndex, plan.elapsed, tick.trackLength,
                                      roundedSeconds(tick.fileLengthSeconds));
  return plan;
}

}  // namespace tavelo
