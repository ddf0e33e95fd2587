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
#include <optional>
#include <string>
#include <vector>

namespace tavelo::engine {

struct SourceFormat {
  std::uint32_t rate = 0;
  std::uint32_t channels = 0;
  std::uint32_t ctype = 0;
  std::uint32_t origres = 0;
};

inline constexpr std::uint64_t kNoFilePosition = std::numeric_limits<std::uint64_t>::max();

// A change in the sound that is to be told when it is heard: a new title in a net stream, the
// next logical stream of a chained Ogg stream. The text becomes the tag of that type, and syncs of
// type `sync` (0: none) fire.
struct SourceMark {
  std::int64_t frame = 0;  // the first frame the change applies to
  std::uint32_t tag = 0;
  std::string text;
  std::uint32_t sync = 0;
};

// What a source that fills in the background (a net stream's download) tells any thread at any
// time. It outlives the source, so a caller that still holds the channel may ask after a free.
class SourceStatus {
public:
  virtual ~SourceStatus() = default;
  // Any thread, never waits long: BASS_StreamGetFilePosition's modes 1, 2 and 4; kNoFilePosition
  // for the others.
  virtual std::uint64_t position(std::uint32_t mode) const = 0;
  // Any thread, never waits long: a tag that does not change as the sound plays (reply headers),
  // or the latest of one that does; nullopt when there is none.
  virtual std::optional<std::string> tags(std::uint32_t type) const = 0;
  // Any thread but the source's own: after the source was interrupted, waits until its background
  // work has ended and said so (a download's last callback has returned).
  virtual void awaitHalt() = 0;
};

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
  // Decoder thread, after a read that gave nothing: the sound was lost (a CD taken out of its
  // drive) rather than played to its end, so the channel stops without its end sync.
  virtual bool lost() const { return false; }
  // Decoder thread, after a read: the changes the frames read so far have reached.
  virtual void takeMarks(std::vector<SourceMark>& /*out*/) {}
  // Any thread; fixed from opening on. Null for a source with nothing in the background.
  virtual std::shared_ptr<SourceStatus> status() const { return nullptr; }
};

// What opening a file gives: a source, or an engine error code (BASS_ERROR_FILEFORM when the
// file is not of the opener's formats).
struct SourceOpening {
  std::unique_ptr<Source> source;
  int error = 0;
};

}  // namespace tavelo::engine
