#include "files/equalizer.h"

#include "engine/engine.h"

namespace tavelo {
namespace {

constexpr int kPriority = 1;

// A band whose centre the stream's rate cannot carry is taken off again: 0.
HFX attachBand(std::uint32_t stream, float centre, int gainDb) {
  const HFX fx = BASS_ChannelSetFX(stream, BASS_FX_DX8_PARAMEQ, kPriority);
  const BASS_DX8_PARAMEQ params{centre, Equalizer::kBandwidthSemitones, float(gainDb)};
  if (fx != 0 && !BASS_FXSetParameters(fx, &params)) {
    BASS_ChannelRemoveFX(stream, fx);
    return 0;
  }
  return fx;
}

bool eightBit(std::uint32_t stream) {
  BASS_CHANNELINFO info{};
  return BASS_ChannelGetInfo(stream, &info) && (info.flags & BASS_SAMPLE_8BITS) != 0;
}

}  // namespace

void Equalizer::apply(std::uint32_t stream, const Gains& gains) {
  if (stream == 0 || eightBit(stream)) return;
  remove(stream);
  for (int band = 0; band < kBands; ++band) {
    effects_[std::size_t(band)] = attachBand(stream, kCentresHz[std::size_t(band)], gains[std::size_t(band)]);
  }
  stream_ = stream;
}

void Equalizer::remove(std::uint32_t stream) {
  if (stream == 0 || stream != stream_) return;
  for (std::uint32_t& fx : effects_) {
    if (fx != 0) BASS_ChannelRemoveFX(stream, fx);
    fx = 0;
  }
  stream_ = 0;
}

void Equalizer::setGain(int band, int gainDb) {
  const HFX fx = effects_.at(std::size_t(band));
  BASS_DX8_PARAMEQ params{};
  if (fx == 0 || !BASS_FXGetParameters(fx, &params)) return;
  params.fGain = float(gainDb);
  BASS_FXSetParameters(fx, &params);
}

}  // namespace tavelo
