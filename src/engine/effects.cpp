#include "engine/effects.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tavelo::engine {
namespace {

constexpr float kMinBandwidth = 1;
constexpr float kMaxBandwidth = 36;
constexpr float kMaxGain = 15;
constexpr float kNewBandwidth = 12;

bool acceptable(const BASS_DX8_PARAMEQ& p, std::uint32_t rate) {
  // Written so that NaN fails every comparison.
  return p.fCenter > 0 && p.fCenter < rate / 2.0 && p.fBandwidth >= kMinBandwidth && p.fBandwidth <= kMaxBandwidth &&
         p.fGain >= -kMaxGain && p.fGain <= kMaxGain;
}

bool finite(const Biquad& q) {
  return std::isfinite(q.b0) && std::isfinite(q.b1) && std::isfinite(q.b2) && std::isfinite(q.a1) && std::isfinite(q.a2);
}

}  // namespace

std::optional<Biquad> peakingBiquad(const BASS_DX8_PARAMEQ& params, std::uint32_t rate) {
  if (!acceptable(params, rate)) {
    return std::nullopt;
  }
  const double a = std::pow(10.0, params.fGain / 40.0);
  const double w0 = 2 * std::numbers::pi * params.fCenter / rate;
  const double octaves = params.fBandwidth / 12.0;
  const double alpha = std::sin(w0) * std::sinh(std::numbers::ln2 / 2 * octaves * w0 / std::sin(w0));
  const double a0 = 1 + alpha / a;
  const Biquad q{(1 + alpha * a) / a0, -2 * std::cos(w0) / a0, (1 - alpha * a) / a0, -2 * std::cos(w0) / a0,
                 (1 - alpha / a) / a0};
  return finite(q) ? std::optional(q) : std::nullopt;
}

PeakingBand::PeakingBand(std::uint32_t rate, std::uint32_t channels)
    : rate_(rate),
      channels_(channels),
      params_{static_cast<float>(std::min(1000.0, rate / 4.0)), kNewBandwidth, 0},
      history_(channels) {}

bool PeakingBand::setParameters(const BASS_DX8_PARAMEQ& params) {
  const auto coefficients = peakingBiquad(params, rate_);
  if (!coefficients) {
    return false;
  }
  params_ = params;
  coefficients_ = *coefficients;
  return true;
}

void PeakingBand::process(float* frames, std::size_t count) {
  if (params_.fGain == 0) {
    follow(frames, count);  // a flat band leaves every sample as it is
  } else {
    filter(frames, count);
  }
}

void PeakingBand::filter(float* frames, std::size_t count) {
  const Biquad q = coefficients_;
  for (std::uint32_t c = 0; c < channels_; ++c) {
    History h = history_[c];
    float* sample = frames + c;
    for (std::size_t i = 0; i < count; ++i, sample += channels_) {
      const double x = *sample;
      const double y = q.b0 * x + q.b1 * h.x1 + q.b2 * h.x2 - q.a1 * h.y1 - q.a2 * h.y2;
      h = {x, h.x1, y, h.y1};
      *sample = static_cast<float>(y);
    }
    history_[c] = h;
  }
}

// A flat band's output is its input: the history follows it, so that a later gain starts from
// where the sound is.
void PeakingBand::follow(const float* frames, std::size_t count) {
  for (std::uint32_t c = 0; c < channels_; ++c) {
    History& h = history_[c];
    if (count >= 2) {
      h.x2 = frames[(count - 2) * channels_ + c];
      h.x1 = frames[(count - 1) * channels_ + c];
    } else if (count == 1) {
      h.x2 = h.x1;
      h.x1 = frames[c];
    }
    h.y1 = h.x1;
    h.y2 = h.x2;
  }
}

void EffectChain::add(HFX handle, int priority) {
  // After every effect of the same or a higher priority.
  const auto at = std::find_if(effects_.begin(), effects_.end(), [priority](const Effect& e) { return e.priority < priority; });
  effects_.insert(at, Effect{handle, priority, PeakingBand(rate_, channels_)});
}

bool EffectChain::remove(HFX handle) {
  return std::erase_if(effects_, [handle](const Effect& e) { return e.handle == handle; }) > 0;
}

PeakingBand* EffectChain::find(HFX handle) {
  const auto it = std::find_if(effects_.begin(), effects_.end(), [handle](const Effect& e) { return e.handle == handle; });
  return it != effects_.end() ? &it->band : nullptr;
}

void EffectChain::process(float* frames, std::size_t count) {
  for (Effect& effect : effects_) {
    effect.band.process(frames, count);
  }
}

}  // namespace tavelo::engine
