// A bounded buffer of bytes between a net stream's download thread and its decoder. The writer
// waits while it is full, the reader while it is empty; both waits end at once on close.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace tavelo::engine {

class ByteBuffer {
public:
  explicit ByteBuffer(std::size_t capacity);

  // Download thread. Waits for room; false once closed (the bytes not taken are dropped).
  bool write(const std::uint8_t* data, std::size_t length);
  // Decoder thread. Waits for bytes; 0 once the writer has finished and all is read, or closed.
  std::size_t read(std::uint8_t* out, std::size_t length);
  // The writer has no more: the reader gets what is left, then 0.
  void finish();
  // Any thread, never blocks: every wait ends, every later read gives 0 and write false.
  void close();

  // Any thread.
  std::uint64_t written() const;
  std::uint64_t taken() const;
  std::size_t capacity() const { return data_.size(); }

private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::uint8_t> data_;
  std::size_t head_ = 0;  // next byte to read
  std::size_t used_ = 0;
  std::uint64_t written_ = 0;
  std::uint64_t taken_ = 0;
  bool finished_ = false;
  bool closed_ = false;
};

}  // namespace tavelo::engine
