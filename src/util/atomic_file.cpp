#include "util/atomic_file.h"

#include <QDir>
#include <QSaveFile>

namespace tavelo {

namespace {

FileWriteResult failure(const QString& path, const QString& reason) {
  return {false, QStringLiteral("Can't write \"%1\": %2").arg(QDir::toNativeSeparators(path), reason)};
}

}  // namespace

FileWriteResult writeFileAtomically(const QString& path, const QByteArray& data) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return failure(path, file.errorString());
  if (file.write(data) != data.size()) {
    const QString reason = file.errorString();
    file.cancelWriting();
    return failure(path, reason);
  }
  if (!file.commit()) return failure(path, file.errorString());
  return {};
}

}  // namespace tavelo
