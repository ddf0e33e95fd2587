#include "engine/encode/encoder.h"

#include "engine/channel.h"
#include "engine/encode/encoder_table.h"
#include "engine/thread_name.h"

#include <signal.h>

#include <algorithm>
#include <cstring>

namespace tavelo::engine {
namespace {

constexpr auto kStopWait = std::chrono::seconds(10);
constexpr std::size_t kBehindSeconds = 10;
// A decode-only reader waits while this much is queued: the pipe holds as much again.
constexpr std::size_t kWaitAbove = 1 << 20;

void blockSigpipeOnThisThread() {
  sigset_t pipeOnly;
  sigemptyset(&pipeOnly);
  sigaddset(&pipeOnly, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipeOnly, nullptr);
}

}  // namespace

Encoder::Encoder(std::unique_ptr<EncoderSink> sink, const Settings& settings, std::weak_ptr<EncoderTap> tap)
    : sink_(std::move(sink)),
      settings_(settings),
      tap_(std::move(tap)),
      behindLimit_(kBehindSeconds * settings.format.rate * settings.format.bytesPerFrame()) {
  if ((settings_.flags & (BASS_ENCODE_NOHEAD | BASS_ENCODE_PCM)) == 0) {
    const auto header = waveHeader(settings_.format, kUnknownWaveSize);
    queue_.emplace_back(header.begin(), header.end());
    queuedBytes_ = header.size();
  }
  writer_ = std::thread([this] { writeLoop(); });
}

Encoder::~Encoder() {
  stop();
}

std::vector<std::uint8_t> Encoder::convert(const float* frames, std::size_t count) const {
  const std::size_t samples = count * settings_.channels;
  std::vector<std::uint8_t> bytes(samples * (settings_.format.floatSamples ? sizeof(float) : sizeof(std::int16_t)));
  if (settings_.format.floatSamples) {
    std::memcpy(bytes.data(), frames, bytes.size());
  } else {
    toInt16(frames, reinterpret_cast<std::int16_t*>(bytes.data()), samples);
  }
  return bytes;
}

void Encoder::feed(const float* frames, std::size_t count, bool waitForRoom) {
  if (count == 0) {
    return;
  }
  {
    std::lock_guard lock(mutex_);
    if (closing_ || !failure_.empty()) {
      return;
    }
  }
  enqueue(convert(frames, count), waitForRoom);
}

void Encoder::enqueue(std::vector<std::uint8_t> bytes, bool waitForRoom) {
  std::unique_lock lock(mutex_);
  if (waitForRoom) {
    changed_.wait(lock, [this] { return closing_ || !failure_.empty() || queuedBytes_ < kWaitAbove; });
  } else if (queuedBytes_ + bytes.size() > behindLimit_) {
    failure_ = "the encoder fell more than 10 s behind";
    queue_.clear();
    queuedBytes_ = 0;
  }
  if (closing_ || !failure_.empty()) {
    return;
  }
  queuedBytes_ += bytes.size();
  queue_.push_back(std::move(bytes));
  changed_.notify_all();
}

void Encoder::writeLoop() {
  nameThisThread("encoder");
  blockSigpipeOnThisThread();
  std::unique_lock lock(mutex_);
  while (true) {
    changed_.wait(lock, [this] { return !queue_.empty() || closing_ || !failure_.empty(); });
    if (queue_.empty() || !failure_.empty()) {
      break;
    }
    std::vector<std::uint8_t> chunk = std::move(queue_.front());
    queue_.pop_front();
    queuedBytes_ -= chunk.size();
    changed_.notify_all();  // room for a waiting reader
    lock.unlock();
    const bool written = sink_->write(chunk.data(), chunk.size());
    lock.lock();
    if (!written && failure_.empty()) {
      failure_ = sink_->failure();
    }
  }
  queue_.clear();
  queuedBytes_ = 0;
  writerDone_ = true;
  changed_.notify_all();
}

bool Encoder::active() {
  {
    std::lock_guard lock(mutex_);
    if (result_ || !failure_.empty()) {
      return false;
    }
  }
  return sink_->running();
}

bool Encoder::stop() {
  std::lock_guard stopLock(stopMutex_);
  if (result_) {
    return *result_;
  }
  const auto deadline = std::chrono::steady_clock::now() + kStopWait;
  {
    std::unique_lock lock(mutex_);
    closing_ = true;
    changed_.notify_all();
    if (!changed_.wait_until(lock, deadline, [this] { return writerDone_; })) {
      sink_->kill();  // a program that does not read: its pipe lets the writer go
    }
  }
  writer_.join();
  const std::string exitReason = sink_->finish(deadline);
  std::lock_guard lock(mutex_);
  if (!exitReason.empty()) {
    failure_ = exitReason;  // the program's own words say more than a broken pipe
  }
  result_ = failure_.empty();
  return *result_;
}

std::string Encoder::error() const {
  std::lock_guard lock(mutex_);
  return failure_;
}

void EncoderTap::add(std::shared_ptr<Encoder> encoder) {
  std::lock_guard lock(mutex_);
  encoders_.push_back(std::move(encoder));
}

void EncoderTap::remove(const Encoder* encoder) {
  std::lock_guard lock(mutex_);
  std::erase_if(encoders_, [encoder](const auto& e) { return e.get() == encoder; });
}

std::vector<std::shared_ptr<Encoder>> EncoderTap::list() const {
  std::lock_guard lock(mutex_);
  return encoders_;
}

void EncoderTap::feed(const float* frames, std::size_t count, bool waitForRoom) {
  std::lock_guard lock(mutex_);
  for (const auto& encoder : encoders_) {
    encoder->feed(frames, count, waitForRoom);
  }
}

void EncoderTap::channelFreed() {
  std::vector<std::shared_ptr<Encoder>> encoders;
  {
    std::lock_guard lock(mutex_);
    encoders.swap(encoders_);
  }
  for (const auto& encoder : encoders) {
    if (encoder->autofree()) {
      retireEncoder(encoder);
    }
  }
}

}  // namespace tavelo::engine
