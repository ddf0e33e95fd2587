#include "engine/sync_dispatcher.h"
#include "engine/thread_name.h"

#include <future>

namespace tavelo::engine {

SyncDispatcher::SyncDispatcher(const char* threadName) : thread_([this, threadName] { run(threadName); }) {}

SyncDispatcher::~SyncDispatcher() {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
  }
  wake_.notify_one();
  if (onDispatchThread()) {
    thread_.detach();  // torn down from inside a callback: the loop ends when that call returns
  } else {
    thread_.join();
  }
}

void SyncDispatcher::post(std::function<void()> call) {
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(call));
  }
  wake_.notify_one();
}

void SyncDispatcher::drain() {
  std::promise<void> done;
  post([&done] { done.set_value(); });
  done.get_future().wait();
}

void SyncDispatcher::run(const char* threadName) {
  nameThisThread(threadName);
  std::unique_lock lock(mutex_);
  while (true) {
    wake_.wait(lock, [this] { return quit_ || !queue_.empty(); });
    if (quit_) {
      return;
    }
    auto call = std::move(queue_.front());
    queue_.pop_front();
    lock.unlock();
    call();
    lock.lock();
  }
}

}  // namespace tavelo::engine
