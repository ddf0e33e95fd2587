#include "engine/cd/cd_text.h"

#include <cstdint>
#include <optional>

namespace tavelo::engine::cd {
namespace {

// The length of the well-formed UTF-8 sequence at `at` (overlongs, surrogates and code points
// past U+10FFFF refused), 0 when there is none.
std::size_t sequenceLength(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  if (lead < 0x80) {
    return 1;
  }
  const std::size_t length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3 : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
  if (length == 0 || at + length > text.size()) {
    return 0;
  }
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) {
      return 0;
    }
  }
  const unsigned char second = byte(at + 1);
  const bool overlongOrOutOfRange = (lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) ||
                                    (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F);
  return overlongOrOutOfRange ? 0 : length;
}

std::uint32_t decodeAt(std::string_view text, std::size_t at, std::size_t length) {
  const auto byte = [&](std::size_t i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(text[i])); };
  if (length == 1) {
    return byte(at);
  }
  std::uint32_t code = byte(at) & (0x7Fu >> length);
  for (std::size_t i = 1; i < length; ++i) {
    code = (code << 6) | (byte(at + i) & 0x3F);
  }
  return code;
}

void appendUtf8(std::string& out, std::uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// Code points, UTF-8 where it is well formed and a byte of Latin-1 where it is not.
std::vector<std::uint32_t> codePoints(std::string_view text) {
  std::vector<std::uint32_t> codes;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = sequenceLength(text, at);
    codes.push_back(length == 0 ? static_cast<unsigned char>(text[at]) : decodeAt(text, at, length));
    at += length == 0 ? 1 : length;
  }
  return codes;
}

// The text as Latin-1 bytes, when it is valid UTF-8 with a multi-byte sequence.
std::optional<std::string> doublyEncoded(const std::vector<std::uint32_t>& codes) {
  std::string bytes;
  bool multiByte = false;
  for (const std::uint32_t code : codes) {
    if (code > 0xFF) {
      return std::nullopt;
    }
    bytes += static_cast<char>(code);
    multiByte = multiByte || code >= 0x80;
  }
  for (std::size_t at = 0; at < bytes.size();) {
    const std::size_t length = sequenceLength(bytes, at);
    if (length == 0) {
      return std::nullopt;
    }
    at += length;
  }
  return multiByte ? std::optional(bytes) : std::nullopt;
}

bool isControl(std::uint32_t code) { return code < 0x20 || (code >= 0x7F && code <= 0x9F); }

std::string trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  return first == std::string::npos ? std::string() : text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

std::string cleanCdText(std::string_view text) {
  std::vector<std::uint32_t> codes = codePoints(text);
  if (const std::optional<std::string> utf8 = doublyEncoded(codes)) {
    codes = codePoints(*utf8);
  }
  std::string out;
  for (const std::uint32_t code : codes) {
    appendUtf8(out, isControl(code) ? ' ' : code);
  }
  return trimmed(out);
}

std::string cdTextBlock(const std::vector<CdTextEntry>& entries) {
  std::string block;
  for (const CdTextEntry& entry : entries) {
    const std::string text = cleanCdText(entry.text);
    if (!text.empty()) {
      block += entry.key + (entry.track > 0 ? std::to_string(entry.track) : std::string()) + "=" + text;
      block += '\0';
    }
  }
  if (!block.empty()) {
    block += '\0';
  }
  return block;
}

}  // namespace tavelo::engine::cd
