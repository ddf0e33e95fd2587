#include "files/sound_fonts.h"

#include "util/fields.h"

namespace tavelo {
namespace {

constexpr QChar kSeparator = u'^';

}  // namespace

QStringList soundFontRows(const QString& list) {
  QStringList rows;
  for (int field = 1; field <= kSoundFontRows; ++field) rows << GetField(list, field, 1, kSeparator);
  return rows;
}

QString soundFontList(const QStringList& rows) {
  QString list;
  for (int row = 0; row < kSoundFontRows; ++row) list += rows.value(row) + kSeparator;
  return list;
}

QString soundFontDeleteQuestion(const QString& path) {
  return QStringLiteral("Do you really want to delete \"") + path + QStringLiteral("\" Sound Fount?");
}

bool soundFontPathFits(const QString& path) { return !path.contains(kSeparator); }

QString soundFontPathRefusal(const QString& path) {
  return QStringLiteral("The path \"") + path + QStringLiteral("\" contains \"^\" and cannot be used as a sound font.");
}

}  // namespace tavelo
