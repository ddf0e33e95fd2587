#include "engine/resampler.h"

#include "engine/output.h"

#include <soxr.h>

#include <algorithm>
#include <array>
#include <cmath>

namespace tavelo::engine {
namespace {

// Left and right gains of each channel in the usual order of multichannel files (front L, R,
// centre, LFE, back L, R, side L, R; five channels without LFE, four as front and back pairs).
using Gains = std::array<float, 2>;
constexpr float kHalf = 0.7071f;
constexpr Gains kL{1, 0}, kR{0, 1}, kC{kHalf, kHalf}, kLfe{0, 0}, kSideL{kHalf, 0}, kSideR{0, kHalf};
constexpr std::array<std::array<Gains, 8>, 9> kDownmix{{
    {}, {}, {},
    {kL, kR, kC},
    {kL, kR, kSideL, kSideR},
    {kL, kR, kC, kSideL, kSideR},
    {kL, kR, kC, kLfe, kSideL, kSideR},
    {kL, kR, kC, kLfe, kC, kSideL, kSideR},
    {kL, kR, kC, kLfe, kSideL, kSideR, kSideL, kSideR},
}};

Gains gainsOf(std::uint32_t channels, std::uint32_t channel) {
  if (channels < kDownmix.size()) {
    return kDownmix[channels][channel];
  }
  return channel == 0 ? kL : channel == 1 ? kR : kLfe;  // more than 8: the first pair
}

soxr* newSoxr(std::uint32_t inRate, std::uint32_t outRate) {
  const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
  const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
  const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);  // no worker threads
  soxr_error_t error = nullptr;
  soxr* created = soxr_create(inRate, outRate, kOutputChannels, &error, &io, &quality, &runtime);
  return error == nullptr ? created : nullptr;
}

}  // namespace

Resampler::Resampler(std::uint32_t inRate, std::uint32_t inChannels, std::uint32_t outRate)
    : inRate_(inRate), inChannels_(inChannels), outRate_(outRate) {
  if (inRate_ != outRate_) {
    soxr_ = newSoxr(inRate_, outRate_);
  }
}

Resampler::~Resampler() { soxr_delete(soxr_); }

// Mono is heard on both sides; more channels are mixed down without clipping.
const float* Resampler::toStereo(const float* frames, std::size_t count) {
  if (inChannels_ == kOutputChannels) {
    return frames;
  }
  stereo_.resize(count * kOutputChannels);
  if (inChannels_ == 1) {
    for (std::size_t i = 0; i < count; ++i) {
      stereo_[2 * i] = stereo_[2 * i + 1] = frames[i];
    }
    return stereo_.data();
  }
  Gains total{};
  for (std::uint32_t c = 0; c < inChannels_; ++c) {
    total[0] += gainsOf(inChannels_, c)[0];
    total[1] += gainsOf(inChannels_, c)[1];
  }
  std::fill(stereo_.begin(), stereo_.end(), 0.0f);
  for (std::uint32_t c = 0; c < inChannels_; ++c) {
    const Gains gains = gainsOf(inChannels_, c);
    for (std::size_t i = 0; i < count; ++i) {
      const float sample = frames[i * inChannels_ + c];
      stereo_[2 * i] += sample * gains[0] / total[0];
      stereo_[2 * i + 1] += sample * gains[1] / total[1];
    }
  }
  return stereo_.data();
}

void Resampler::convert(const float* frames, std::size_t count, std::vector<float>& out) {
  const float* stereo = toStereo(frames, count);
  if (inRate_ == outRate_) {
    out.insert(out.end(), stereo, stereo + count * kOutputChannels);
    return;
  }
  process(stereo, count, out);
}

// Feeds `count` stereo frames (none: the end) and appends everything the filter gives back.
void Resampler::process(const float* stereo, std::size_t count, std::vector<float>& out) {
  if (soxr_ == nullptr) {
    return;  // no converter could be made: the channel stays silent rather than noisy
  }
  const auto room = static_cast<std::size_t>(std::ceil(double(count) * outRate_ / inRate_)) + 64;
  std::size_t fed = 0;
  while (true) {
    const std::size_t start = out.size();
    out.resize(start + room * kOutputChannels);
    std::size_t used = 0;
    std::size_t made = 0;
    const float* input = stereo != nullptr ? stereo + fed * kOutputChannels : nullptr;
    soxr_process(soxr_, input, count - fed, &used, out.data() + start, room, &made);
    out.resize(start + made * kOutputChannels);
    fed += used;
    // Done once all is in and the filter had no more to give than there was room for.
    if ((fed == count && made < room) || (made == 0 && used == 0)) {
      return;
    }
  }
}

void Resampler::drain(std::vector<float>& out) {
  if (soxr_ != nullptr && !drained_) {
    drained_ = true;
    process(nullptr, 0, out);
  }
}

void Resampler::reset() {
  drained_ = false;
  if (soxr_ != nullptr) {
    soxr_clear(soxr_);
  }
}

}  // namespace tavelo::engine
