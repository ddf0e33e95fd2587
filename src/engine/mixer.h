// The mixer thread: sums the playing channels into the output, one short period at a time, and
// sleeps while nothing plays.
#pragma once

#include "engine/output.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace tavelo::engine {

class Channel;

class Mixer {
public:
  Mixer(std::unique_ptr<Output> output, std::uint32_t rate);
  ~Mixer();
  Mixer(const Mixer&) = delete;
  Mixer& operator=(const Mixer&) = delete;

  void add(std::shared_ptr<Channel> channel);
  void remove(const Channel* channel);
  // A channel started playing.
  void wake();
  // Frames the device holds that are not heard yet.
  std::size_t queuedFrames() const { return output_->queuedFrames(); }
  // A channel paused (or stopped): once nothing plays, the device goes silent at once, keeping
  // (or dropping) what it had queued.
  void halted(bool paused);
  // A playing channel jumped, or a paused one is gone: what the device queued before is not to be
  // heard.
  void dropQueued();
  // A channel paused, stopped, jumped or left: a write waiting for room returns at once, so that
  // the mixer acts on it now.
  void hurry();

private:
  void run();
  bool waitForWork();
  bool mixPeriod();
  void dropWhatIsQueued();

  std::unique_ptr<Output> output_;
  const std::size_t periodFrames_;
  std::vector<float> buffer_;
  std::vector<std::shared_ptr<Channel>> mixing_;  // the mixer thread's copy of channels_
  std::mutex mutex_;
  std::condition_variable wakeUp_;
  std::vector<std::shared_ptr<Channel>> channels_;
  bool woken_ = false;
  enum class Halt { None, Paused, Stopped };
  std::atomic<Halt> halt_{Halt::None};
  std::atomic<bool> dropQueued_{false};
  bool quit_ = false;
  std::thread thread_;
};

}  // namespace tavelo::engine
