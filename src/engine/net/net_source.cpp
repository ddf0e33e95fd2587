#include "engine/net/net_source.h"

#include "engine/addon_support.h"
#include "engine/mpeg_source.h"
#include "engine/net/stream_input.h"
#include "engine/vorbis_source.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

namespace tavelo::engine {
namespace {

// How far into a stream the first MPEG frame is looked for.
constexpr std::size_t kMpegSearchBytes = 64 * 1024;
// Frames decoded between two looks at the titles that came: where a title is told is this exact.
constexpr std::int64_t kMarkStepFrames = 1024;

bool isAacType(const std::optional<std::string>& type) {
  if (!type) {
    return false;
  }
  std::string low = *type;
  std::transform(low.begin(), low.end(), low.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return low.starts_with("audio/aac") || low.starts_with("audio/aacp") || low.starts_with("audio/mp4");
}

class NetSource final : public Source, public StreamInput {
public:
  explicit NetSource(std::shared_ptr<Download> download) : download_(std::move(download)) {}

  // Looks at the first bytes for the format; false with *error when no decoder takes it. AAC and
  // other formats go to the plug-ins (`plugin`: the one that took it).
  bool open(HPLUGIN* plugin, int* error) {
    const std::optional<std::string> type = download_->header("Content-Type");
    if (isAacType(type)) {
      decoder_ = openPluginStream(byteStream_, type->c_str(), plugin, error);
      return decoder_ != nullptr;
    }
    prefix_.resize(4);
    prefix_.resize(readFull(prefix_.data(), prefix_.size()));
    const bool ogg = prefix_.size() == 4 && std::memcmp(prefix_.data(), "OggS", 4) == 0;
    SourceOpening opening = ogg ? openVorbisStream(*this) : openMpegStream(*this, kMpegSearchBytes);
    decoder_ = std::move(opening.source);
    *error = opening.error;
    return decoder_ != nullptr;
  }

  SourceFormat format() const override { return decoder_->format(); }
  std::int64_t lengthFrames() const override { return decoder_->lengthFrames(); }
  bool seek(std::int64_t) override { return false; }
  // Mode 0: the sound bytes decoded.
  std::uint64_t filePosition(std::uint32_t mode) const override { return mode == 0 ? consumed_ : kNoFilePosition; }
  void interrupt() override { download_->cancel(); }
  std::shared_ptr<SourceStatus> status() const override { return download_; }

  std::int64_t read(float* out, std::int64_t frames) override {
    std::int64_t done = 0;
    while (done < frames) {
      const std::int64_t got = decoder_->read(out + done * format().channels, std::min(frames - done, kMarkStepFrames));
      done += got;
      position_ += got;
      for (std::string& text : download_->metaUpTo(consumed_)) {
        marks_.push_back({position_, BASS_TAG_META, std::move(text), BASS_SYNC_META});
      }
      if (got == 0) {
        break;
      }
    }
    return done;
  }

  void takeMarks(std::vector<SourceMark>& out) override {
    decoder_->takeMarks(out);
    out.insert(out.end(), std::make_move_iterator(marks_.begin()), std::make_move_iterator(marks_.end()));
    marks_.clear();
  }

  // The decoder's input: the bytes looked at first, then the buffer.
  std::size_t read(std::uint8_t* out, std::size_t length) override {
    std::size_t got = 0;
    if (prefixRead_ < prefix_.size()) {
      got = std::min(length, prefix_.size() - prefixRead_);
      std::memcpy(out, prefix_.data() + prefixRead_, got);
      prefixRead_ += got;
    } else {
      got = download_->buffer().read(out, length);
    }
    consumed_ += got;
    return got;
  }

private:
  std::size_t readFull(std::uint8_t* out, std::size_t length) {
    std::size_t done = 0;
    while (done < length) {
      const std::size_t got = download_->buffer().read(out + done, length - done);
      if (got == 0) {
        break;
      }
      done += got;
    }
    return done;
  }

  const std::shared_ptr<Download> download_;
  const TaveloByteStream byteStream_{sizeof(TaveloByteStream), static_cast<StreamInput*>(this), [](void* user, void* out, std::size_t length) {
    return static_cast<StreamInput*>(user)->read(static_cast<std::uint8_t*>(out), length);
  }};
  std::unique_ptr<Source> decoder_;  // after what it reads through
  std::vector<std::uint8_t> prefix_;
  std::size_t prefixRead_ = 0;
  std::uint64_t consumed_ = 0;
  std::int64_t position_ = 0;
  std::vector<SourceMark> marks_;
};

}  // namespace

std::unique_ptr<Source> openNetSource(std::shared_ptr<Download> download, HPLUGIN* plugin, int* error) {
  auto source = std::make_unique<NetSource>(std::move(download));
  if (!source->open(plugin, error)) {
    return nullptr;
  }
  return source;
}

}  // namespace tavelo::engine
