// Standard MIDI files written byte by byte, for tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tavelo::test {

struct Note {
  double start;  // in quarter notes
  double length;
  int key;
};

struct SmfSpec {
  std::uint16_t division = 480;
  std::uint32_t microsPerQuarter = 500000;  // 120 beats per minute
  std::vector<Note> notes;
  double endQuarters = 0;  // where the track ends; 0 = at the last note's end
  // A second tempo from this quarter on (0 = none).
  double tempoChangeAt = 0;
  std::uint32_t secondTempo = 0;
};

// Format 1: a tempo track and a piano track.
std::vector<std::uint8_t> makeSmf(const SmfSpec& spec);
// The same wrapped as a RIFF "RMID" file.
std::vector<std::uint8_t> wrapRmid(const std::vector<std::uint8_t>& smf);
void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

// C major arpeggio, four half-second notes: 2 s at 120 beats per minute.
SmfSpec arpeggio();

}  // namespace tavelo::test
