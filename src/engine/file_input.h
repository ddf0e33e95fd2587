// A file opened for reading by its name alone (never a URL or a device), shared by the built-in
// decoders: they read it through here so that every one reports its read position the same way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tavelo::engine {

class FileInput {
public:
  // Opens `path`; on failure valid() is false and error() tells why (an engine error code).
  explicit FileInput(const char* path);
  ~FileInput();
  FileInput(const FileInput&) = delete;
  FileInput& operator=(const FileInput&) = delete;

  bool valid() const { return fd_ >= 0; }
  int error() const { return error_; }
  int fd() const { return fd_; }
  std::uint64_t size() const { return size_; }
  // The read position.
  std::uint64_t tell() const;
  // BASS_StreamGetFilePosition's modes: 0 the read position, 1 and 2 the size; else kNoFilePosition.
  std::uint64_t position(std::uint32_t mode) const;

  // Reads up to `bytes` (fewer only at the end or on a read error); returns how many.
  std::size_t read(void* buffer, std::size_t bytes);
  bool seek(std::uint64_t offset);
  // Reads at `offset` without moving the read position; returns how many bytes came.
  std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t bytes) const;

private:
  int fd_ = -1;
  int error_ = 0;
  std::uint64_t size_ = 0;
};

}  // namespace tavelo::engine
