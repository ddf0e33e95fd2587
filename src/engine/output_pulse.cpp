#include "engine/output.h"

#include "engine/engine.h"

#include <pulse/context.h>
#include <pulse/stream.h>
#include <pulse/thread-mainloop.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>

namespace tavelo::engine {
namespace {

// The server holds this much ahead, so the player wakes only every kRequestMs: light on the CPU.
// Pause corks the stream, and stop, seek and a stream freed while playing flush it, so all of
// them are still heard at once.
constexpr std::uint32_t kTargetLatencyMs = 600;
constexpr std::uint32_t kRequestMs = 250;
constexpr std::uint32_t kLatencyBoundMs = kTargetLatencyMs + kRequestMs;
static_assert(kLatencyBoundMs <= kMaxQueuedMs);
// The server gives the sink itself (queue - 2 x request) / 2 of latency: 50 ms here, so a sink
// that cannot take back what it rendered still pauses quickly. At 0 the server spins.
static_assert(kTargetLatencyMs > 2 * kRequestMs);
// Sound starts once this much is queued, not the whole queue: Play is heard at once.
constexpr std::uint32_t kStartMs = 100;
// A server that does not answer within this time is taken as absent.
constexpr auto kConnectTimeout = std::chrono::seconds(3);

std::uint32_t bytesFor(std::uint32_t rate, std::uint32_t ms) {
  return rate * kOutputChannels * sizeof(float) * ms / 1000;
}

class PulseOutput final : public Output {
public:
  explicit PulseOutput(std::uint32_t rate) : rate_(rate), fallback_(makeNullOutput(rate)) {}

  ~PulseOutput() override {
    if (loop_ == nullptr) {
      return;
    }
    pa_threaded_mainloop_stop(loop_);
    if (stream_ != nullptr) {
      pa_stream_disconnect(stream_);
      pa_stream_unref(stream_);
    }
    if (context_ != nullptr) {
      pa_context_disconnect(context_);
      pa_context_unref(context_);
    }
    pa_threaded_mainloop_free(loop_);
  }

  bool open(const std::string& sink) {
    loop_ = pa_threaded_mainloop_new();
    if (loop_ == nullptr) {
      return false;
    }
    context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), "Tavelo");
    if (context_ == nullptr || pa_threaded_mainloop_start(loop_) < 0) {
      return false;
    }
    pa_threaded_mainloop_lock(loop_);
    const bool connected = pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0 &&
                           waitUntil([this] { return contextProgress(); }) && connectStream(sink);
    pa_threaded_mainloop_unlock(loop_);
    return connected;
  }

  void write(const float* frames, std::size_t count) override {
    if (!broken_) {
      pa_threaded_mainloop_lock(loop_);
      broken_ = !writeLocked(reinterpret_cast<const std::uint8_t*>(frames), count * kOutputChannels * sizeof(float));
      pa_threaded_mainloop_unlock(loop_);
      if (!broken_) {
        return;
      }
      fallback_->resume();
    }
    // The server went away: keep time so that playback still advances and ends.
    fallback_->write(frames, count);
  }

  void hold() override { setCorked(true); }

  void discard() override { startOperation(pa_stream_flush); }

  // The server waits for kStartMs of sound before it starts; a shorter one must not wait forever.
  void playOut() override { startOperation(pa_stream_trigger); }

  void resume() override {
    setCorked(false);
    fallback_->resume();
  }

  std::size_t queuedFrames() override {
    pa_usec_t latency = 0;
    int negative = 0;
    pa_threaded_mainloop_lock(loop_);
    const bool known = !broken_ && pa_stream_get_latency(stream_, &latency, &negative) >= 0 && negative == 0;
    pa_threaded_mainloop_unlock(loop_);
    // Some sinks (a null sink) claim far more than they hold; ours never queues beyond the target.
    const pa_usec_t bounded = std::min<pa_usec_t>(latency, kLatencyBoundMs * 1000);
    return known ? static_cast<std::size_t>(bounded * rate_ / 1000000) : 0;
  }

  void interrupt() override { wakeWriter(closing_); }

  void hurry() override { wakeWriter(hurried_); }

private:
  enum class Progress { Pending, Ready, Failed };

  // Waits with the loop locked, polling so that a server that never answers cannot hang us.
  bool waitUntil(const std::function<Progress()>& progress) {
    const auto deadline = std::chrono::steady_clock::now() + kConnectTimeout;
    while (true) {
      const Progress now = progress();
      if (now != Progress::Pending || std::chrono::steady_clock::now() > deadline) {
        return now == Progress::Ready;
      }
      pa_threaded_mainloop_unlock(loop_);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      pa_threaded_mainloop_lock(loop_);
    }
  }

