// Brings a channel's frames to the output's rate and stereo layout.
#pragma once

#include <cstdint>
#include <vector>

struct SwrContext;

namespace tavelo::engine {

class Resampler {
public:
  Resampler(std::uint32_t inRate, std::uint32_t inChannels, std::uint32_t outRate);
  ~Resampler();
  Resampler(const Resampler&) = delete;
  Resampler& operator=(const Resampler&) = delete;

  // Appends the converted frames (stereo, output rate) to `out`.
  void convert(const float* frames, std::size_t count, std::vector<float>& out);
  // Forgets what it holds from before a jump in position.
  void reset();

private:
  void open();

  std::uint32_t inRate_;
  std::uint32_t inChannels_;
  std::uint32_t outRate_;
  SwrContext* swr_ = nullptr;
};

}  // namespace tavelo::engine
