#include "engine/plugins/ffmpeg/file_match.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <string_view>
#include <vector>

namespace tavelo::ffmpeg {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::size_t kHeadBytes = 512;

char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return asciiLower(x) == asciiLower(y); });
}

// patterns: "*.aac;*.m4a;*.mp4"
bool nameMatches(std::string_view name, std::string_view patterns) {
  const auto dot = name.rfind('.');
  if (dot == std::string_view::npos || name.find('/', dot) != std::string_view::npos) {
    return false;
  }
  const std::string_view extension = name.substr(dot);
  while (!patterns.empty()) {
    const auto end = std::min(patterns.find(';'), patterns.size());
    const std::string_view pattern = patterns.substr(0, end);
    if (pattern.starts_with('*') && sameIgnoringCase(pattern.substr(1), extension)) {
      return true;
    }
    patterns.remove_prefix(std::min(end + 1, patterns.size()));
  }
  return false;
}

Bytes readAt(std::ifstream& in, std::uint64_t offset) {
  Bytes bytes(kHeadBytes);
  in.clear();
  in.seekg(static_cast<std::streamoff>(offset));
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
  return bytes;
}

bool startsWith(const Bytes& bytes, std::string_view prefix, std::size_t at = 0) {
  return bytes.size() >= at + prefix.size() && std::equal(prefix.begin(), prefix.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at),
                                                          [](char c, std::uint8_t b) { return static_cast<std::uint8_t>(c) == b; });
}

bool contains(const Bytes& bytes, std::string_view needle) {
  return std::search(bytes.begin(), bytes.end(), needle.begin(), needle.end(),
                     [](std::uint8_t b, char c) { return static_cast<std::uint8_t>(c) == b; }) != bytes.end();
}

// The bytes an ID3v2 tag in front of the sound takes, 0 when there is none.
std::uint64_t id3v2Size(const Bytes& head) {
  if (!startsWith(head, "ID3") || head.size() < 10 || ((head[6] | head[7] | head[8] | head[9]) & 0x80) != 0) {
    return 0;
  }
  const std::uint64_t size = (std::uint64_t{head[6]} << 21) | (head[7] << 14) | (head[8] << 7) | head[9];
  const bool footer = (head[5] & 0x10) != 0;
  return 10 + size + (footer ? 10 : 0);
}

constexpr std::string_view kAsfHeader{"\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C", 16};
constexpr std::array<std::string_view, 5> kSignatures = {
    "fLaC", "MAC ", "wvpk", "ADIF", "\x1A\x45\xDF\xA3",  // FLAC, Monkey's Audio, WavPack, AAC, Matroska
};

bool isAdts(const Bytes& head) { return head.size() >= 2 && head[0] == 0xFF && (head[1] & 0xF6) == 0xF0; }

bool carriesOurFormat(const Bytes& head) {
  return std::any_of(kSignatures.begin(), kSignatures.end(), [&](std::string_view s) { return startsWith(head, s); }) ||
         startsWith(head, kAsfHeader) || startsWith(head, "ftyp", 4) || isAdts(head) ||
         (startsWith(head, "OggS") && (contains(head, "OpusHead") || contains(head, "\x7F" "FLAC")));
}

bool signatureMatches(const char* path) {
  std::ifstream in(path, std::ios::binary);
  Bytes head = readAt(in, 0);
  if (const std::uint64_t tag = id3v2Size(head); tag > 0) {
    head = readAt(in, tag);
  }
  return carriesOurFormat(head);
}

}  // namespace

bool mayBeOurs(const char* path, std::span<const TaveloPluginFormat> formats) {
  const std::string_view name = path;
  return std::any_of(formats.begin(), formats.end(), [&](const TaveloPluginFormat& f) { return nameMatches(name, f.exts); }) ||
         signatureMatches(path);
}

}  // namespace tavelo::ffmpeg
