#include "engine/file_input.h"

#include "engine/engine.h"
#include "engine/source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace tavelo::engine {

FileInput::FileInput(const char* path) {
  fd_ = ::open(path, O_RDONLY | O_CLOEXEC);
  struct stat st{};
  if (fd_ < 0 || fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    error_ = BASS_ERROR_FILEOPEN;
    if (fd_ >= 0) {
      ::close(fd_);
      fd_ = -1;
    }
    return;
  }
  size_ = static_cast<std::uint64_t>(st.st_size);
}

FileInput::~FileInput() {
  if (fd_ >= 0) {
    ::close(fd_);
  }
}

std::uint64_t FileInput::tell() const {
  const off_t at = lseek(fd_, 0, SEEK_CUR);
  return at < 0 ? 0 : static_cast<std::uint64_t>(at);
}

std::uint64_t FileInput::position(std::uint32_t mode) const {
  switch (mode) {
    case BASS_FILEPOS_CURRENT: return tell();
    case BASS_FILEPOS_DOWNLOAD:
    case BASS_FILEPOS_END: return size_;
    default: return kNoFilePosition;
  }
}

namespace {

// Repeats `readSome(at, bytes, done)` until `bytes` came, the end, or an error other than EINTR.
template <typename ReadSome>
std::size_t readFully(void* buffer, std::size_t bytes, ReadSome readSome) {
  std::size_t done = 0;
  while (done < bytes) {
    const ssize_t got = readSome(static_cast<char*>(buffer) + done, bytes - done, done);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got <= 0) {
      break;
    }
    done += static_cast<std::size_t>(got);
  }
  return done;
}

}  // namespace

std::size_t FileInput::read(void* buffer, std::size_t bytes) {
  return readFully(buffer, bytes, [this](char* at, std::size_t count, std::size_t) { return ::read(fd_, at, count); });
}

bool FileInput::seek(std::uint64_t offset) { return lseek(fd_, static_cast<off_t>(offset), SEEK_SET) >= 0; }

std::size_t FileInput::readAt(std::uint64_t offset, void* buffer, std::size_t bytes) const {
  return readFully(buffer, bytes, [this, offset](char* at, std::size_t count, std::size_t done) {
    return ::pread(fd_, at, count, static_cast<off_t>(offset + done));
  });
}

}  // namespace tavelo::engine
