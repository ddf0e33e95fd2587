#include "radio/stream_texts.h"

#include "util/text_codec.h"

#include <array>
#include <cstring>

namespace tavelo {

namespace {

constexpr QByteArrayView kNameKey = "icy-name:";
constexpr QByteArrayView kBitrateKey = "icy-br:";
constexpr QByteArrayView kTitleKey = "StreamTitle=";
constexpr QByteArrayView kTitleEnd = "';";

bool onlyBlanksAndDigits(const QString& value) {
  for (const QChar c : value)
    if (c != QLatin1Char(' ') && !c.isDigit()) return false;
  return true;
}

// Windows-1251 from 0x80 to 0xBF; 0xC0 to 0xFF are А to я in order.
constexpr std::array<char16_t, 64> kCp1251High = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0098, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457};

QString decodeWindows1251(const QByteArray& bytes) {
  QString text;
  text.reserve(bytes.size());
  for (const char byte : bytes) {
    const auto code = static_cast<unsigned char>(byte);
    if (code < 0x80) text += QChar(code);
    else if (code < 0xC0) text += QChar(kCp1251High[code - 0x80]);
    else text += QChar(char16_t(0x0410 + (code - 0xC0)));
  }
  return text;
}

// The value of a "NAME=value" comment when its name is name, in any case.
std::optional<QByteArray> commentValue(const QByteArray& comment, QByteArrayView name) {
  const qsizetype equals = comment.indexOf('=');
  if (equals < 0 || QByteArrayView(comment).first(equals).compare(name, Qt::CaseInsensitive) != 0)
    return std::nullopt;
  return comment.mid(equals + 1);
}

std::optional<QByteArray> firstComment(const QByteArrayList& comments, QByteArrayView name) {
  for (const QByteArray& comment : comments)
    if (auto value = commentValue(comment, name)) return value;
  return std::nullopt;
}

}  // namespace

QByteArrayList tagLines(const char* tags) {
  QByteArrayList lines;
  if (!tags) return lines;
  for (const char* line = tags; *line; line += std::strlen(line) + 1) lines << QByteArray(line);
  return lines;
}

QList<HeaderReport> headerReports(const QByteArrayList& headerLines) {
  QList<HeaderReport> reports;
  for (const QByteArray& line : headerLines) {
    if (line.startsWith(kNameKey)) {
      reports << HeaderReport{HeaderReport::Target::StationName,
                              decodeExternalText(line.mid(kNameKey.size())).trimmed()};
    } else if (line.startsWith(kBitrateKey)) {
      const QString value = decodeExternalText(line.mid(kBitrateKey.size())).trimmed();
      reports << HeaderReport{HeaderReport::Target::Bitrate, QStringLiteral("bitrate: %1 kbps").arg(value)};
      if (!onlyBlanksAndDigits(value))
        reports << HeaderReport{HeaderReport::Target::Bitrate, QStringLiteral("bitrate: ") + value};
    }
  }
  return reports;
}

QString bufferedText(quint32 channelType) {
  const char* type = nullptr;
  switch (channelType) {
    case 0x10300: return QStringLiteral("Playing Radio with WMA Stream.");  // BASS_CTYPE_STREAM_WMA
    case 0x10003: type = "MP1"; break;
    case 0x10004: type = "MP2"; break;
    case 0x10005: type = "MP3"; break;
    case 0x10002: type = "OGG"; break;
    case 0x10b00:
    case 0x10b01: type = "AAC"; break;
    case 0x10900: type = "FLAC"; break;
    case 0x11200: type = "OPUS"; break;
    default: return QStringLiteral("Playing Radio.");
  }
  return QStringLiteral("Playing Radio with %1 Stream.").arg(QLatin1String(type));
}

std::optional<QByteArray> streamTitle(const QByteArray& metadata) {
  const qsizetype key = metadata.indexOf(kTitleKey);
  if (key < 0) return std::nullopt;
  qsizetype start = key + kTitleKey.size();
  if (start < metadata.size() && metadata[start] == '\'') {
    ++start;
    const qsizetype end = metadata.indexOf(kTitleEnd, start);
    if (end >= 0) return metadata.mid(start, end - start);
    QByteArray rest = metadata.mid(start);
    if (rest.endsWith('\'')) rest.chop(1);
    return rest;
  }
  const qsizetype end = metadata.indexOf(';', start);
  return metadata.mid(start, end < 0 ? -1 : end - start);
}

std::optional<QByteArray> oggTitle(const QByteArrayList& comments) {
  const std::optional<QByteArray> artist = firstComment(comments, "artist");
  const std::optional<QByteArray> title = firstComment(comments, "title");
  if (artist && title) return *artist + " - " + *title;
  if (artist) return artist;
  return title;
}

QString decodeTitle(const QByteArray& bytes, TitleEncoding encoding) {
  switch (encoding) {
    case TitleEncoding::Utf8: return QString::fromUtf8(bytes);
    case TitleEncoding::Windows1252: return decodeWindows1252(bytes);
    case TitleEncoding::Windows1251: return decodeWindows1251(bytes);
    case TitleEncoding::Auto: break;
  }
  return decodeExternalText(bytes);
}

}  // namespace tavelo
