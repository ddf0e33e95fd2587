#include "recording/work_file.h"

#include "recording/file_names.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>

namespace tavelo {

QString workFileOf(const QString& target) { return target + QStringLiteral(".part"); }

bool replaceWithWorkFile(const QString& work, const QString& target, QString* error) {
  if (std::rename(QFile::encodeName(work).constData(), QFile::encodeName(target).constData()) == 0) return true;
  *error = QString::fromLocal8Bit(std::strerror(errno));
  return false;
}

QString fileWorkFileAnew(const QString& work, const QString& folder, const QString& stem,
                         const QString& extension, QString* error) {
  if (QFileInfo(work).size() == 0) {
    QFile::remove(work);
    return {};
  }
  const QByteArray from = QFile::encodeName(work);
  // Each candidate is tried by the rename itself, so a name taken a moment ago is never replaced.
  QString refusal;
  const auto taken = [&](const QString& path) {
    if (renameat2(AT_FDCWD, from.constData(), AT_FDCWD, QFile::encodeName(path).constData(), RENAME_NOREPLACE) == 0)
      return false;
    if (errno == EEXIST) return true;
    refusal = QString::fromLocal8Bit(std::strerror(errno));
    return false;
  };
  const QString path = firstFreeName(folder, stem, extension, taken);
  if (refusal.isEmpty()) return path;
  *error = refusal;
  return {};
}

}  // namespace tavelo
