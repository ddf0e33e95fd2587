#include "engine/vorbis_source.h"

#include "engine/engine.h"
#include "engine/file_source.h"

#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>

namespace tavelo::engine {
namespace {

// Beyond this many holes in a row the rest of the file is taken as damage.
constexpr int kMaxHoles = 100;

std::size_t readCallback(void* buffer, std::size_t size, std::size_t count, void* file) {
  return static_cast<FileInput*>(file)->read(buffer, size * count) / (size != 0 ? size : 1);
}

int seekCallback(void* file, ogg_int64_t offset, int whence) {
  auto* input = static_cast<FileInput*>(file);
  const auto base = whence == SEEK_CUR ? std::int64_t(input->tell()) : whence == SEEK_END ? std::int64_t(input->size()) : 0;
  const std::int64_t target = base + offset;
  return target >= 0 && input->seek(std::uint64_t(target)) ? 0 : -1;
}

long tellCallback(void* file) { return long(static_cast<FileInput*>(file)->tell()); }

constexpr ov_callbacks kCallbacks{readCallback, seekCallback, nullptr, tellCallback};

// Vorbis orders the channels of 3 to 8 channel sound its own way; the engine, like WAVE files,
// puts left and right first (front L, R, centre, LFE, back L, R, side L, R).
constexpr std::array<std::array<int, 8>, 9> kWaveOrder{{
    {}, {0}, {0, 1},
    {0, 2, 1},
    {0, 1, 2, 3},
    {0, 2, 1, 3, 4},
    {0, 2, 1, 5, 3, 4},
    {0, 2, 1, 6, 5, 3, 4},
    {0, 2, 1, 7, 5, 6, 3, 4},
}};

int sourceChannel(std::uint32_t channels, std::uint32_t channel) {
  return channels < kWaveOrder.size() ? kWaveOrder[channels][channel] : int(channel);
}

// A later link of a chained file or stream may have other channels: they are fitted to the
// first's (extra ones dropped, missing ones silent).
void interleave(float* const* planes, long frames, int linkChannels, std::uint32_t channels, float* out) {
  const bool sameLayout = std::uint32_t(linkChannels) == channels;
  for (std::uint32_t c = 0; c < channels; ++c) {
    const int from = sameLayout ? sourceChannel(channels, c) : int(c);
    const float* plane = from < linkChannels ? planes[from] : nullptr;
    for (long i = 0; i < frames; ++i) {
      out[std::size_t(i) * channels + c] = plane != nullptr ? plane[i] : 0.0f;
    }
  }
}

class VorbisSource final : public FileSource {
public:
  VorbisSource(std::unique_ptr<FileInput> file, std::unique_ptr<OggVorbis_File> vorbis, const SourceFormat& format)
      : FileSource(std::move(file), format), vorbis_(std::move(vorbis)) {
    const ogg_int64_t total = ov_pcm_total(vorbis_.get(), -1);
    length_ = total >= 0 ? total : -1;
  }
  ~VorbisSource() override { ov_clear(vorbis_.get()); }

  std::int64_t read(float* out, std::int64_t frames) override {
    std::int64_t done = 0;
    int holes = 0;
    bool atEnd = ended_;
    while (done < frames && !atEnd) {
      float** planes = nullptr;
      int link = 0;
      const long got = ov_read_float(vorbis_.get(), &planes, int(std::min<std::int64_t>(frames - done, 4096)), &link);
      if (got == OV_HOLE && ++holes < kMaxHoles) {
        continue;  // a gap in the pages: the sound goes on after it
      }
      if (got <= 0) {
        atEnd = true;
        break;
      }
      holes = 0;
      interleave(planes, got, ov_info(vorbis_.get(), link)->channels, format_.channels, out + done * format_.channels);
      done += got;
    }
    return advance(done, atEnd);
  }

