#include "engine/mpeg_source.h"

#include "engine/engine.h"
#include "engine/file_source.h"

#include <mpg123.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <optional>
#include <vector>

namespace tavelo::engine {
namespace {

// --- Recognising MPEG audio

// Where the first frame may start after the tags: encoders and taggers leave some padding.
constexpr std::size_t kMaxJunk = 64 * 1024;
// Frames in a row that make a file MPEG audio, unless the file ends sooner.
constexpr int kFramesInARow = 3;
constexpr int kFreeFramesInARow = 6;
// The longest free-format frame: 640 kb/s at 32 kHz.
constexpr std::size_t kMaxFreeFrame = 2881;

struct FrameHeader {
  std::uint32_t version = 0;  // 3 = MPEG-1, 2 = MPEG-2, 0 = MPEG-2.5
  std::uint32_t layer = 0;    // 1, 2 or 3
  std::uint32_t rateIndex = 0;
  std::uint32_t padding = 0;  // bytes added to this frame
  std::uint32_t bytes = 0;    // the frame's length; 0 for a free-format frame, which does not say
  bool sameStream(const FrameHeader& other) const {
    return version == other.version && layer == other.layer && rateIndex == other.rateIndex &&
           (bytes == 0) == (other.bytes == 0);
  }
};

constexpr std::uint16_t kBitrates[5][16] = {
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},  // MPEG-1 layer 1
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},     // MPEG-1 layer 2
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},      // MPEG-1 layer 3
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},     // MPEG-2 layer 1
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},          // MPEG-2 layers 2, 3
};
constexpr std::uint32_t kRates[3] = {44100, 48000, 32000};

// A header with every field valid.
std::optional<FrameHeader> parseHeader(const std::uint8_t* p) {
  if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) {
    return std::nullopt;
  }
  FrameHeader h;
  h.version = (p[1] >> 3) & 3;
  h.layer = 4 - ((p[1] >> 1) & 3);
  const std::uint32_t bitrateIndex = p[2] >> 4;
  h.rateIndex = (p[2] >> 2) & 3;
  if (h.version == 1 || h.layer == 4 || bitrateIndex == 15 || h.rateIndex == 3 || (p[3] & 3) == 2) {
    return std::nullopt;
  }
  const bool mpeg1 = h.version == 3;
  const std::uint32_t table = mpeg1 ? h.layer - 1 : (h.layer == 1 ? 3 : 4);
  const std::uint32_t bitrate = kBitrates[table][bitrateIndex] * 1000u;
  const std::uint32_t rate = kRates[h.rateIndex] >> (mpeg1 ? 0 : (h.version == 2 ? 1 : 2));
  const std::uint32_t slot = h.layer == 1 ? 4 : 1;
  h.padding = ((p[2] >> 1) & 1) * slot;
  const std::uint32_t factor = h.layer == 1 ? 12 : h.layer == 3 && !mpeg1 ? 72 : 144;
  h.bytes = bitrate == 0 ? 0 : factor * bitrate / rate * slot + h.padding;
  return h;
}

// A free-format stream's frame length less padding: the distance from this frame's header to the
// next one like it (the padding bit aside), less this frame's padding. 0 when none follows.
std::uint32_t freeFormatLength(const FileInput& file, std::uint64_t at, const std::uint8_t* header, const FrameHeader& frame) {
  std::vector<std::uint8_t> window(kMaxFreeFrame + 3);
  window.resize(file.readAt(at + 4, window.data(), window.size()));
  for (std::size_t i = 0; i + 3 <= window.size(); ++i) {
    if (window[i] == header[0] && window[i + 1] == header[1] && (window[i + 2] & 0xFD) == (header[2] & 0xFD)) {
      return std::uint32_t(i + 4) - frame.padding;
    }
  }
  return 0;
}

// Where the sound starts: after every ID3v2 tag at the head of the file.
std::uint64_t skipId3v2(const FileInput& file) {
  std::uint64_t at = 0;
  std::uint8_t tag[10];
  while (file.readAt(at, tag, 10) == 10 && std::memcmp(tag, "ID3", 3) == 0 &&
         ((tag[6] | tag[7] | tag[8] | tag[9]) & 0x80) == 0) {
    const std::uint64_t size = std::uint64_t(tag[6]) << 21 | std::uint64_t(tag[7]) << 14 | std::uint64_t(tag[8]) << 7 | tag[9];
    const bool footer = (tag[5] & 0x10) != 0;
    at += 10 + size + (footer ? 10 : 0);
  }
  return at;
}

