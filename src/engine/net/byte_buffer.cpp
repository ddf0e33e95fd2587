#include "engine/net/byte_buffer.h"

#include <algorithm>

namespace tavelo::engine {

ByteBuffer::ByteBuffer(std::size_t capacity) : data_(std::max<std::size_t>(capacity, 1)) {}

bool ByteBuffer::write(const std::uint8_t* data, std::size_t length) {
  std::unique_lock lock(mutex_);
  while (length > 0) {
    changed_.wait(lock, [this] { return closed_ || used_ < data_.size(); });
    if (closed_) {
      return false;
    }
    const std::size_t tail = (head_ + used_) % data_.size();
    const std::size_t count = std::min({length, data_.size() - used_, data_.size() - tail});
    std::copy_n(data, count, data_.begin() + static_cast<std::ptrdiff_t>(tail));
    used_ += count;
    written_ += count;
    data += count;
    length -= count;
    changed_.notify_all();
  }
  return true;
}

std::size_t ByteBuffer::read(std::uint8_t* out, std::size_t length) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return closed_ || finished_ || used_ > 0; });
  if (closed_ || length == 0) {
    return 0;
  }
  std::size_t done = 0;
  while (done < length && used_ > 0) {
    const std::size_t count = std::min({length - done, used_, data_.size() - head_});
    std::copy_n(data_.begin() + static_cast<std::ptrdiff_t>(head_), count, out + done);
    head_ = (head_ + count) % data_.size();
    used_ -= count;
    done += count;
  }
  taken_ += done;
  changed_.notify_all();
  return done;
}

void ByteBuffer::finish() {
  std::lock_guard lock(mutex_);
  finished_ = true;
  changed_.notify_all();
}

void ByteBuffer::close() {
  std::lock_guard lock(mutex_);
  closed_ = true;
  changed_.notify_all();
}

std::uint64_t ByteBuffer::written() const {
  std::lock_guard lock(mutex_);
  return written_;
}

std::uint64_t ByteBuffer::taken() const {
  std::lock_guard lock(mutex_);
  return taken_;
}

}  // namespace tavelo::engine
