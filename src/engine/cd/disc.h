// What a disc holds, read once per inserted disc: its tracks, the CDDB query text and its CD-TEXT.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

typedef struct _CdIo CdIo_t;

namespace tavelo::engine::cd {

inline constexpr std::uint32_t kSectorBytes = 2352;
inline constexpr std::int32_t kLeadIn = 150;  // frames before the first track's address 0

struct Track {
  std::int32_t start = 0;    // absolute address (the lead-in included)
  std::int32_t sectors = 0;  // up to the next track or the lead-out
  bool audio = true;
  bool bigEndian = false;    // an image track whose sound is stored big-endian
};

struct Disc {
  std::vector<Track> tracks;
  std::int32_t leadOut = 0;  // absolute address
  std::string cddb;          // the query's arguments
  std::string cdText;        // "key=value" texts, each zero-terminated, closed by an empty one; empty: none
};

// Reads the table of contents and CD-TEXT; an empty disc when there is no readable one.
// `bigEndian`: per track, from an image's sheet (shorter or empty for a drive).
Disc readDisc(CdIo_t* cdio, const std::vector<bool>& bigEndian);

}  // namespace tavelo::engine::cd
