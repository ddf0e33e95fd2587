#include "engine/cd/image_sheet.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace tavelo::engine::cd {
namespace {

std::vector<std::string_view> linesOf(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') {
      line.remove_suffix(1);
    }
    lines.push_back(line);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
  }
  return lines;
}

std::string_view trimmedView(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) {
    return {};
  }
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string upper(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return out;
}

std::string_view firstWord(std::string_view line) {
  line = trimmedView(line);
  return line.substr(0, line.find_first_of(" \t"));
}

// The file name of a FILE line: quoted, or the first word after the keyword; the rest of the line
// after it. Nullopt when there is none.
std::optional<std::pair<std::string, std::string_view>> fileOperand(std::string_view line) {
  line = trimmedView(line);
  std::string_view rest = trimmedView(line.substr(firstWord(line).size()));
  if (rest.empty()) {
    return std::nullopt;
  }
  if (rest.front() == '"') {
    const std::size_t close = rest.find('"', 1);
    if (close == std::string_view::npos || close == 1) {
      return std::nullopt;
    }
    return std::pair{std::string(rest.substr(1, close - 1)), rest.substr(close + 1)};
  }
  const std::size_t end = rest.find_first_of(" \t");
  return std::pair{std::string(rest.substr(0, end)), end == std::string_view::npos ? std::string_view() : rest.substr(end)};
}

std::string absoluteIn(const std::string& folder, const std::string& name) {
  return name.front() == '/' ? name : folder + "/" + name;
}

bool isFileKeyword(std::string_view word) { return word == "FILE" || word == "AUDIOFILE" || word == "DATAFILE"; }

// cdrdao writes the map as a block over several lines; libcdio reads only "LANGUAGE_MAP { … }" on
// one. Returns the index of the block's last line and the block joined.
std::pair<std::size_t, std::string> joinedBlock(const std::vector<std::string_view>& lines, std::size_t first) {
  std::string joined;
  std::size_t at = first;
  for (; at < lines.size(); ++at) {
    joined += (joined.empty() ? "" : " ") + std::string(trimmedView(lines[at]));
    if (lines[at].find('}') != std::string_view::npos) {
      break;
    }
  }
  return {std::min(at, lines.size() - 1), joined};
}

}  // namespace

std::optional<NormalisedToc> normaliseToc(std::string_view text, const std::string& tocFolder) {
  NormalisedToc toc;
  std::size_t filesInTrack = 0;
  const std::vector<std::string_view> lines = linesOf(text);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string_view word = firstWord(lines[i]);
    if (word == "TRACK") {
      if (!toc.bigEndian.empty() && filesInTrack == 0) {
        return std::nullopt;
      }
      toc.bigEndian.push_back(upper(lines[i]).find("AUDIO") != std::string::npos);
      filesInTrack = 0;
    } else if (word == "SWAP" && !toc.bigEndian.empty()) {
      toc.bigEndian.back() = false;  // stored little-endian: already what we play
      continue;
    } else if (word == "LANGUAGE_MAP") {
      auto [last, joined] = joinedBlock(lines, i);
      toc.text += joined + "\n";
      i = last;
      continue;
    } else if (isFileKeyword(word)) {
      const auto operand = fileOperand(lines[i]);
      if (!operand || operand->first == "-" || operand->first.find('"') != std::string::npos || toc.bigEndian.empty()) {
        return std::nullopt;
      }
      const std::string path = absoluteIn(tocFolder, operand->first);
      toc.dataFiles.push_back(path);
      ++filesInTrack;
      toc.text += std::string(word) + " \"" + path + "\"" + std::string(operand->second) + "\n";
      continue;
    }
    toc.text += std::string(lines[i]) + "\n";
  }
  if (toc.bigEndian.empty() || filesInTrack == 0) {
    return std::nullopt;
  }
  return toc;
}

std::optional<CueImage> parseCueImage(std::string_view text, const std::string& sheetFolder) {
  std::optional<CueImage> image;
  for (const std::string_view line : linesOf(text)) {
    if (upper(firstWord(line)) != "FILE") {
      continue;
    }
    const auto operand = fileOperand(line);
    if (image || !operand) {
      return std::nullopt;  // several files: a playlist
    }
    const std::string type = upper(firstWord(operand->second));
    if (type != "BINARY" && type != "MOTOROLA") {
      return std::nullopt;
    }
    image = CueImage{absoluteIn(sheetFolder, operand->first), type == "MOTOROLA"};
  }
  return image;
}

void swapSampleBytes(std::uint8_t* data, std::size_t bytes) {
  for (std::size_t i = 0; i + 1 < bytes; i += 2) {
    std::swap(data[i], data[i + 1]);
  }
}

}  // namespace tavelo::engine::cd
