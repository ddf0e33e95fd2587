#include "engine/pcm_source.h"

#include "engine/engine.h"
#include "engine/file_source.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <optional>
#include <vector>

namespace tavelo::engine {
namespace {

enum class SampleKind { Signed, Unsigned, Float };

struct PcmLayout {
  std::uint32_t rate = 0;
  std::uint32_t channels = 0;
  std::uint32_t sampleBytes = 0;
  SampleKind kind = SampleKind::Signed;
  bool bigEndian = false;
  std::uint32_t ctype = 0;
  std::uint32_t origres = 0;
  std::uint64_t dataOffset = 0;
  std::uint64_t frames = 0;
  std::uint32_t frameBytes() const { return sampleBytes * channels; }
};

constexpr std::uint32_t kMaxChannels = 32;
constexpr std::uint32_t kMinRate = 1000;
constexpr std::uint32_t kMaxRate = 768000;

std::uint32_t le16(const std::uint8_t* p) { return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8; }
std::uint32_t le32(const std::uint8_t* p) { return le16(p) | le16(p + 2) << 16; }
std::uint32_t be16(const std::uint8_t* p) { return std::uint32_t(p[0]) << 8 | std::uint32_t(p[1]); }
std::uint32_t be32(const std::uint8_t* p) { return be16(p) << 16 | be16(p + 2); }

bool sameId(const std::uint8_t* p, const char* id) { return std::memcmp(p, id, 4) == 0; }

// A chunk of a RIFF or IFF file: its four-letter name and where its body is.
struct Chunk {
  std::array<std::uint8_t, 4> id{};
  std::uint64_t body = 0;
  std::uint64_t size = 0;  // as the file claims it: may run past the file's end
  bool is(const char* name) const { return sameId(id.data(), name); }
};

// Walks the chunks after a 12-byte file header; bodies of odd size are followed by a pad byte.
class ChunkWalker {
public:
  ChunkWalker(const FileInput& file, bool bigEndian) : file_(file), bigEndian_(bigEndian) {}

