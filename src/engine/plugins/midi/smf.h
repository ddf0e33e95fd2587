// Standard MIDI files: the checks and the timing the synthesiser's own player does not offer,
// namely the length up front and the place in ticks of a time, for seeking.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tavelo::midi {

struct TempoChange {
  std::uint32_t tick = 0;
  std::uint32_t microsPerQuarter = 500000;
};

class SmfTimeline {
public:
  // Null when the bytes are no standard MIDI file, or one whose tracks run past its end.
  static std::optional<SmfTimeline> parse(std::span<const std::uint8_t> smf);

  double seconds() const { return secondsAt(endTick_); }
  double secondsAt(std::uint32_t tick) const;
  std::uint32_t tickAt(double seconds) const;
  std::uint32_t endTick() const { return endTick_; }

private:
  double ticksPerSecondAtDefaultTempo() const;
  double secondsPerTick(std::uint32_t microsPerQuarter) const;

  std::uint16_t division_ = 96;   // ticks per quarter note, or SMPTE frames and ticks per frame
  std::vector<TempoChange> tempi_;  // sorted by tick, the first at tick 0
  std::uint32_t endTick_ = 0;
};

// A RIFF "RMID" file carries a standard MIDI file in its "data" chunk; other bytes are returned
// as they are.
std::span<const std::uint8_t> unwrapRmid(std::span<const std::uint8_t> file);

}  // namespace tavelo::midi
