#include "radio/stream_texts.h"

#include "util/text_codec.h"

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