// What may follow the last frame of a file: its end or a tag.
bool endOfFrames(const FileInput& file, std::uint64_t at) {
  std::uint8_t tail[8] = {};
  const std::size_t got = file.readAt(at, tail, sizeof tail);
  return got == 0 || (got >= 3 && (std::memcmp(tail, "TAG", 3) == 0 || std::memcmp(tail, "ID3", 3) == 0)) ||
         (got == 8 && (std::memcmp(tail, "APETAGEX", 8) == 0 || std::memcmp(tail, "LYRICSBE", 8) == 0));
}

bool framesFollow(const FileInput& file, std::uint64_t at, const std::uint8_t* header, const FrameHeader& first) {
  const std::uint32_t freeLength = first.bytes == 0 ? freeFormatLength(file, at, header, first) : 0;
  if (first.bytes == 0 && freeLength == 0) {
    return false;
  }
  FrameHeader frame = first;
  const int wanted = first.bytes != 0 ? kFramesInARow : kFreeFramesInARow;
  for (int count = 1; count < wanted; ++count) {
    at += frame.bytes != 0 ? frame.bytes : freeLength + frame.padding;
    std::uint8_t bytes[4];
    if (file.readAt(at, bytes, 4) != 4) {
      return at == file.size();
    }
    const std::optional<FrameHeader> next = parseHeader(bytes);
    if (!next || !next->sameStream(first)) {
      return endOfFrames(file, at);
    }
    frame = *next;
  }
  return true;
}

// Where the first of a run of frames that follow one another starts.
std::optional<std::uint64_t> firstFrame(const FileInput& file) {
  const std::uint64_t start = skipId3v2(file);
  std::vector<std::uint8_t> head(kMaxJunk + 3);
  head.resize(file.readAt(start, head.data(), head.size()));
  for (std::size_t i = 0; i + 4 <= head.size(); ++i) {
    const std::optional<FrameHeader> header = head[i] == 0xFF ? parseHeader(&head[i]) : std::nullopt;
    // A free-format frame measures its length by its own data: believed only where the sound starts.
    const bool credible = header && (header->bytes != 0 || i == 0);
    if (credible && framesFollow(file, start + i, &head[i], *header)) {
      return start + i;
    }
  }
  return std::nullopt;
}

std::uint32_t samplesPerFrame(const FrameHeader& h) {
  if (h.layer == 1) {
    return 384;
  }
  return h.layer == 3 && h.version != 3 ? 576 : 1152;
}

// Whether the first frame is a Xing, Info or VBRI header, which tells the length of the sound.
bool hasLengthHeader(const FileInput& file, std::uint64_t frame) {
  std::uint8_t bytes[40] = {};
  if (file.readAt(frame, bytes, sizeof bytes) != sizeof bytes) {
    return false;
  }
  const bool mpeg1 = ((bytes[1] >> 3) & 3) == 3;
  const bool mono = (bytes[3] >> 6) == 3;
  const std::size_t sideInfo = mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17);
  const auto tagAt = [&](std::size_t at, const char* tag) { return std::memcmp(bytes + at, tag, 4) == 0; };
  return tagAt(4 + sideInfo, "Xing") || tagAt(4 + sideInfo, "Info") || tagAt(36, "VBRI");
}

// The sound's length in samples, counted frame by frame up to the first thing that is not a frame
// (the end, a tag, damage); nullopt for free-format frames, which do not tell their length.
std::optional<std::int64_t> countSamples(const FileInput& file, std::uint64_t at) {
  constexpr std::size_t kBlock = 256 * 1024;  // fits the cache it is read into
  const auto block = std::make_unique_for_overwrite<std::uint8_t[]>(kBlock);
  std::uint64_t blockStart = at;
  std::size_t blockSize = 0;
  std::int64_t samples = 0;
  while (true) {
    if (at + 4 > blockStart + blockSize) {
      blockStart = at;
      blockSize = file.readAt(at, block.get(), kBlock);
      if (blockSize < 4) {
        return samples;
      }
    }
    const std::optional<FrameHeader> header = parseHeader(&block[at - blockStart]);
    if (!header) {
      return samples;
    }
    if (header->bytes == 0) {
      return std::nullopt;
    }
    samples += samplesPerFrame(*header);
    at += header->bytes;
  }
}

}  // namespace

bool looksLikeMpegAudio(const FileInput& file) { return firstFrame(file).has_value(); }

