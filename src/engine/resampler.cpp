#include "resampler.h"

#include "output.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
#include <libswresample/swresample.h>
}

namespace tavelo::engine {

Resampler::Resampler(std::uint32_t inRate, std::uint32_t inChannels, std::uint32_t outRate)
    : inRate_(inRate), inChannels_(inChannels), outRate_(outRate) {
  open();
}

Resampler::~Resampler() { swr_free(&swr_); }

void Resampler::open() {
  AVChannelLayout inLayout;
  av_channel_layout_default(&inLayout, static_cast<int>(inChannels_));
  AVChannelLayout outLayout = AV_CHANNEL_LAYOUT_STEREO;
  swr_alloc_set_opts2(&swr_, &outLayout, AV_SAMPLE_FMT_FLT, static_cast<int>(outRate_), &inLayout,
                      AV_SAMPLE_FMT_FLT, static_cast<int>(inRate_), 0, nullptr);
  if (swr_ != nullptr && swr_init(swr_) < 0) {
    swr_free(&swr_);
  }
  av_channel_layout_uninit(&inLayout);
}

void Resampler::convert(const float* frames, std::size_t count, std::vector<float>& out) {
  if (swr_ == nullptr) {
    return;  // no converter could be made: the channel stays silent rather than noisy
  }
  const int room = swr_get_out_samples(swr_, static_cast<int>(count));
  if (room <= 0) {
    return;
  }
  const std::size_t start = out.size();
  out.resize(start + static_cast<std::size_t>(room) * kOutputChannels);
  auto* dst = reinterpret_cast<std::uint8_t*>(out.data() + start);
  const auto* src = reinterpret_cast<const std::uint8_t*>(frames);
  const int made = swr_convert(swr_, &dst, room, &src, static_cast<int>(count));
  out.resize(start + static_cast<std::size_t>(made > 0 ? made : 0) * kOutputChannels);
}

void Resampler::reset() {
  swr_free(&swr_);
  open();
}

}  // namespace tavelo::engine
