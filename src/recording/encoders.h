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
inline constexpr int kAacFormat = 1;
inline constexpr int kWaveFormat = 6;
inline constexpr int kDefaultBitrate = 4;  // 192 kbps

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

inline constexpr int kBitrateCount = 7;
inline constexpr std::array<int, kBitrateCount> kBitratesKbps{64, 96, 128, 160, 192, 256, 320};

// The encoder's full path: programDir + program when executable there, else found on PATH; empty if neither.
QString findEncoder(const QString& programDir, const QString& program);

// The program that makes `format`: its own encoder, and for AAC ffmpeg when faac is not there.
// Empty for WAVE and for a format nothing here can make.
QString findFormatEncoder(const QString& programDir, int format);

// The rate and channel count of the samples an encoder is fed.
struct SampleShape {
  int rate = 44100;
  int channels = 2;
};

// oggenc refuses a nominal bitrate above what its modes have for mono and low-rate sound: the
// highest it takes for that shape, at most `kbps`.
int oggencBitrate(int kbps, SampleShape shape);

// What starts an encoder: the program found for the format and the file it is to write.
struct EncoderSetup {
  QString program;   // a full path, or a bare name looked up on PATH
  QString workFile;  // the file the encoder writes (the engine itself, for WAVE)
  SampleShape shape;
};

// The command line of `format` at bitrate index `bitrate` (out of range: 192 kbps): the program
// and the work file quoted, every encoder reading to the end of its input. For WAVE, the work
// file alone, quoted; empty for an unknown format.
QString EncoderCommandLine(int format, int bitrate, const EncoderSetup& setup);

// The format whose extension the file has, -1 for none.
int recordFormatOfFile(const QString& path);

// Which formats can be made here; WAVE always can.
FormatAvailability availableRecordFormats(const QString& programDir);

// A stored format whose encoder is missing (or that is out of range) falls back to WAVE.
int usableRecordFormat(int format, const FormatAvailability& available);

}  // namespace tavelo