namespace {

// --- Decoding

struct HandleDeleter {
  void operator()(mpg123_handle* h) const {
    mpg123_close(h);
    mpg123_delete(h);
  }
};
using HandlePtr = std::unique_ptr<mpg123_handle, HandleDeleter>;

std::uint32_t ctypeOfLayer(int layer) {
  switch (layer) {
    case 1: return BASS_CTYPE_STREAM_MP1;
    case 2: return BASS_CTYPE_STREAM_MP2;
    default: return BASS_CTYPE_STREAM_MP3;
  }
}

// Output as float at any rate and channel count the stream has.
bool allowFloatOutput(mpg123_handle* handle) {
  const long* rates = nullptr;
  std::size_t count = 0;
  mpg123_rates(&rates, &count);
  bool allowed = mpg123_format_none(handle) == MPG123_OK;
  for (std::size_t i = 0; i < count; ++i) {
    allowed = allowed && mpg123_format(handle, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_FLOAT_32) == MPG123_OK;
  }
  return allowed;
}

// Frames decoded before a seek's target, for the bit reservoir: a layer 3 frame may take up to
// 511 bytes of its data from the frames before it, which at VBR's 32 kb/s frames are 8 frames
// back (libmpg123's default of 2 garbles the first samples after a seek into a quiet passage).
constexpr long kSeekPreFrames = 8;

// A fresh decoder with float output, gapless and quiet (errors come back as results).
HandlePtr newDecoder() {
  static std::once_flag initialised;
  std::call_once(initialised, [] { mpg123_init(); });
  HandlePtr handle(mpg123_new(nullptr, nullptr));
  if (handle && (mpg123_param(handle.get(), MPG123_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0) != MPG123_OK ||
                 mpg123_param(handle.get(), MPG123_PREFRAMES, kSeekPreFrames, 0) != MPG123_OK ||
                 !allowFloatOutput(handle.get()))) {
    handle.reset();
  }
  return handle;
}

// Keeps the output to the stream's first format, so that a change midway cannot alter the frame
// size the engine reads (libmpg123 mixes or doubles channels itself to keep it).
bool keepFirstFormat(mpg123_handle* handle, long rate, int channels) {
  return mpg123_format_none(handle) == MPG123_OK &&
         mpg123_format(handle, rate, channels == 1 ? MPG123_MONO : MPG123_STEREO, MPG123_ENC_FLOAT_32) == MPG123_OK;
}

// Without a header frame, libmpg123 guesses the length from the first frame's bit rate, which is
// far off for a VBR file: walking the frame headers counts it exactly, a few milliseconds for
// ten minutes of sound.
std::int64_t soundLength(const FileInput& file, std::uint64_t frame, mpg123_handle* handle) {
  const std::optional<std::int64_t> counted = hasLengthHeader(file, frame) ? std::nullopt : countSamples(file, frame);
  if (counted && *counted > 0) {
    return *counted;
  }
  const off_t guessed = mpg123_length(handle);
  return guessed > 0 ? std::int64_t(guessed) : -1;
}

class MpegSource final : public FileSource {
public:
  MpegSource(std::unique_ptr<FileInput> file, HandlePtr handle, const SourceFormat& format, std::int64_t length)
      : FileSource(std::move(file), format), handle_(std::move(handle)) {
    length_ = length;
  }

  std::int64_t read(float* out, std::int64_t frames) override {
    const std::size_t frameBytes = sizeof(float) * format_.channels;
    auto* bytes = reinterpret_cast<unsigned char*>(out);
    const std::size_t wanted = static_cast<std::size_t>(frames) * frameBytes;
    std::size_t filled = 0;
    bool atEnd = ended_;
    while (filled < wanted && !atEnd) {
      std::size_t done = 0;
      const int result = mpg123_read(handle_.get(), bytes + filled, wanted - filled, &done);
      filled += done;
      // A new format is the same output format, converted; anything else but more is the end.
      atEnd = result != MPG123_OK && result != MPG123_NEW_FORMAT && done == 0;
    }
    return advance(static_cast<std::int64_t>(filled / frameBytes), atEnd);
  }

  bool seek(std::int64_t frame) override {
    const off_t reached = mpg123_seek(handle_.get(), static_cast<off_t>(frame), SEEK_SET);
    return reached >= 0 && landed(reached);
  }

private:
  HandlePtr handle_;
};

// Bytes handed to the decoder at a time: small, so that what was fed and what was decoded stay
// within a frame of each other (a title change is told where it is heard).
constexpr std::size_t kFeedBytes = 1024;

// Decodes bytes fed as they arrive (libmpg123's feed mode): it never reads on its own, so it never
// waits anywhere but in the input.
class MpegStreamSource final : public Source {
public:
  MpegStreamSource(StreamInput& input, HandlePtr handle, const SourceFormat& format)
      : input_(input), handle_(std::move(handle)), format_(format) {}

