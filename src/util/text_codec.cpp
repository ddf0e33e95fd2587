#include "util/text_codec.h"

#include <QStringDecoder>

namespace tavelo {

QString decodeWindows1252(const QByteArray& bytes) {
  // Qt decodes legacy code pages through ICU, which Debian's Qt is built with.
  QStringDecoder windows1252("windows-1252");
  return windows1252.decode(bytes);
}

QString decodeWindows1251(const QByteArray& bytes) {
  QStringDecoder windows1251("windows-1251");
  return windows1251.decode(bytes);
}

QString decodeExternalText(const QByteArray& bytes) {
  // Stateless: an incomplete sequence at the end is an error, not bytes kept for a next call.
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8.decode(bytes);
  if (utf8.hasError()) return decodeWindows1252(bytes);
  return text;
}

QStringList splitLines(const QString& text) {
  QStringList lines;
  qsizetype start = 0;
  const qsizetype size = text.size();
  for (qsizetype i = 0; i < size; ++i) {
    const QChar ch = text.at(i);
    if (ch != QLatin1Char('\r') && ch != QLatin1Char('\n')) continue;
    lines.append(text.mid(start, i - start));
    if (ch == QLatin1Char('\r') && i + 1 < size && text.at(i + 1) == QLatin1Char('\n')) ++i;
    start = i + 1;
  }
  if (start < size) lines.append(text.mid(start));
  return lines;
}

QByteArray joinLinesCrLf(const QStringList& lines) {
  QByteArray bytes;
  for (QString line : lines) {
    line.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    bytes += line.toUtf8() + "\r\n";
  }
  return bytes;
}

}  // namespace tavelo
