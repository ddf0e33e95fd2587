#include "app/open_filter.h"

#include <QDir>
#include <QFileInfo>

namespace tavelo {

OpenDialogFilter buildOpenDialogFilter(const QList<PluginFormat>& pluginFormats) {
  QString filter = QStringLiteral("BASS built-in|*.mp3;*.mp2;*.mp1;*.ogg;*.wav*;*.aif");
  QString extensionList = QStringLiteral("*.mp3;*.mp2;*.mp1;*.ogg;*.wav;*.aif;");
  for (const PluginFormat& format : pluginFormats) {
    filter += QStringLiteral("|%1 (%2)|%2").arg(format.name, format.extensions);
    extensionList += format.extensions + QLatin1Char(';');
  }
  return {QStringLiteral("All Audio Files|") + extensionList + QStringLiteral("*.cue|CUE Files (*.cue)|*.cue|") +
              filter,
          extensionList};
}

namespace {

// "MIDI (*.mid;*.midi)" -> "MIDI": the dialog shows the patterns in its own form.
QString withoutPatternSuffix(const QString& caption) {
  const qsizetype open = caption.lastIndexOf(QLatin1String(" ("));
  return open > 0 && caption.endsWith(QLatin1Char(')')) ? caption.left(open) : caption;
}

}  // namespace

QStringList toNameFilters(const QString& filter) {
  const QStringList parts = filter.split(QLatin1Char('|'));
  QStringList nameFilters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString patterns = parts.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts).join(QLatin1Char(' '));
    nameFilters << QStringLiteral("%1 (%2)").arg(withoutPatternSuffix(parts.at(i)), patterns);
  }
  return nameFilters;
}

bool isPlayableExtension(const QString& extensionList, const QString& path) {
  const QString suffix = QFileInfo(path).suffix();
  if (suffix.isEmpty()) return false;
  return extensionList.contains(QStringLiteral("*.") + suffix + QLatin1Char(';'), Qt::CaseInsensitive);
}

QStringList pluginLibraries(const QString& pluginDir) {
  const QDir dir(pluginDir);
  QStringList paths;
  for (const QString& name : dir.entryList({QStringLiteral("*.so")}, QDir::Files, QDir::Name))
    paths << dir.filePath(name);
  return paths;
}

}  // namespace tavelo
