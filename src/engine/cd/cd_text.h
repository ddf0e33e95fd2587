// CD-TEXT as the engine hands it out: zero-terminated "key=value" texts in UTF-8.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tavelo::engine::cd {

struct CdTextEntry {
  std::string key;   // "TITLE", "PERFORMER" ...
  int track = 0;     // 0: the disc; else the track's number from 1
  std::string text;  // as libcdio gives it (UTF-8)
};

// A text fit to show: libcdio reads image CD-TEXT as Latin-1, so a disc burnt with UTF-8 text comes
// back doubly encoded; when the text taken back to Latin-1 is valid UTF-8 with a multi-byte
// sequence, that is the text. Bytes that are no UTF-8 are read as Latin-1; control characters
// become blanks; blanks at either end go.
std::string cleanCdText(std::string_view text);

// "TITLE=…", "TITLE1=…" … each closed by a zero, the whole closed by an empty text; empty when no
// entry has a text left once cleaned.
std::string cdTextBlock(const std::vector<CdTextEntry>& entries);

}  // namespace tavelo::engine::cd
