#include "engine/net/playlist.h"

#include <algorithm>
#include <cctype>

namespace tavelo::engine {
namespace {

std::string lowered(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return out;
}

std::string_view trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) {
    return {};
  }
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

std::vector<std::string_view> lines(std::string_view text) {
  std::vector<std::string_view> out;
  while (!text.empty()) {
    const auto end = text.find('\n');
    out.push_back(trimmed(text.substr(0, end)));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
  }
  return out;
}

// "FileN=" of a pls line, any case; the value after it or nullopt.
std::optional<std::string_view> plsFile(std::string_view line) {
  const std::string low = lowered(line.substr(0, std::min<std::size_t>(line.size(), 16)));
  const auto equals = line.find('=');
  if (!low.starts_with("file") || equals == std::string_view::npos || equals == 4) {
    return std::nullopt;
  }
  const std::string_view number = line.substr(4, equals - 4);
  if (!std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return std::nullopt;
  }
  return trimmed(line.substr(equals + 1));
}

// The scheme of a URL ("http"), empty when it has none.
std::string schemeOf(std::string_view url) {
  const auto colon = url.find("://");
  if (colon == std::string_view::npos) {
    return {};
  }
  const std::string_view scheme = url.substr(0, colon);
  const bool plain = std::all_of(scheme.begin(), scheme.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.'; });
  return plain ? lowered(scheme) : std::string();
}

bool webScheme(const std::string& scheme) { return scheme == "http" || scheme == "https"; }

}  // namespace

bool isPlaylistReply(std::string_view contentType, std::string_view url) {
  const std::string type = lowered(contentType.substr(0, contentType.find(';')));
  static constexpr std::string_view kTypes[] = {"audio/x-scpls", "audio/scpls", "audio/x-mpegurl", "audio/mpegurl",
                                                "application/x-mpegurl", "application/vnd.apple.mpegurl",
                                                "application/pls+xml"};
  if (std::find(std::begin(kTypes), std::end(kTypes), trimmed(type)) != std::end(kTypes)) {
    return true;
  }
  const std::string path = lowered(url.substr(0, url.find_first_of("?#")));
  const bool namedSo = path.ends_with(".pls") || path.ends_with(".m3u") || path.ends_with(".m3u8");
  return namedSo && !type.starts_with("audio/") && !type.starts_with("application/ogg");
}

std::vector<std::string> playlistEntries(std::string_view text) {
  const std::vector<std::string_view> all = lines(text);
  const bool pls = std::any_of(all.begin(), all.end(), [](std::string_view line) { return lowered(line) == "[playlist]"; });
  std::vector<std::string> entries;
  for (const std::string_view line : all) {
    if (pls) {
      if (const auto file = plsFile(line); file && !file->empty()) {
        entries.emplace_back(*file);
      }
    } else if (!line.empty() && line.front() != '#') {
      entries.emplace_back(line);
    }
  }
  return entries;
}

std::optional<std::string> resolveUrl(std::string_view base, std::string_view reference) {
  reference = trimmed(reference);
  if (reference.empty()) {
    return std::nullopt;
  }
  const std::string scheme = schemeOf(reference);
  if (!scheme.empty()) {
    return webScheme(scheme) ? std::optional<std::string>(reference) : std::nullopt;
  }
  if (reference.find(':') != std::string_view::npos && reference.find(':') < reference.find('/')) {
    return std::nullopt;  // "file:/x", "C:\x", "mailto:x": a scheme of some other kind
  }
  const std::string baseScheme = schemeOf(base).empty() ? "http" : schemeOf(base);
  const std::string_view rest = schemeOf(base).empty() ? base : base.substr(base.find("://") + 3);
  const std::string_view authority = rest.substr(0, rest.find_first_of("/?#"));
  if (reference.starts_with("//")) {
    return baseScheme + ":" + std::string(reference);
  }
  if (reference.starts_with("/")) {
    return baseScheme + "://" + std::string(authority) + std::string(reference);
  }
  const std::string_view path = rest.substr(authority.size());
  const std::string_view folder = path.substr(0, path.substr(0, path.find_first_of("?#")).rfind('/') + 1);
  return baseScheme + "://" + std::string(authority) + (folder.empty() ? "/" : std::string(folder)) + std::string(reference);
}

}  // namespace tavelo::engine
