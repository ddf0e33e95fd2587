// The level of a station's sound as the radio tests measure it.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace tavelo::test {

// The RMS level of interleaved 16-bit samples, of full scale, skipping the first `skip` samples
// (a station joined midway may start with a glitch where its first frame lacks what came before).
inline double rmsLevel(const std::vector<std::int16_t>& samples, std::size_t skip) {
  const std::size_t from = std::min(samples.size(), skip);
  double sum = 0;
  for (std::size_t i = from; i < samples.size(); ++i) {
    sum += double(samples[i]) * samples[i];
  }
  return samples.size() > from ? std::sqrt(sum / double(samples.size() - from)) / 32768 : 0;
}

// A sine of amplitude 0.5, as the fixture's tone, Ogg and AAC stations play.
inline constexpr double kHalfScaleSineLevel = 0.5 / 1.4142135623730951;

}  // namespace tavelo::test
