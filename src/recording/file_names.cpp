#include "recording/file_names.h"

#include <QFileInfo>

namespace tavelo {
namespace {

constexpr int kMaxNameBytes = 255;

bool isUnsafe(QChar c) {
  return c.category() == QChar::Other_Control || QStringView(u"\"*/:<>?\\|").contains(c);
}

bool isKeptInTitle(QChar c) {
  const char16_t u = c.unicode();
  return u == ' ' || u == '-' || u == '.' || (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') ||
         (u >= 'a' && u <= 'z');
}

}  // namespace

QString SafeFileName(const QString& text) {
  if (text == QLatin1String(".") || text == QLatin1String("..")) return QStringLiteral("_");
  QString safe = text;
  for (QChar& c : safe) {
    if (isUnsafe(c)) c = QLatin1Char('_');
  }
  return safe;
}

QString fitFileName(const QString& stem, const QString& extension) {
  const int room = kMaxNameBytes - static_cast<int>(extension.toUtf8().size());
  QString cut = stem;
  while (cut.toUtf8().size() > room) {
    cut.chop(cut.size() >= 2 && cut.at(cut.size() - 1).isLowSurrogate() ? 2 : 1);
  }
  return cut + extension;
}

QString recordTitleStem(const QString& title) {
  QString kept;
  for (const QChar c : title) {
    if (isKeptInTitle(c)) kept += c;
  }
  return kept.isEmpty() || title == QLatin1String("No META Data") ? QStringLiteral("Track") : kept;
}

QString firstFreeName(const QString& folder, const QString& stem, const QString& extension,
                      const std::function<bool(const QString&)>& exists) {
  QString path = folder + QLatin1Char('/') + fitFileName(stem, extension);
  for (int k = 1; exists(path); ++k) {
    // The number goes before the extension, so a name at its longest gives up stem, not number.
    const QString number = QString::asprintf("%.3d", k);
    path = folder + QLatin1Char('/') + fitFileName(stem, number + extension);
  }
  return path;
}

QString ripMarker(int errors) {
  return QStringLiteral("  --->  ") + (errors == 0 ? QStringLiteral("OK") : QString::number(errors) + " Errors");
}

QString withoutRipMarker(const QString& item) {
  const qsizetype at = item.indexOf(QLatin1String("  --->  "));
  return at < 0 ? item : item.left(at);
}

QString ripFileName(const QString& item, const QString& extension) {
  return fitFileName(SafeFileName(item), extension);
}

QString cueTrackFileName(int track, const QString& title, const QString& extension) {
  return fitFileName(QString::asprintf("%.2d. ", track) + SafeFileName(title), extension);
}

QString convertedFileName(const QString& sourcePath, const QString& extension) {
  const QFileInfo source(sourcePath);
  const QString name = source.fileName();
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  return fitFileName(SafeFileName(dot > 0 ? name.left(dot) : name), extension);
}

}  // namespace tavelo
