// Runs calls in order on an engine thread of its own. The sync thread runs sync callbacks, so that
// a callback may call the engine (even free its channel) without deadlocking the mixer or a
// decoder; the reaper finishes freed channels, so that no caller waits for a source to close.
#pragma once

#include "engine/engine.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace tavelo::engine {

class SyncDispatcher {
public:
  explicit SyncDispatcher(const char* threadName);
  ~SyncDispatcher();
  SyncDispatcher(const SyncDispatcher&) = delete;
  SyncDispatcher& operator=(const SyncDispatcher&) = delete;

  // Any thread; never blocks.
  void post(std::function<void()> call);
  // Waits until every call posted before has run. Not from a call on this dispatcher's thread.
  void drain();
  bool onDispatchThread() const { return std::this_thread::get_id() == thread_.get_id(); }

private:
  void run(const char* threadName);

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> queue_;
  bool quit_ = false;
  std::thread thread_;
};

}  // namespace tavelo::engine
