// What the built-in decoders share: their file, their format, and a length that becomes exact
// once the end has been read.
#pragma once

#include "engine/file_input.h"
#include "engine/source.h"

#include <memory>

namespace tavelo::engine {

class FileSource : public Source {
public:
  SourceFormat format() const override { return format_; }
  std::int64_t lengthFrames() const override { return length_; }
  std::uint64_t filePosition(std::uint32_t mode) const override { return file_->position(mode); }

protected:
  FileSource(std::unique_ptr<FileInput> file, const SourceFormat& format) : file_(std::move(file)), format_(format) {}

  // Counts `frames` read; at the end, the length is what was read.
  std::int64_t advance(std::int64_t frames, bool atEnd) {
    position_ += frames;
    ended_ = atEnd;
    if (atEnd) {
      length_ = position_;
    }
    return frames;
  }
  // The decoder has landed on `frame`.
  bool landed(std::int64_t frame) {
    position_ = frame;
    ended_ = false;
    return true;
  }

  std::unique_ptr<FileInput> file_;
  const SourceFormat format_;
  std::int64_t length_ = -1;
  std::int64_t position_ = 0;
  bool ended_ = false;
};

}  // namespace tavelo::engine
