// A channel's effects: peaking equaliser bands (the audio-EQ cookbook's peaking biquad) run in
// place on the float frames a channel hands on, at the channel's own rate.
#pragma once

#include "engine/engine.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace tavelo::engine {

// Normalised biquad coefficients (a0 = 1).
struct Biquad {
  double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
};

// The cookbook's peaking filter; nullopt for parameters the equaliser refuses (centre not within
// 0 < centre < rate / 2, bandwidth outside 1–36 semitones, gain outside ±15 dB, NaN anywhere) or
// whose coefficients would not be finite.
std::optional<Biquad> peakingBiquad(const BASS_DX8_PARAMEQ& params, std::uint32_t rate);

// One band: its parameters and, per audio channel, the last two inputs and outputs, kept across
// parameter changes so that a slider move does not click.
class PeakingBand {
public:
  PeakingBand(std::uint32_t rate, std::uint32_t channels);

  const BASS_DX8_PARAMEQ& parameters() const { return params_; }
  // False, changing nothing, when peakingBiquad refuses the parameters.
  bool setParameters(const BASS_DX8_PARAMEQ& params);
  void process(float* frames, std::size_t count);

private:
  struct History {
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
  };
  void filter(float* frames, std::size_t count);
  void follow(const float* frames, std::size_t count);

  std::uint32_t rate_;
  std::uint32_t channels_;
  BASS_DX8_PARAMEQ params_;
  Biquad coefficients_;
  std::vector<History> history_;
};

// The effects on one channel, run in priority order (higher first; equal priorities in the order
// they were added). Not thread-safe: the channel guards it.
class EffectChain {
public:
  EffectChain(std::uint32_t rate, std::uint32_t channels) : rate_(rate), channels_(channels) {}

  void add(HFX handle, int priority);
  bool remove(HFX handle);
  PeakingBand* find(HFX handle);
  void process(float* frames, std::size_t count);

private:
  struct Effect {
    HFX handle;
    int priority;
    PeakingBand band;
  };
  std::uint32_t rate_;
  std::uint32_t channels_;
  std::vector<Effect> effects_;
};

}  // namespace tavelo::engine
