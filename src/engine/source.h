// A source yields a channel's sound as interleaved float frames: a decoded file, and later a CD
// track, a net stream or a synthesiser.
//
// Threads. A playback channel's source is driven by that channel's decoder thread alone: read,
// seek, lengthFrames and filePosition are called there, one at a time, with no engine lock held,
// so a source may block in them (a net stream waiting for data, a CD drive retrying a sector).
// A decode-only channel's source is driven the same way by whoever reads the channel, under the
// channel's source lock. The window thread never calls a source, except interrupt.
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
  // Any thread; fixed from opening on.
  virtual SourceFormat format() const = 0;
  // Decoder thread. -1 while unknown; exact once the end has been read.
  virtual std::int64_t lengthFrames() const = 0;
  // Decoder thread; may block. Fills up to `frames` frames; returns how many, 0 at the end
  // (damage ends the sound early).
  virtual std::int64_t read(float* out, std::int64_t frames) = 0;
  // Decoder thread; may block. False when the frame cannot be reached.
  virtual bool seek(std::int64_t frame) = 0;
  // Decoder thread. Mode 0: read position in the file; 2: the file's size. kNoFilePosition when
  // not a file.
  virtual std::uint64_t filePosition(std::uint32_t mode) const = 0;
  // Any thread, while read or seek may be running on the decoder thread; must not block. The
  // channel is being freed: a read or seek that waits returns at once, and so does every later
  // one (read with 0, seek with false). Sources that never wait long need not do anything.
  virtual void interrupt() {}
};

// What opening a file gives: a source, or an engine error code (BASS_ERROR_FILEFORM when the
// file is not of the opener's formats).
struct SourceOpening {
  std::unique_ptr<Source> source;
  int error = 0;
};

}  // namespace tavelo::engine
