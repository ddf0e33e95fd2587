#include "engine/net/icy.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace tavelo::engine {
namespace {

// Servers use 8 to 64 KiB; beyond this a value is taken as junk rather than as a promise.
constexpr std::size_t kMaxMetaInterval = 1 << 20;
constexpr std::size_t kBlockUnit = 16;

std::string_view trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) {
    return {};
  }
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool sameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

int statusCode(std::string_view statusLine) {
  const bool http = statusLine.starts_with("HTTP/");
  if (!http && !statusLine.starts_with("ICY ")) {
    return 0;
  }
  const auto space = statusLine.find(' ');
  if (space == std::string_view::npos) {
    return 0;
  }
  const std::string_view digits = statusLine.substr(space + 1, 3);
  int code = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), code);
  return error == std::errc() && end == digits.data() + 3 ? code : 0;
}

std::optional<std::string> headerValue(const std::vector<std::string>& lines, std::string_view name) {
  for (const std::string& line : lines) {
    const auto colon = line.find(':');
    if (colon != std::string::npos && sameName(trimmed(std::string_view(line).substr(0, colon)), name)) {
      return std::string(trimmed(std::string_view(line).substr(colon + 1)));
    }
  }
  return std::nullopt;
}

std::size_t metaInterval(const std::vector<std::string>& lines) {
  const std::optional<std::string> value = headerValue(lines, "icy-metaint");
  if (!value || value->empty() || !std::all_of(value->begin(), value->end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return 0;
  }
  std::size_t interval = 0;
  const auto [end, error] = std::from_chars(value->data(), value->data() + value->size(), interval);
  return error == std::errc() && interval <= kMaxMetaInterval ? interval : 0;
}

std::string zeroTerminatedLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    text += line;
    text += '\0';
  }
  text += '\0';
  return text;
}

IcyStripper::IcyStripper(std::size_t interval, AudioSink audio, MetaSink meta)
    : interval_(interval), audio_(std::move(audio)), meta_(std::move(meta)), audioLeft_(interval) {}

void IcyStripper::feed(const std::uint8_t* data, std::size_t length) {
  if (interval_ == 0) {
    audio_(data, length);
    return;
  }
  while (length > 0) {
    const std::size_t used = inBlock_ ? takeMeta(data, length) : takeAudio(data, length);
    data += used;
    length -= used;
  }
}

std::size_t IcyStripper::takeAudio(const std::uint8_t* data, std::size_t length) {
  if (audioLeft_ > 0) {
    const std::size_t count = std::min(audioLeft_, length);
    audio_(data, count);
    audioLeft_ -= count;
    audioBytes_ += count;
    return count;
  }
  metaLeft_ = std::size_t{data[0]} * kBlockUnit;  // the length byte
  inBlock_ = metaLeft_ > 0;
  audioLeft_ = inBlock_ ? 0 : interval_;
  block_.clear();
  return 1;
}

std::size_t IcyStripper::takeMeta(const std::uint8_t* data, std::size_t length) {
  const std::size_t count = std::min(metaLeft_, length);
  block_.append(reinterpret_cast<const char*>(data), count);
  metaLeft_ -= count;
  if (metaLeft_ == 0) {
    inBlock_ = false;
    audioLeft_ = interval_;
    meta_(block_.substr(0, block_.find('\0')), audioBytes_);
  }
  return count;
}

}  // namespace tavelo::engine
