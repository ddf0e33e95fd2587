#include "cd_images.h"

#include <cmath>
#include <fstream>
#include <stdexcept>

namespace tavelo::test {
namespace {

constexpr int kFramesPerSector = 588;
constexpr double kRate = 44100;

// Latin-1 bytes of a UTF-8 text whose characters are all in Latin-1.
std::string latin1(const std::string& utf8) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto byte = static_cast<unsigned char>(utf8[i]);
    if (byte >= 0xC0 && i + 1 < utf8.size()) {
      out += static_cast<char>(((byte & 0x1F) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3F));
    } else {
      out += static_cast<char>(byte);
    }
  }
  return out;
}

void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    throw std::runtime_error("cannot write " + path);
  }
}

std::string pcmBytes(const CdImageSpec& spec, bool bigEndian) {
  std::string bytes;
  for (const CdToneTrack& track : spec.tracks) {
    for (const std::int16_t sample : tonePcm(track)) {
      const auto value = static_cast<std::uint16_t>(sample);
      const char low = static_cast<char>(value & 0xFF);
      const char high = static_cast<char>(value >> 8);
      bytes += bigEndian ? high : low;
      bytes += bigEndian ? low : high;
    }
  }
  if (spec.dataTrack) {
    bytes.append(static_cast<std::size_t>(spec.dataSectors) * 2352, '\0');
  }
  if (spec.binBytes >= 0 && static_cast<std::size_t>(spec.binBytes) < bytes.size()) {
    bytes.resize(static_cast<std::size_t>(spec.binBytes));
  }
  return bytes;
}

std::string tocCdText(const std::string& indent, const std::string& title) {
  return indent + "CD_TEXT {\n" + indent + "  LANGUAGE 0 {\n" + indent + "    TITLE \"" + title + "\"\n" + indent + "  }\n" +
         indent + "}\n";
}

}  // namespace

CdImageSpec threeSongDisc() {
  CdImageSpec spec;
  spec.albumTitle = "Test Tones";
  spec.tracks = {{4 * 75, 440, "First Song"}, {3 * 75, 660, "Zweites Lied \xC3\xA9"}, {2 * 75, 880, ""}};
  return spec;
}

std::vector<std::int16_t> tonePcm(const CdToneTrack& track) {
  const int frames = track.sectors * kFramesPerSector;
  std::vector<std::int16_t> samples(static_cast<std::size_t>(frames) * 2);
  for (int i = 0; i < frames; ++i) {
    const double wave = std::sin(2 * M_PI * track.frequency * i / kRate);
    samples[static_cast<std::size_t>(i) * 2] = static_cast<std::int16_t>(std::lround(wave * 16384));
    samples[static_cast<std::size_t>(i) * 2 + 1] = static_cast<std::int16_t>(std::lround(wave * 8192));
  }
  return samples;
}

std::string msf(int sectors) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", sectors / (75 * 60), sectors / 75 % 60, sectors % 75);
  return text;
}

std::string writeTocImage(const std::string& folder, const std::string& name, const CdImageSpec& spec) {
  const std::string binName = name + ".bin";
  writeFile(folder + "/" + binName, pcmBytes(spec, true));
  std::string toc = "CD_DA\n\nCD_TEXT {\n  LANGUAGE_MAP {\n    0 : EN\n  }\n  LANGUAGE 0 {\n    TITLE \"" + spec.albumTitle +
                    "\"\n  }\n}\n";
  int start = 0;
  for (const CdToneTrack& track : spec.tracks) {
    toc += "\nTRACK AUDIO\n";
    if (!track.title.empty()) {
      toc += tocCdText("", track.title);
    }
    toc += "FILE \"" + binName + "\" " + msf(start) + " " + msf(track.sectors) + "\n";
    start += track.sectors;
  }
  const std::string path = folder + "/" + name + ".toc";
  writeFile(path, toc);
  return path;
}

std::string writeCueImage(const std::string& folder, const std::string& name, const std::string& binName,
                          const CdImageSpec& spec) {
  writeFile(folder + "/" + binName, pcmBytes(spec, spec.motorola));
  std::string cue = "TITLE \"" + latin1(spec.albumTitle) + "\"\nFILE \"" + binName + (spec.motorola ? "\" MOTOROLA\n" : "\" BINARY\n");
  int start = 0;
  int number = 1;
  char line[64];
  for (const CdToneTrack& track : spec.tracks) {
    std::snprintf(line, sizeof line, "  TRACK %02d AUDIO\n", number++);
    cue += line;
    if (!track.title.empty()) {
      cue += "    TITLE \"" + latin1(track.title) + "\"\n";
    }
    cue += "    INDEX 01 " + msf(start) + "\n";
    start += track.sectors;
  }
  if (spec.dataTrack) {
    std::snprintf(line, sizeof line, "  TRACK %02d MODE1/2352\n", number);
    cue += std::string(line) + "    INDEX 01 " + msf(start) + "\n";
  }
  const std::string path = folder + "/" + name + ".cue";
  writeFile(path, cue);
  return path;
}

}  // namespace tavelo::test
