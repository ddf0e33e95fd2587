// A source yields a channel's sound as interleaved float frames: a decoded file, and later a CD
// track, a net stream or a synthesiser.
#pragma once

#include <cstdint>
#include <limits>
#include <memory>

namespace tavelo::engine {

struct SourceFormat {
  std::uint32_t rate = 0;
  std::uint32_t channels = 0;
  std::uint32_t ctype = 0;
  std::uint32_t origres = 0;
};

inline constexpr std::uint64_t kNoFilePosition = std::numeric_limits<std::uint64_t>::max();

class Source {
public:
  virtual ~Source() = default;
  virtual SourceFormat format() const = 0;
  // -1 while unknown; exact once the end has been read.
  virtual std::int64_t lengthFrames() const = 0;
  // Fills up to `frames` frames; returns how many, 0 at the end (damage ends the sound early).
  virtual std::int64_t read(float* out, std::int64_t frames) = 0;
  virtual bool seek(std::int64_t frame) = 0;
  // Mode 0: read position in the file; 2: the file's size. kNoFilePosition when not a file.
  virtual std::uint64_t filePosition(std::uint32_t mode) const = 0;
};

// What opening a file gives: a source, or an engine error code (BASS_ERROR_FILEFORM when the
// file is not of the opener's formats).
struct SourceOpening {
  std::unique_ptr<Source> source;
  int error = 0;
};

}  // namespace tavelo::engine
