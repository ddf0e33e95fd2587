// Settings.ini: any bytes give settings that write and read back to the same file.
#include "app/settings_file.h"

#include <cstdlib>

using namespace tavelo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QString programDir = QStringLiteral("/opt/tavelo/");
  const SettingsData read = parseSettings(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)), programDir);
  const QByteArray written = formatSettings(read);
  if (formatSettings(parseSettings(written, programDir)) != written) std::abort();
  return 0;
}
