// Files the player writes are replaced whole or not at all.
#pragma once

#include <QByteArray>
#include <QString>

namespace tavelo {

struct FileWriteResult {
  bool ok = true;
  QString message;  // for the user when ok is false, naming the file and the reason
};

// Writes data to a temporary file beside path and renames it over path.
// On failure the old file, if any, is left as it was.
[[nodiscard]] FileWriteResult writeFileAtomically(const QString& path, const QByteArray& data);

}  // namespace tavelo
