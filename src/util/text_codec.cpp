#include "text_codec.h"

#include <QStringDecoder>
#include <array>

namespace {

// 0x80..0x9F; the other bytes equal their code points. Unassigned bytes map to themselves.
constexpr std::array<char16_t, 32> kWindows1252High{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

QString decodeWindows1252(const QByteArray& bytes) {
  QString text(bytes.size(), Qt::Uninitialized);
  QChar* out = text.data();
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    *out++ = (byte >= 0x80 && byte <= 0x9F) ? QChar(kWindows1252High[byte - 0x80]) : QChar(byte);
  }
  return text;
}

QString decodeExternalText(const QByteArray& bytes) {
  QStringDecoder utf8(QStringDecoder::Utf8);
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
