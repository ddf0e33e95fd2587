// The test recordings, made once per test run: a two-second 440 Hz tone in every format (silence
// for MPEG Layer I and Monkey's Audio, which no Debian package encodes).
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace tavelo::test {

struct MediaFile {
  std::string name;          // the file name, its extension tells the format
  std::uint32_t ctype;       // the type the engine must report
  std::uint32_t rate;
  std::uint32_t channels;
  std::int64_t frames;       // the length the source recording had
  std::int64_t codecFrame;   // tolerance: one frame of the codec
  bool plugin;               // played through the FFmpeg plug-in
  bool tone() const { return name.starts_with("tone") && name != "tone.mp1"; }
};

inline constexpr std::uint32_t kRate = 44100;
inline constexpr std::int64_t kFrames = 2 * kRate;
inline constexpr double kToneHz = 440;

void PrintTo(const MediaFile& file, std::ostream* out);

// Every format with its expected facts.
const std::vector<MediaFile>& mediaFormats();

// The folder the files are in (made at first use, removed at exit).
std::string mediaPath(const std::string& name);

// A file made on demand by `make`, once, under `name` in the media folder.
std::string madeFile(const std::string& name, void (*make)(const std::string& path));

// The plug-in folder of this build.
std::string pluginPath();

}  // namespace tavelo::test
