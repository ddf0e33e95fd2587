#include "output.h"

#include "engine.h"

#include <pulse/error.h>
#include <pulse/simple.h>

namespace tavelo::engine {
namespace {

// What the server holds ahead: short, so that pause and stop are heard within 50 ms (with the
// mixer's period), yet several periods deep so that a busy machine does not break the sound up.
constexpr std::uint32_t kTargetLatencyMs = 40;
constexpr std::uint32_t kRequestMs = 10;

std::uint32_t bytesFor(std::uint32_t rate, std::uint32_t ms) {
  return rate * kOutputChannels * sizeof(float) * ms / 1000;
}

class PulseOutput final : public Output {
public:
  PulseOutput(pa_simple* stream, std::uint32_t rate) : stream_(stream), fallback_(makeNullOutput(rate)) {}
  ~PulseOutput() override { pa_simple_free(stream_); }

  void write(const float* frames, std::size_t count) override {
    if (!broken_) {
      int error = 0;
      broken_ = pa_simple_write(stream_, frames, count * kOutputChannels * sizeof(float), &error) < 0;
      if (!broken_) {
        return;
      }
      fallback_->resume();
    }
    // The server went away: keep time so that playback still advances and ends.
    fallback_->write(frames, count);
  }

  void resume() override { fallback_->resume(); }

private:
  pa_simple* stream_;
  std::unique_ptr<Output> fallback_;
  bool broken_ = false;
};

}  // namespace

std::unique_ptr<Output> makePulseOutput(const std::string& sink, std::uint32_t rate, int* error) {
  const pa_sample_spec spec{PA_SAMPLE_FLOAT32LE, rate, static_cast<std::uint8_t>(kOutputChannels)};
  pa_buffer_attr attr{};
  attr.maxlength = static_cast<std::uint32_t>(-1);
  attr.tlength = bytesFor(rate, kTargetLatencyMs);
  attr.prebuf = static_cast<std::uint32_t>(-1);
  attr.minreq = bytesFor(rate, kRequestMs);
  attr.fragsize = static_cast<std::uint32_t>(-1);
  int paError = 0;
  pa_simple* stream = pa_simple_new(nullptr, "Tavelo", PA_STREAM_PLAYBACK, sink.empty() ? nullptr : sink.c_str(),
                                    "Playback", &spec, nullptr, &attr, &paError);
  if (stream == nullptr) {
    *error = BASS_ERROR_DEVICE;
    return nullptr;
  }
  return std::make_unique<PulseOutput>(stream, rate);
}

}  // namespace tavelo::engine
