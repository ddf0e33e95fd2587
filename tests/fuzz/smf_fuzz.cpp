// Standard MIDI files (bare or in RIFF RMID): any bytes are refused or give a timeline whose
// times stay finite.
#include "engine/plugins/midi/smf.h"

#include <cmath>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> smf = tavelo::midi::unwrapRmid({data, size});
  const std::optional<tavelo::midi::SmfTimeline> timeline = tavelo::midi::SmfTimeline::parse(smf);
  if (!timeline) return 0;
  const double seconds = timeline->seconds();
  if (!std::isfinite(seconds) || seconds < 0) std::abort();
  for (const double at : {0.0, seconds / 3, seconds, seconds + 1}) timeline->tickAt(at);
  if (!std::isfinite(timeline->secondsAt(timeline->endTick() / 2))) std::abort();
  return 0;
}
