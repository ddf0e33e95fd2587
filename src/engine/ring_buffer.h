// A fixed-size ring of interleaved float frames. Not synchronised: its owner locks around it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

namespace tavelo::engine {

class RingBuffer {
public:
  RingBuffer(std::size_t frames, std::size_t channels) : data_(frames * channels), channels_(channels) {}

  std::size_t capacityFrames() const { return data_.size() / channels_; }
  std::size_t usedFrames() const { return used_ / channels_; }
  std::size_t freeFrames() const { return (data_.size() - used_) / channels_; }

  std::size_t write(const float* frames, std::size_t count) {
    const std::size_t samples = std::min(count, freeFrames()) * channels_;
    copyIn(frames, samples);
    return samples / channels_;
  }

  std::size_t read(float* frames, std::size_t count) {
    const std::size_t samples = std::min(count, usedFrames()) * channels_;
    copyOut(frames, samples);
    return samples / channels_;
  }

  void clear() { head_ = used_ = 0; }

private:
  void copyIn(const float* src, std::size_t samples) {
    std::size_t tail = (head_ + used_) % data_.size();
    const std::size_t first = std::min(samples, data_.size() - tail);
    std::memcpy(data_.data() + tail, src, first * sizeof(float));
    std::memcpy(data_.data(), src + first, (samples - first) * sizeof(float));
    used_ += samples;
  }

  void copyOut(float* dst, std::size_t samples) {
    const std::size_t first = std::min(samples, data_.size() - head_);
    std::memcpy(dst, data_.data() + head_, first * sizeof(float));
    std::memcpy(dst + first, data_.data(), (samples - first) * sizeof(float));
    head_ = (head_ + samples) % data_.size();
    used_ -= samples;
  }

  std::vector<float> data_;
  std::size_t channels_;
  std::size_t head_ = 0;
  std::size_t used_ = 0;
};

}  // namespace tavelo::engine
