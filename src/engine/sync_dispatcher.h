// Runs sync callbacks on an engine thread of their own, so that a callback may call the engine
// (even free its channel) without deadlocking the mixer or a decoder.
#pragma once

#include "engine.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace tavelo::engine {

class SyncDispatcher {
public:
  SyncDispatcher();
  ~SyncDispatcher();
  SyncDispatcher(const SyncDispatcher&) = delete;
  SyncDispatcher& operator=(const SyncDispatcher&) = delete;

  void post(std::function<void()> call);
  bool onDispatchThread() const { return std::this_thread::get_id() == thread_.get_id(); }

private:
  void run();

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> queue_;
  bool quit_ = false;
  std::thread thread_;
};

}  // namespace tavelo::engine