  bool seek(std::int64_t frame) override { return ov_pcm_seek(vorbis_.get(), frame) == 0 && landed(frame); }

private:
  std::unique_ptr<OggVorbis_File> vorbis_;
};

std::size_t readStreamCallback(void* buffer, std::size_t size, std::size_t count, void* input) {
  return static_cast<StreamInput*>(input)->read(static_cast<std::uint8_t*>(buffer), size * count) / (size != 0 ? size : 1);
}

// No seek and no tell: vorbisfile then reads the stream once, in order, chained streams included.
constexpr ov_callbacks kStreamCallbacks{readStreamCallback, nullptr, nullptr, nullptr};

// Every comment of the logical stream, one a line.
std::vector<std::string> commentLines(const vorbis_comment* comments) {
  std::vector<std::string> lines;
  for (int i = 0; comments != nullptr && i < comments->comments; ++i) {
    lines.emplace_back(comments->user_comments[i], std::size_t(comments->comment_lengths[i]));
  }
  return lines;
}

std::string zeroTerminated(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    text += line;
    text += '\0';
  }
  return text + '\0';
}

class VorbisStreamSource final : public Source {
public:
  VorbisStreamSource(std::unique_ptr<OggVorbis_File> vorbis, const SourceFormat& format)
      : vorbis_(std::move(vorbis)), format_(format) {
    markLogicalStream(0);
  }
  ~VorbisStreamSource() override { ov_clear(vorbis_.get()); }

  SourceFormat format() const override { return format_; }
  std::int64_t lengthFrames() const override { return ended_ ? position_ : -1; }
  bool seek(std::int64_t) override { return false; }
  std::uint64_t filePosition(std::uint32_t) const override { return kNoFilePosition; }
  void takeMarks(std::vector<SourceMark>& out) override {
    out.insert(out.end(), std::make_move_iterator(marks_.begin()), std::make_move_iterator(marks_.end()));
    marks_.clear();
  }

  std::int64_t read(float* out, std::int64_t frames) override {
    std::int64_t done = 0;
    while (done < frames && !ended_) {
      float** planes = nullptr;
      int link = 0;
      const long got = ov_read_float(vorbis_.get(), &planes, int(std::min<std::int64_t>(frames - done, 4096)), &link);
      if (got == OV_HOLE) {
        continue;  // a gap in the pages (a listener joining mid-page): the sound goes on after it
      }
      if (got <= 0) {
        ended_ = true;
        break;
      }
      if (link != link_) {
        link_ = link;
        markLogicalStream(BASS_SYNC_OGG_CHANGE);
      }
      interleave(planes, got, ov_info(vorbis_.get(), -1)->channels, format_.channels, out + done * format_.channels);
      done += got;
      position_ += got;
    }
    return done;
  }

private:
  void markLogicalStream(std::uint32_t sync) {
    marks_.push_back({position_, BASS_TAG_OGG, zeroTerminated(commentLines(ov_comment(vorbis_.get(), -1))), sync});
  }

  std::unique_ptr<OggVorbis_File> vorbis_;
  const SourceFormat format_;
  std::vector<SourceMark> marks_;
  std::int64_t position_ = 0;
  int link_ = 0;
  bool ended_ = false;
};

}  // namespace

SourceOpening openVorbisStream(StreamInput& input) {
  auto vorbis = std::make_unique<OggVorbis_File>();
  if (ov_open_callbacks(&input, vorbis.get(), nullptr, 0, kStreamCallbacks) != 0) {
    return {nullptr, BASS_ERROR_FILEFORM};  // it clears the structure itself
  }
  const vorbis_info* info = ov_info(vorbis.get(), -1);
  if (info == nullptr || info->rate <= 0 || info->channels <= 0) {
    ov_clear(vorbis.get());
    return {nullptr, BASS_ERROR_FILEFORM};
  }
  const SourceFormat format{std::uint32_t(info->rate), std::uint32_t(info->channels), BASS_CTYPE_STREAM_OGG, 0};
  return {std::make_unique<VorbisStreamSource>(std::move(vorbis), format), BASS_OK};
}

SourceOpening openVorbisSource(std::unique_ptr<FileInput>& file) {
  // On failure these two clear the structure themselves.
  auto vorbis = std::make_unique<OggVorbis_File>();
  if (!file->seek(0) || ov_test_callbacks(file.get(), vorbis.get(), nullptr, 0, kCallbacks) != 0 ||
      ov_test_open(vorbis.get()) != 0) {
    return {nullptr, BASS_ERROR_FILEFORM};
  }
  const vorbis_info* info = ov_info(vorbis.get(), -1);
  if (info == nullptr || info->rate <= 0 || info->channels <= 0) {
    ov_clear(vorbis.get());
    return {nullptr, BASS_ERROR_FILEFORM};
  }
  const SourceFormat format{std::uint32_t(info->rate), std::uint32_t(info->channels), BASS_CTYPE_STREAM_OGG, 0};
  return {std::make_unique<VorbisSource>(std::move(file), std::move(vorbis), format), BASS_OK};
}

}  // namespace tavelo::engine