  Progress contextProgress() const {
    const pa_context_state_t state = pa_context_get_state(context_);
    return state == PA_CONTEXT_READY ? Progress::Ready : PA_CONTEXT_IS_GOOD(state) ? Progress::Pending : Progress::Failed;
  }

  Progress streamProgress() const {
    const pa_stream_state_t state = pa_stream_get_state(stream_);
    return state == PA_STREAM_READY ? Progress::Ready : PA_STREAM_IS_GOOD(state) ? Progress::Pending : Progress::Failed;
  }

  bool connectStream(const std::string& sink) {
    const pa_sample_spec spec{PA_SAMPLE_FLOAT32LE, rate_, static_cast<std::uint8_t>(kOutputChannels)};
    stream_ = pa_stream_new(context_, "Playback", &spec, nullptr);
    if (stream_ == nullptr) {
      return false;
    }
    pa_stream_set_write_callback(stream_, onWritable, this);
    pa_stream_set_state_callback(stream_, onStateChange, this);
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.tlength = bytesFor(rate_, kTargetLatencyMs);
    attr.prebuf = bytesFor(rate_, kStartMs);
    attr.minreq = bytesFor(rate_, kRequestMs);
    attr.fragsize = static_cast<std::uint32_t>(-1);
    const auto flags =
        static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE);
    if (pa_stream_connect_playback(stream_, sink.empty() ? nullptr : sink.c_str(), &attr, flags, nullptr, nullptr) < 0) {
      return false;
    }
    return waitUntil([this] { return streamProgress(); });
  }

  // Hands the bytes over as the server makes room; false once the stream has failed.
  bool writeLocked(const std::uint8_t* data, std::size_t bytes) {
    while (bytes > 0) {
      if (closing_ || pa_stream_get_state(stream_) != PA_STREAM_READY) {
        return false;
      }
      const std::size_t room = pa_stream_writable_size(stream_);
      if (hurried_) {
        hurried_ = false;
        return pa_stream_write(stream_, data, bytes, nullptr, 0, PA_SEEK_RELATIVE) >= 0;  // a period over the queue is harmless
      }
      if (room == 0 || room == static_cast<std::size_t>(-1)) {
        pa_threaded_mainloop_wait(loop_);
        continue;
      }
      const std::size_t n = std::min(room, bytes);
      if (pa_stream_write(stream_, data, n, nullptr, 0, PA_SEEK_RELATIVE) < 0) {
        return false;
      }
      data += n;
      bytes -= n;
    }
    return true;
  }

  void wakeWriter(bool& reason) {
    pa_threaded_mainloop_lock(loop_);
    reason = true;
    pa_threaded_mainloop_signal(loop_, 0);
    pa_threaded_mainloop_unlock(loop_);
  }

  using StreamOperation = pa_operation* (*)(pa_stream*, pa_stream_success_cb_t, void*);
  void startOperation(StreamOperation operation) {
    pa_threaded_mainloop_lock(loop_);
    if (!broken_) {
      pa_operation_unref(operation(stream_, nullptr, nullptr));
    }
    pa_threaded_mainloop_unlock(loop_);
  }

  void setCorked(bool corked) {
    pa_threaded_mainloop_lock(loop_);
    if (!broken_ && corked != corked_) {
      pa_operation_unref(pa_stream_cork(stream_, corked ? 1 : 0, nullptr, nullptr));
      corked_ = corked;
    }
    pa_threaded_mainloop_unlock(loop_);
  }

  static void onWritable(pa_stream*, std::size_t, void* self) {
    pa_threaded_mainloop_signal(static_cast<PulseOutput*>(self)->loop_, 0);
  }
  static void onStateChange(pa_stream*, void* self) {
    pa_threaded_mainloop_signal(static_cast<PulseOutput*>(self)->loop_, 0);
  }

  std::uint32_t rate_;
  std::unique_ptr<Output> fallback_;
  pa_threaded_mainloop* loop_ = nullptr;
  pa_context* context_ = nullptr;
  pa_stream* stream_ = nullptr;
  bool broken_ = false;
  bool corked_ = false;
  bool closing_ = false;
  bool hurried_ = false;
};

}  // namespace

std::unique_ptr<Output> makePulseOutput(const std::string& sink, std::uint32_t rate, int* error) {
  auto output = std::make_unique<PulseOutput>(rate);
  if (!output->open(sink)) {
    *error = BASS_ERROR_DEVICE;
    return nullptr;
  }
  return output;
}

}  // namespace tavelo::engine
