// Brings a channel's frames to the output's rate and stereo layout.
#pragma once

#include <cstdint>
#include <vector>

struct soxr;

namespace tavelo::engine {

class Resampler {
public:
  Resampler(std::uint32_t inRate, std::uint32_t inChannels, std::uint32_t outRate);
  ~Resampler();
  Resampler(const Resampler&) = delete;
  Resampler& operator=(const Resampler&) = delete;

  // Appends the converted frames (stereo, output rate) to `out`.
  void convert(const float* frames, std::size_t count, std::vector<float>& out);
  // At the end of the sound: appends what the filter still holds (once; reset() rearms it).
  void drain(std::vector<float>& out);
  // Forgets what it holds from before a jump in position.
  void reset();

private:
  const float* toStereo(const float* frames, std::size_t count);
  void process(const float* stereo, std::size_t count, std::vector<float>& out);

  std::uint32_t inRate_;
  std::uint32_t inChannels_;
  std::uint32_t outRate_;
  soxr* soxr_ = nullptr;  // null when only the channels change
  bool drained_ = false;
  std::vector<float> stereo_;
};

}  // namespace tavelo::engine
