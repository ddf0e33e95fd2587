// The engine's own PCM writer: a WAVE file whose header is brought up to date every second, so
// that a file left by a crash plays up to its last second.
#include "engine/encode/encoder_sink.h"

#include "engine/engine.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tavelo::engine {
namespace {

constexpr auto kPatchEvery = std::chrono::seconds(1);

class WaveFileSink final : public EncoderSink {
public:
  WaveFileSink(int fd, const WaveFormat& format) : fd_(fd), format_(format) {}
  ~WaveFileSink() override {
    if (fd_ >= 0) {
      close(fd_);
    }
  }

  bool write(const std::uint8_t* data, std::size_t size) override {
    if (!writeAll(data, size)) {
      return false;
    }
    dataBytes_ += size;
    if (std::chrono::steady_clock::now() - lastPatch_ >= kPatchEvery) {
      return patchHeader();
    }
    return true;
  }

  bool running() override { return true; }
  void kill() override {}

  std::string finish(Deadline) override {
    if (fd_ < 0) {
      return failure_;
    }
    const bool patched = failure_.empty() && patchHeader();
    const bool closed = close(fd_) == 0;
    if (patched && !closed) {
      failure_ = std::strerror(errno);
    }
    fd_ = -1;
    return failure_;
  }

  // The header as the file starts, before any sample.
  bool begin() { return writeAll(waveHeader(format_, 0).data(), kWaveHeaderBytes); }

private:
  bool writeAll(const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
      const ssize_t wrote = ::write(fd_, data, size);
      if (wrote < 0 && errno == EINTR) {
        continue;
      }
      if (wrote <= 0) {
        failure_ = wrote < 0 ? std::strerror(errno) : "nothing could be written";
        return false;
      }
      data += wrote;
      size -= static_cast<std::size_t>(wrote);
    }
    return true;
  }

  bool patchHeader() {
    lastPatch_ = std::chrono::steady_clock::now();
    const auto header = waveHeader(format_, dataBytes_);
    if (pwrite(fd_, header.data(), header.size(), 0) != static_cast<ssize_t>(header.size())) {
      failure_ = std::strerror(errno);
      return false;
    }
    return true;
  }

  int fd_;
  const WaveFormat format_;
  std::uint64_t dataBytes_ = 0;
  std::chrono::steady_clock::time_point lastPatch_ = std::chrono::steady_clock::now();
};

}  // namespace

std::unique_ptr<EncoderSink> createWaveFile(const std::string& path, const WaveFormat& format, int* error) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    *error = BASS_ERROR_FILEOPEN;
    return nullptr;
  }
  auto sink = std::make_unique<WaveFileSink>(fd, format);
  if (!sink->begin()) {
    *error = BASS_ERROR_FILEOPEN;
    return nullptr;
  }
  *error = BASS_OK;
  return sink;
}

}  // namespace tavelo::engine