  std::optional<Chunk> next() {
    std::uint8_t header[8];
    if (at_ + 8 > file_.size() || file_.readAt(at_, header, 8) != 8) {
      return std::nullopt;
    }
    Chunk chunk;
    std::copy_n(header, 4, chunk.id.begin());
    chunk.size = bigEndian_ ? be32(header + 4) : le32(header + 4);
    chunk.body = at_ + 8;
    at_ = chunk.body + chunk.size + (chunk.size & 1);
    return chunk;
  }

private:
  const FileInput& file_;
  bool bigEndian_;
  std::uint64_t at_ = 12;
};

// The frames of a sound body that starts at `offset` and claims `claimed` bytes: no more than
// the file really holds.
std::uint64_t framesPresent(const FileInput& file, std::uint64_t offset, std::uint64_t claimed, std::uint32_t frameBytes) {
  const std::uint64_t present = offset < file.size() ? file.size() - offset : 0;
  return frameBytes != 0 ? std::min(claimed, present) / frameBytes : 0;  // no channels or no bits: no sound
}

bool plausible(const PcmLayout& layout) {
  return layout.channels >= 1 && layout.channels <= kMaxChannels && layout.rate >= kMinRate && layout.rate <= kMaxRate &&
         layout.frames > 0;
}

// --- WAVE

constexpr std::uint32_t kWavePcm = 1;
constexpr std::uint32_t kWaveFloat = 3;
constexpr std::uint32_t kWaveExtensible = 0xFFFE;

// Fills in the sample encoding from a "fmt " chunk; false for encodings that are not ours.
bool readWaveFormat(const FileInput& file, const Chunk& chunk, PcmLayout& layout) {
  std::uint8_t fmt[40] = {};
  const std::size_t got = file.readAt(chunk.body, fmt, std::min<std::uint64_t>(chunk.size, sizeof fmt));
  if (got < 16) {
    return false;
  }
  std::uint32_t tag = le16(fmt);
  layout.channels = le16(fmt + 2);
  layout.rate = le32(fmt + 4);
  const std::uint32_t bits = le16(fmt + 14);
  layout.origres = bits;
  if (tag == kWaveExtensible) {
    if (got < 40) {
      return false;
    }
    const std::uint32_t validBits = le16(fmt + 18);
    layout.origres = validBits != 0 && validBits <= bits ? validBits : bits;
    // The sub-format GUID is the plain format tag followed by the standard suffix.
    static constexpr std::uint8_t kGuidSuffix[14] = {0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
    tag = std::memcmp(fmt + 26, kGuidSuffix, sizeof kGuidSuffix) == 0 ? le16(fmt + 24) : 0;
  }
  layout.sampleBytes = (bits + 7) / 8;
  if (tag == kWavePcm && bits >= 1 && bits <= 32) {
    layout.kind = layout.sampleBytes == 1 ? SampleKind::Unsigned : SampleKind::Signed;
    layout.ctype = BASS_CTYPE_STREAM_WAV_PCM;
    return true;
  }
  if (tag == kWaveFloat && (bits == 32 || bits == 64)) {
    layout.kind = SampleKind::Float;
    layout.ctype = BASS_CTYPE_STREAM_WAV_FLOAT;
    return true;
  }
  return false;
}

std::optional<PcmLayout> parseWave(const FileInput& file) {
  std::uint8_t header[12];
  if (file.readAt(0, header, 12) != 12 || !sameId(header, "RIFF") || !sameId(header + 8, "WAVE")) {
    return std::nullopt;
  }
  PcmLayout layout;
  bool haveFormat = false;
  std::optional<Chunk> data;
  ChunkWalker walker(file, false);
  while (!(haveFormat && data)) {
    const std::optional<Chunk> chunk = walker.next();
    if (!chunk) {
      return std::nullopt;
    }
    if (chunk->is("fmt ")) {
      if (!readWaveFormat(file, *chunk, layout)) {
        return std::nullopt;
      }
      haveFormat = true;
    } else if (chunk->is("data")) {
      data = chunk;
    }
  }
  layout.dataOffset = data->body;
  // Writers that cannot go back to fill in the size (a pipe) leave it 0: the sound runs to the end.
  const std::uint64_t claimed = data->size != 0 ? data->size : file.size();
  layout.frames = framesPresent(file, data->body, claimed, layout.frameBytes());
  return layout;
}

// --- AIFF / AIFC

// The 80-bit IEEE extended number AIFF gives its rate in.
double extendedToDouble(const std::uint8_t* p) {
  const int exponent = int(be16(p) & 0x7FFF);
  const std::uint64_t mantissa = std::uint64_t(be32(p + 2)) << 32 | be32(p + 6);
  if (exponent == 0 || mantissa == 0 || exponent == 0x7FFF) {
    return 0;
  }
  const double value = std::ldexp(double(mantissa), exponent - 16383 - 63);
  return (p[0] & 0x80) != 0 ? -value : value;
}

bool applyAiffCompression(const std::uint8_t* type, std::uint32_t bits, PcmLayout& layout) {
  const bool integerBits = bits >= 1 && bits <= 32;
  if (sameId(type, "NONE") || sameId(type, "twos")) {
    layout.bigEndian = true;
    return integerBits;
  }
  if (sameId(type, "sowt")) {
    return integerBits;
  }
  const bool float32 = sameId(type, "fl32") || sameId(type, "FL32");
  const bool float64 = sameId(type, "fl64") || sameId(type, "FL64");
  if (!float32 && !float64) {
    return false;
  }
  layout.kind = SampleKind::Float;
  layout.bigEndian = true;
  layout.sampleBytes = float32 ? 4 : 8;
  layout.origres = float32 ? 32 : 64;
  return true;
}

bool readAiffCommon(const FileInput& file, const Chunk& chunk, bool compressed, PcmLayout& layout, std::uint64_t& frames) {
  std::uint8_t comm[22];
  const std::size_t wanted = compressed ? 22 : 18;
  if (chunk.size < wanted || file.readAt(chunk.body, comm, wanted) != wanted) {
    return false;
  }
  layout.channels = be16(comm);
  frames = be32(comm + 2);
  const std::uint32_t bits = be16(comm + 6);
  const double rate = extendedToDouble(comm + 8);
  layout.rate = rate >= kMinRate && rate <= kMaxRate ? std::uint32_t(std::lround(rate)) : 0;
  layout.sampleBytes = (bits + 7) / 8;
  layout.origres = bits;
  layout.kind = SampleKind::Signed;
  layout.ctype = BASS_CTYPE_STREAM_AIFF;
  return applyAiffCompression(compressed ? comm + 18 : reinterpret_cast<const std::uint8_t*>("NONE"), bits, layout);
}

std::optional<PcmLayout> parseAiff(const FileInput& file) {
  std::uint8_t header[12];
  if (file.readAt(0, header, 12) != 12 || !sameId(header, "FORM")) {
    return std::nullopt;
  }
  const bool compressed = sameId(header + 8, "AIFC");
  if (!compressed && !sameId(header + 8, "AIFF")) {
    return std::nullopt;
  }
  PcmLayout layout;
  std::optional<std::uint64_t> frames;
  std::optional<Chunk> sound;
  ChunkWalker walker(file, true);
  while (!(frames && sound)) {
    const std::optional<Chunk> chunk = walker.next();
    if (!chunk) {
      return std::nullopt;
    }
    if (chunk->is("COMM")) {
      frames.emplace();
      if (!readAiffCommon(file, *chunk, compressed, layout, *frames)) {
        return std::nullopt;
      }
    } else if (chunk->is("SSND")) {
      sound = chunk;
    }
  }
  std::uint8_t ssnd[8];
  if (sound->size < 8 || file.readAt(sound->body, ssnd, 8) != 8) {
    return std::nullopt;
  }
  const std::uint64_t skip = 8 + std::uint64_t(be32(ssnd));
  layout.dataOffset = sound->body + skip;
  const std::uint64_t claimed = sound->size > skip ? sound->size - skip : 0;
  layout.frames = std::min(*frames, framesPresent(file, layout.dataOffset, claimed, layout.frameBytes()));
  return layout;
}

// --- Samples

// Integers of 1 to 4 bytes, moved to the top of 32 bits so that one scale serves every size.
template <std::uint32_t Bytes, bool BigEndian, bool Unsigned>
void integersToFloat(const std::uint8_t* in, float* out, std::size_t samples) {
  constexpr float kScale = 1.0f / 2147483648.0f;
  for (std::size_t i = 0; i < samples; ++i, in += Bytes) {
    std::uint32_t value = 0;
    for (std::uint32_t b = 0; b < Bytes; ++b) {
      value = value << 8 | in[BigEndian ? b : Bytes - 1 - b];
    }
    value <<= 32 - 8 * Bytes;
    if constexpr (Unsigned) {
      value ^= 0x80000000u;
    }
    out[i] = float(std::int32_t(value)) * kScale;
  }
}

template <typename Float, bool BigEndian>
void floatsToFloat(const std::uint8_t* in, float* out, std::size_t samples) {
  using Bits = std::conditional_t<sizeof(Float) == 4, std::uint32_t, std::uint64_t>;
  for (std::size_t i = 0; i < samples; ++i, in += sizeof(Float)) {
    Bits bits;
    std::memcpy(&bits, in, sizeof bits);
    if constexpr (BigEndian) {
      if constexpr (sizeof(Float) == 4) {
        bits = __builtin_bswap32(bits);
      } else {
        bits = __builtin_bswap64(bits);
      }
    }
    out[i] = float(std::bit_cast<Float>(bits));
  }
}

using Converter = void (*)(const std::uint8_t*, float*, std::size_t);

template <bool BigEndian>
Converter converterFor(const PcmLayout& layout) {
  if (layout.kind == SampleKind::Float) {
    return layout.sampleBytes == 4 ? floatsToFloat<float, BigEndian> : floatsToFloat<double, BigEndian>;
  }
  if (layout.kind == SampleKind::Unsigned) {
    return integersToFloat<1, BigEndian, true>;
  }
  switch (layout.sampleBytes) {
    case 1: return integersToFloat<1, BigEndian, false>;
    case 2: return integersToFloat<2, BigEndian, false>;
    case 3: return integersToFloat<3, BigEndian, false>;
    default: return integersToFloat<4, BigEndian, false>;
  }
}

class PcmSource final : public FileSource {
public:
  PcmSource(std::unique_ptr<FileInput> file, const PcmLayout& layout)
      : FileSource(std::move(file), {layout.rate, layout.channels, layout.ctype, layout.origres}),
        layout_(layout),
        convert_(layout.bigEndian ? converterFor<true>(layout) : converterFor<false>(layout)) {
    length_ = static_cast<std::int64_t>(layout.frames);
    file_->seek(layout_.dataOffset);
  }

  std::int64_t read(float* out, std::int64_t frames) override {
    const std::uint32_t frameBytes = layout_.frameBytes();
    const std::int64_t wanted = std::min(frames, length_ - position_);
    if (wanted <= 0) {
      return 0;
    }
    bytes_.resize(static_cast<std::size_t>(wanted) * frameBytes);
    const auto got = static_cast<std::int64_t>(file_->read(bytes_.data(), bytes_.size()) / frameBytes);
    convert_(bytes_.data(), out, static_cast<std::size_t>(got) * layout_.channels);
    return advance(got, got < wanted);  // short: the file shrank under us, its end is here
  }

  bool seek(std::int64_t frame) override {
    return frame >= 0 && frame <= length_ &&
           file_->seek(layout_.dataOffset + std::uint64_t(frame) * layout_.frameBytes()) && landed(frame);
  }

private:
  const PcmLayout layout_;
  const Converter convert_;
  std::vector<std::uint8_t> bytes_;
};

SourceOpening openPcm(std::unique_ptr<FileInput>& file, const std::optional<PcmLayout>& layout) {
  if (!layout || !plausible(*layout)) {
    return {nullptr, BASS_ERROR_FILEFORM};
  }
  return {std::make_unique<PcmSource>(std::move(file), *layout), BASS_OK};
}

}  // namespace

SourceOpening openWaveSource(std::unique_ptr<FileInput>& file) { return openPcm(file, parseWave(*file)); }

SourceOpening openAiffSource(std::unique_ptr<FileInput>& file) { return openPcm(file, parseAiff(*file)); }

}  // namespace tavelo::engine
