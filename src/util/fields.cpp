#include "util/fields.h"

namespace tavelo {

QString GetField(const QString& text, int first, int count, QChar separator) {
  const int last = first + count - 1;
  QString collected;
  int field = 1;
  for (const QChar ch : text) {
    if (field >= first && field <= last) collected += ch;
    if (ch == separator && ++field > last) break;
  }
  collected.chop(1);
  return collected;
}

QString FormatMinSec(int seconds) {
  const auto twoDigits = [](int value) {
    return value < 0 ? QStringLiteral("-%1").arg(-value, 2, 10, QChar('0'))
                     : QStringLiteral("%1").arg(value, 2, 10, QChar('0'));
  };
  return twoDigits(seconds / 60) + QLatin1Char(':') + twoDigits(seconds % 60);
}

}  // namespace tavelo
