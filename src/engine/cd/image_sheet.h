// CD image sheets (cdrdao TOC, one-file BIN/CUE) rewritten into the form libcdio opens as meant:
// libcdio refuses cdrdao's multi-line LANGUAGE_MAP and SWAP, resolves a TOC's relative file names
// from the current folder, reads a CUE's sound from the sheet's own name + ".bin" whatever its
// FILE line says, and hands on big-endian sound as stored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavelo::engine::cd {

// A TOC as libcdio opens it: the LANGUAGE_MAP block on one line, every file name absolute, no SWAP.
struct NormalisedToc {
  std::string text;
  std::vector<bool> bigEndian;         // per TRACK in order: its sound is stored big-endian
  std::vector<std::string> dataFiles;  // absolute, as named by FILE / AUDIOFILE / DATAFILE
};
// Nullopt when the text is no TOC: no TRACK, a track without its file, a file name that cannot be
// written back (a quote in it), or standard input ("-") as a file.
std::optional<NormalisedToc> normaliseToc(std::string_view text, const std::string& tocFolder);

// A sheet over one binary file: the sheet is an image; over audio files (WAVE, MP3 …) or several
// files it is a playlist and nullopt.
struct CueImage {
  std::string dataFile;  // absolute
  bool bigEndian = false;  // MOTOROLA
};
std::optional<CueImage> parseCueImage(std::string_view text, const std::string& sheetFolder);

// 16-bit samples between big- and little-endian, in place.
void swapSampleBytes(std::uint8_t* data, std::size_t bytes);

}  // namespace tavelo::engine::cd
