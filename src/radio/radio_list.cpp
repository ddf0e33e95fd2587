#include "radio/radio_list.h"

#include "util/text_codec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace tavelo {

namespace {

QString noRadioListTitle() { return QStringLiteral("No Radio List"); }

// rename(2) replaces an existing target in one step, so no moment exists without a list.
QString moveReplacing(const QString& from, const QString& to) {
  if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0) return {};
  return QStringLiteral("Can't move \"%1\" to \"%2\": %3").arg(from, to, QString::fromLocal8Bit(std::strerror(errno)));
}

}  // namespace

std::optional<QStringList> readRadioListFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  return splitLines(decodeExternalText(file.readAll()));
}

void normaliseRadioList(QStringList& lines) {
  while (lines.size() < kStationLineCount) lines.append(QString());
  if (lines.size() == kStationLineCount) lines.append(QString(kStationCount, QLatin1Char('0')));
}

FileWriteResult saveRadioList(const QString& path, const QStringList& lines) {
  return writeFileAtomically(path, joinLinesCrLf(lines));
}

QString stationName(const QStringList& lines, int station) { return lines.value(3 * (station - 1)); }

bool stationForceEncode(const QStringList& lines, int station) {
  const QString flags = lines.value(kFlagsLineIndex);
  return station >= 1 && station <= flags.size() && flags.at(station - 1) == QLatin1Char('1');
}

QString radioListTitle(const QString& path) { return QFileInfo(path).completeBaseName(); }

StartupRadioList loadStartupRadioList(const QString& programDir, const QString& savedPath) {
  StartupRadioList result{savedPath, {}, noRadioListTitle(), {}, true};
  const QString legacy = programDir + QStringLiteral("Tavelo.ini");
  if (QFileInfo::exists(legacy)) {
    const QString moved = programDir + QStringLiteral("RLists/Tavelo.rls");
    result.error = moveReplacing(legacy, moved);
    result.path = result.error.isEmpty() ? moved : legacy;
  }
  if (QFileInfo::exists(result.path)) {
    if (std::optional<QStringList> lines = readRadioListFile(result.path)) {
      result.lines = *lines;
      result.title = radioListTitle(result.path);
    } else {
      result.saveOnClose = false;
      if (result.error.isEmpty()) result.error = QStringLiteral("Can't read \"%1\"").arg(result.path);
    }
  }
  normaliseRadioList(result.lines);
  return result;
}

QStringList radioListFileNames(const QString& programDir) {
  return QDir(programDir + QStringLiteral("RLists"))
      .entryList({QStringLiteral("*.rls")}, QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

}  // namespace tavelo
