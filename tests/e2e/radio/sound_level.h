// The level of a station's sound as the radio tests measure it.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace tavelo::test {

// The RMS level of one stretch of interleaved 16-bit samples, of full scale.
inline double rmsOf(std::vector<std::int16_t>::const_iterator from, std::vector<std::int16_t>::const_iterator to) {
  double sum = 0;
  for (auto i = from; i != to; ++i) {
    sum += double(*i) * *i;
  }
  return to > from ? std::sqrt(sum / double(to - from)) / 32768 : 0;
}

// The level a listener hears most of the time: the median RMS of 50 ms stretches of interleaved
// stereo 44.1 kHz samples, skipping the first `skip` samples (a station joined midway may start
// with a glitch where its first frame lacks what came before). A median, because a loaded test
// machine may starve the station's source for a moment, and a gap is not a level.
inline double rmsLevel(const std::vector<std::int16_t>& samples, std::size_t skip) {
  constexpr std::ptrdiff_t kStretch = 44100 / 20 * 2;
  std::vector<double> levels;
  for (auto at = samples.begin() + std::ptrdiff_t(std::min(samples.size(), skip)); samples.end() - at >= kStretch;
       at += kStretch) {
    levels.push_back(rmsOf(at, at + kStretch));
  }
  if (levels.empty()) {
    return 0;
  }
  std::nth_element(levels.begin(), levels.begin() + std::ptrdiff_t(levels.size() / 2), levels.end());
  return levels[levels.size() / 2];
}

// A sine of amplitude 0.5, as the fixture's tone, Ogg and AAC stations play.
inline constexpr double kHalfScaleSineLevel = 0.5 / 1.4142135623730951;

}  // namespace tavelo::test
