#include "recording/encoders.h"

#include <QFileInfo>
#include <QStandardPaths>

namespace tavelo {

QString findEncoder(const QString& programDir, const QString& program) {
  const QFileInfo local(programDir + program);
  if (local.isFile() && local.isExecutable()) return local.absoluteFilePath();
  return QStandardPaths::findExecutable(program);
}

FormatAvailability availableRecordFormats(const QString& programDir) {
  FormatAvailability available{};
  for (int format = 0; format < kRecordFormatCount; ++format) {
    const std::string_view encoder = kRecordFormats[format].encoder;
    available[format] =
        encoder.empty() || !findEncoder(programDir, QString::fromLatin1(encoder.data(), encoder.size())).isEmpty();
  }
  return available;
}

int usableRecordFormat(int format, const FormatAvailability& available) {
  return format >= 0 && format < kRecordFormatCount && available[format] ? format : kWaveFormat;
}

}  // namespace tavelo
