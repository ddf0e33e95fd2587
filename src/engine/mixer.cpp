#include "engine/mixer.h"

#include "engine/channel.h"
#include "engine/thread_name.h"

#include <algorithm>

namespace tavelo::engine {
namespace {

// One mixing period; pause and stop are heard within about this time.
constexpr std::uint32_t kPeriodMs = 10;

}  // namespace

Mixer::Mixer(std::unique_ptr<Output> output, std::uint32_t rate)
    : output_(std::move(output)),
      periodFrames_(std::size_t{rate} * kPeriodMs / 1000),
      buffer_(periodFrames_ * kOutputChannels),
      thread_([this] { run(); }) {}

Mixer::~Mixer() {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
  }
  wakeUp_.notify_one();
  output_->interrupt();
  thread_.join();
}

void Mixer::add(std::shared_ptr<Channel> channel) {
  std::lock_guard lock(mutex_);
  channels_.push_back(std::move(channel));
}

void Mixer::remove(const Channel* channel) {
  std::lock_guard lock(mutex_);
  std::erase_if(channels_, [channel](const auto& c) { return c.get() == channel; });
}

void Mixer::wake() {
  {
    std::lock_guard lock(mutex_);
    woken_ = true;
  }
  wakeUp_.notify_one();
}

void Mixer::halted(bool paused) {
  halt_ = paused ? Halt::Paused : Halt::Stopped;
  // The next stream may start before the mixer sees silence (a player's Next): the stopped
  // one's queued sound must not be heard before it either.
  if (!paused) {
    dropQueued_ = true;
  }
}

void Mixer::dropQueued() { dropQueued_ = true; }

void Mixer::hurry() { output_->hurry(); }

void Mixer::run() {
  nameThisThread("mixer");
  while (waitForWork()) {
    if (dropQueued_.exchange(false)) {
      dropWhatIsQueued();  // what a paused device kept for a stream that is gone
    }
    output_->resume();
    while (mixPeriod()) {
      if (dropQueued_.exchange(false)) {
        dropWhatIsQueued();
        continue;  // this period was mixed before the jump or the stop
      }
      output_->write(buffer_.data(), periodFrames_);
    }
    // Nothing plays: a pause or stop must be heard now; a channel that ended plays out.
    switch (halt_.exchange(Halt::None)) {
      case Halt::Paused: output_->hold(); break;
      case Halt::Stopped: output_->discard(); break;
      case Halt::None: output_->playOut(); break;
    }
  }
}

// A stop that another channel outlives is done here, not when the mixer next finds silence.
void Mixer::dropWhatIsQueued() {
  output_->discard();
  Halt stopped = Halt::Stopped;
  halt_.compare_exchange_strong(stopped, Halt::None);
}

// Sleeps until a channel starts; false when the mixer is shutting down.
bool Mixer::waitForWork() {
  std::unique_lock lock(mutex_);
  wakeUp_.wait(lock, [this] { return quit_ || woken_; });
  woken_ = false;
  return !quit_;
}

// Mixes one period into buffer_; false when no channel plays (or on shutdown).
bool Mixer::mixPeriod() {
  {
    std::lock_guard lock(mutex_);
    if (quit_) {
      return false;
    }
    mixing_ = channels_;
  }
  std::fill(buffer_.begin(), buffer_.end(), 0.0f);
  bool playing = false;
  for (const auto& channel : mixing_) {
    playing = channel->mixInto(buffer_.data(), periodFrames_) || playing;
  }
  const std::size_t queued = output_->queuedFrames();
  for (const auto& channel : mixing_) {
    channel->noteHeard(queued);
  }
  mixing_.clear();
  return playing;
}

}  // namespace tavelo::engine
