#include "engine/encode/command_line.h"

namespace tavelo::engine {
namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

}  // namespace

std::vector<std::string> splitCommandLine(std::string_view line) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == '\\' && i + 1 < line.size() && (line[i + 1] == '"' || line[i + 1] == '\\')) {
      word += line[++i];
      inWord = true;
    } else if (c == '"') {
      quoted = !quoted;
      inWord = true;  // "" is an empty word
    } else if (isBlank(c) && !quoted) {
      if (inWord) {
        words.push_back(std::move(word));
        word.clear();
      }
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) {
    words.push_back(std::move(word));
  }
  return words;
}

}  // namespace tavelo::engine
