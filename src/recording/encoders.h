// The seven record formats and the encoder programs that make six of them.
#pragma once

#include <QString>
#include <array>
#include <string_view>

namespace tavelo {

struct RecordFormat {
  std::string_view item;       // option of the record format group
  std::string_view extension;  // of the files it makes
  std::string_view encoder;    // program fed on stdin; empty for WAVE, written by the engine itself
};

inline constexpr int kRecordFormatCount = 7;
inline constexpr int kWaveFormat = 6;

inline constexpr std::array<RecordFormat, kRecordFormatCount> kRecordFormats{{
    {"MP3 file", ".mp3", "lame"},
    {"AAC file", ".aac", "faac"},
    {"OGG file", ".ogg", "oggenc"},
    {"FLAC file", ".flac", "flac"},
    {"APE file", ".ape", "mac"},
    {"WV file", ".wv", "wavpack"},
    {"WAVE file", ".wav", ""},
}};

using FormatAvailability = std::array<bool, kRecordFormatCount>;

// The encoder's full path: programDir + program when executable there, else found on PATH; empty if neither.
QString findEncoder(const QString& programDir, const QString& program);

// Which formats can be made here; WAVE always can.
FormatAvailability availableRecordFormats(const QString& programDir);

// A stored format whose encoder is missing (or that is out of range) falls back to WAVE.
int usableRecordFormat(int format, const FormatAvailability& available);

}  // namespace tavelo
