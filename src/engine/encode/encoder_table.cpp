#include "engine/encode/encoder_table.h"

#include <deque>
#include <map>
#include <mutex>
#include <utility>

namespace tavelo::engine {
namespace {

// Encoder handles have a range of their own, apart from channels, syncs and plug-ins.
constexpr HENCODE kFirstEncoder = 0x40000000;
constexpr std::size_t kErrorsKept = 32;

struct Table {
  std::mutex mutex;
  HENCODE next = kFirstEncoder;
  std::map<HENCODE, std::shared_ptr<Encoder>> running;
  std::deque<std::pair<HENCODE, std::string>> stoppedErrors;  // oldest first
};

Table& table() {
  static Table instance;
  return instance;
}

}  // namespace

HENCODE nextEncoderHandle() {
  Table& t = table();
  std::lock_guard lock(t.mutex);
  return t.next++;
}

void addEncoder(std::shared_ptr<Encoder> encoder) {
  Table& t = table();
  std::lock_guard lock(t.mutex);
  t.running.emplace(encoder->handle(), std::move(encoder));
}

std::shared_ptr<Encoder> findEncoder(HENCODE handle) {
  Table& t = table();
  std::lock_guard lock(t.mutex);
  const auto it = t.running.find(handle);
  return it != t.running.end() ? it->second : nullptr;
}

bool retireEncoder(const std::shared_ptr<Encoder>& encoder) {
  const bool complete = encoder->stop();
  Table& t = table();
  std::lock_guard lock(t.mutex);
  if (t.running.erase(encoder->handle()) > 0 && !complete) {
    t.stoppedErrors.emplace_back(encoder->handle(), encoder->error());
    if (t.stoppedErrors.size() > kErrorsKept) {
      t.stoppedErrors.pop_front();
    }
  }
  return complete;
}

const char* encoderError(HENCODE handle) {
  if (const auto encoder = findEncoder(handle)) {
    // A running encoder's reason may still change: it is read once it has stopped.
    return nullptr;
  }
  Table& t = table();
  std::lock_guard lock(t.mutex);
  for (const auto& [stopped, error] : t.stoppedErrors) {
    if (stopped == handle) {
      return error.c_str();
    }
  }
  return nullptr;
}

}  // namespace tavelo::engine
