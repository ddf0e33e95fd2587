#include "sync_dispatcher.h"
#include "thread_name.h"

namespace tavelo::engine {

SyncDispatcher::SyncDispatcher() : thread_([this] { run(); }) {}

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

void SyncDispatcher::run() {
  nameThisThread("syncs");
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
