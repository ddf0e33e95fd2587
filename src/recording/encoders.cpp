#include "recording/encoders.h"

#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>

namespace tavelo {

QString findEncoder(const QString& programDir, const QString& program) {
  const QFileInfo local(programDir + program);
  if (local.isFile() && local.isExecutable()) return local.absoluteFilePath();
  return QStandardPaths::findExecutable(program);
}

QString findFormatEncoder(const QString& programDir, int format) {
  const std::string_view encoder = kRecordFormats[format].encoder;
  if (encoder.empty()) return {};
  const QString found = findEncoder(programDir, QString::fromLatin1(encoder.data(), encoder.size()));
  if (found.isEmpty() && format == kAacFormat) return findEncoder(programDir, QStringLiteral("ffmpeg"));
  return found;
}

int recordFormatOfFile(const QString& path) {
  for (int format = 0; format < kRecordFormatCount; ++format) {
    const std::string_view extension = kRecordFormats[format].extension;
    if (path.endsWith(QLatin1String(extension.data(), extension.size()))) return format;
  }
  return -1;
}

FormatAvailability availableRecordFormats(const QString& programDir) {
  FormatAvailability available{};
  for (int format = 0; format < kRecordFormatCount; ++format) {
    available[format] = format == kWaveFormat || !findFormatEncoder(programDir, format).isEmpty();
  }
  return available;
}

int oggencBitrate(int kbps, SampleShape shape) {
  // Measured with Debian 12's oggenc (libvorbis 1.3.7); shapes not listed take every bitrate here.
  static constexpr struct {
    int rate, channels, highest;
  } kCaps[] = {{48000, 1, 240}, {44100, 1, 240}, {32000, 1, 184}, {22050, 1, 88},  {22050, 2, 176},
               {16000, 1, 96},  {16000, 2, 200}, {11025, 1, 48},  {8000, 1, 40}};
  for (const auto& cap : kCaps) {
    if (cap.rate == shape.rate && cap.channels == shape.channels) return std::min(kbps, cap.highest);
  }
  return kbps;
}

namespace {

// A word the engine's command splitting gives back whole: quoted, with " and \ escaped.
QString quotedWord(QString text) {
  text.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('"'), QLatin1String("\\\""));
  return QLatin1Char('"') + text + QLatin1Char('"');
}

bool isFaac(const QString& program) {
  return QFileInfo(program).fileName() == QLatin1String("faac");
}

// The line with %1 for the program and %2 for the work file; empty for an unknown format.
QString commandTemplate(int format, int bitrate, const EncoderSetup& setup) {
  const int kbps = kBitratesKbps[bitrate];
  const QString rate = QString::number(kbps);
  switch (format) {
    case 0: {
      static const char* const kLowpass[] = {" --lowpass 12", " --lowpass 14", " --lowpass 16"};
      const QString lowpass = bitrate < 3 ? QLatin1String(kLowpass[bitrate]) : QString();
      return "%1 --quiet -m s" + lowpass + " --cbr -b " + rate + " --ignorelength - %2";
    }
    case kAacFormat: {
      if (isFaac(setup.program)) {
        static const char* const kBandwidth[] = {" -c 12500", " -c 14000"};
        return QLatin1String("%1") + (bitrate < 2 ? QLatin1String(kBandwidth[bitrate]) : QLatin1String()) + " -b " +
               rate + " -o %2 -";
      }
      static const char* const kCutoff[] = {" -cutoff 12500", " -cutoff 14000"};
      return "%1 -v error -y -f wav -ignore_length 1 -i - -c:a aac -b:a " + rate + "k" +
             (bitrate < 2 ? QLatin1String(kCutoff[bitrate]) : QLatin1String()) + " -f adts %2";
    }
    case 2:
      return "%1 -Q --ignorelength -b " + QString::number(oggencBitrate(kbps, setup.shape)) + " -o %2 -";
    case 3:
      return QStringLiteral("%1 -f -5 -s --ignore-chunk-sizes -o %2 -");
    case 4:
      return QStringLiteral("%1 - %2 -c2000");
    case 5:
      return QStringLiteral("%1 -q -y -i - -o %2");
    default:
      return {};
  }
}

}  // namespace

QString EncoderCommandLine(int format, int bitrate, const EncoderSetup& setup) {
  if (format == kWaveFormat) return quotedWord(setup.workFile);
  if (bitrate < 0 || bitrate >= kBitrateCount) bitrate = kDefaultBitrate;
  return commandTemplate(format, bitrate, setup).arg(quotedWord(setup.program), quotedWord(setup.workFile));
}

int usableRecordFormat(int format, const FormatAvailability& available) {
  return format >= 0 && format < kRecordFormatCount && available[format] ? format : kWaveFormat;
}

}  // namespace tavelo
