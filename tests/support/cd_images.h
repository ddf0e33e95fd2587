// CD images for tests: tones written as a cdrdao TOC or a BIN/CUE, in plain C++.
//
//   CdImageSpec spec = threeSongDisc();                     // 4 s, 3 s, 2 s; titles on 1 and 2
//   std::string toc = writeTocImage(folder, "disc", spec);  // folder/disc.toc + folder/disc.bin
//   std::string cue = writeCueImage(folder, "sheet", "tones.bin", spec);
//   BASS_CD_AddImage(toc.c_str());                          // the next drive
//
// The TOC is written as cdrdao writes one: sound big-endian, LANGUAGE_MAP over several lines, its
// .bin named relative to it, CD-TEXT in UTF-8. The CUE's sound is little-endian, its TITLE lines
// Latin-1, and its FILE line names a file other than the sheet's own name + ".bin" when asked to.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tavelo::test {

struct CdToneTrack {
  int sectors = 0;         // 75 a second
  double frequency = 440;  // left at half scale, right at a quarter
  std::string title;       // UTF-8; empty: no CD-TEXT title
};

struct CdImageSpec {
  std::string albumTitle;
  std::vector<CdToneTrack> tracks;
  bool dataTrack = false;  // a MODE1/2352 track of this many sectors after the sound (CUE only)
  int dataSectors = 150;
  bool motorola = false;  // the CUE's sound big-endian, its FILE line MOTOROLA
  // The .bin holds this many bytes at most (a damaged or cut copy); negative: all of it.
  std::int64_t binBytes = -1;
};

// Three songs of 4, 3 and 2 seconds: "First Song", "Zweites Lied é", and no title for the third.
CdImageSpec threeSongDisc();

// 16-bit little-endian stereo samples of the track, as a player should hear them.
std::vector<std::int16_t> tonePcm(const CdToneTrack& track);

// Write folder/<name>.toc and folder/<name>.bin; returns the .toc's path.
std::string writeTocImage(const std::string& folder, const std::string& name, const CdImageSpec& spec);
// Write folder/<name>.cue and folder/<binName>; returns the .cue's path.
std::string writeCueImage(const std::string& folder, const std::string& name, const std::string& binName,
                          const CdImageSpec& spec);

// "MM:SS:FF" of a count of sectors.
std::string msf(int sectors);

}  // namespace tavelo::test
