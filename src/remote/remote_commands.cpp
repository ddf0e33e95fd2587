#include "remote/remote_commands.h"

#include "util/text_codec.h"

#include <QFile>

namespace tavelo {

namespace {

QString remoteCommandsPath(const QString& programDir) { return programDir + QStringLiteral("IRRCcomm.ini"); }

QString defaultLine(qsizetype index) { return index % 2 == 0 ? QString() : QStringLiteral("0"); }

}  // namespace

QStringList defaultRemoteCommands() { return normaliseRemoteCommands({}); }

QStringList normaliseRemoteCommands(QStringList lines) {
  if (lines.size() > kRemoteCommandLines) lines.resize(kRemoteCommandLines);
  while (lines.size() < kRemoteCommandLines) lines.append(defaultLine(lines.size()));
  return lines;
}

QStringList loadRemoteCommands(const QString& programDir) {
  QFile file(remoteCommandsPath(programDir));
  if (!file.open(QIODevice::ReadOnly)) return defaultRemoteCommands();
  return normaliseRemoteCommands(splitLines(decodeExternalText(file.readAll())));
}

FileWriteResult saveRemoteCommands(const QString& programDir, const QStringList& lines) {
  return writeFileAtomically(remoteCommandsPath(programDir), joinLinesCrLf(lines));
}

}  // namespace tavelo