  SourceFormat format() const override { return format_; }
  std::int64_t lengthFrames() const override { return ended_ ? position_ : -1; }
  bool seek(std::int64_t) override { return false; }
  std::uint64_t filePosition(std::uint32_t) const override { return kNoFilePosition; }

  std::int64_t read(float* out, std::int64_t frames) override {
    const std::size_t frameBytes = sizeof(float) * format_.channels;
    auto* bytes = reinterpret_cast<unsigned char*>(out);
    const std::size_t wanted = static_cast<std::size_t>(frames) * frameBytes;
    std::size_t filled = 0;
    while (filled < wanted && !ended_) {
      std::size_t done = 0;
      const int result = mpg123_read(handle_.get(), bytes + filled, wanted - filled, &done);
      filled += done;
      if (result == MPG123_NEED_MORE && !feed()) {
        ended_ = true;
      } else if (result != MPG123_OK && result != MPG123_NEW_FORMAT && result != MPG123_NEED_MORE && done == 0) {
        ended_ = true;
      }
    }
    position_ += static_cast<std::int64_t>(filled / frameBytes);
    return static_cast<std::int64_t>(filled / frameBytes);
  }

private:
  // False at the input's end.
  bool feed() {
    unsigned char chunk[kFeedBytes];
    const std::size_t got = input_.read(chunk, sizeof chunk);
    return got > 0 && mpg123_feed(handle_.get(), chunk, got) == MPG123_OK;
  }

  StreamInput& input_;
  HandlePtr handle_;
  const SourceFormat format_;
  std::int64_t position_ = 0;
  bool ended_ = false;
};

}  // namespace

SourceOpening openMpegStream(StreamInput& input, std::size_t searchBytes) {
  HandlePtr handle = newDecoder();
  if (!handle || mpg123_open_feed(handle.get()) != MPG123_OK) {
    return {nullptr, BASS_ERROR_MEM};
  }
  std::size_t fed = 0;
  while (true) {
    std::size_t done = 0;
    unsigned char none[1];
    const int result = mpg123_read(handle.get(), none, 0, &done);  // parses up to the first frame
    if (result == MPG123_NEW_FORMAT) {
      break;
    }
    unsigned char chunk[kFeedBytes];
    const std::size_t got = result == MPG123_NEED_MORE && fed < searchBytes ? input.read(chunk, sizeof chunk) : 0;
    if (got == 0 || mpg123_feed(handle.get(), chunk, got) != MPG123_OK) {
      return {nullptr, BASS_ERROR_FILEFORM};
    }
    fed += got;
  }
  long rate = 0;
  int channels = 0;
  int encoding = 0;
  mpg123_frameinfo frame{};
  if (mpg123_getformat(handle.get(), &rate, &channels, &encoding) != MPG123_OK || encoding != MPG123_ENC_FLOAT_32 ||
      mpg123_info(handle.get(), &frame) != MPG123_OK || !keepFirstFormat(handle.get(), rate, channels)) {
    return {nullptr, BASS_ERROR_FILEFORM};
  }
  const SourceFormat info{std::uint32_t(rate), std::uint32_t(channels), ctypeOfLayer(frame.layer), 0};
  return {std::make_unique<MpegStreamSource>(input, std::move(handle), info), BASS_OK};
}

SourceOpening openMpegSource(std::unique_ptr<FileInput>& file) {
  const std::optional<std::uint64_t> first = firstFrame(*file);
  if (!first) {
    return {nullptr, BASS_ERROR_FILEFORM};
  }
  HandlePtr handle = newDecoder();
  if (!handle) {
    return {nullptr, BASS_ERROR_MEM};
  }
  long rate = 0;
  int channels = 0;
  int encoding = 0;
  mpg123_frameinfo frame{};
  if (!file->seek(0) || mpg123_open_fd(handle.get(), file->fd()) != MPG123_OK ||
      mpg123_getformat(handle.get(), &rate, &channels, &encoding) != MPG123_OK || encoding != MPG123_ENC_FLOAT_32 ||
      mpg123_info(handle.get(), &frame) != MPG123_OK || !keepFirstFormat(handle.get(), rate, channels)) {
    return {nullptr, BASS_ERROR_FILEFORM};
  }
  const SourceFormat info{std::uint32_t(rate), std::uint32_t(channels), ctypeOfLayer(frame.layer), 0};
  const std::int64_t length = soundLength(*file, *first, handle.get());
  return {std::make_unique<MpegSource>(std::move(file), std::move(handle), info, length), BASS_OK};
}

}  // namespace tavelo::engine
