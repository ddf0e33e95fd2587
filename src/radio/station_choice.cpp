#include "radio/station_choice.h"

#include "radio/radio_list.h"
#include "radio/station_settings.h"

namespace tavelo {

StationChoice stationChoice(const QStringList& lines, int station) {
  StationChoice choice;
  const int first = 3 * (station - 1);
  choice.url = lines.value(first + 1).trimmed();
  choice.proxyLine = lines.value(first + 2);
  choice.name = stationName(lines, station);
  choice.titleEncoding = stationTitleEncoding(lines, station);
  if (choice.url.isEmpty()) {
    choice.refusal = QStringLiteral("Not URL for This Button.");
  } else if (choice.proxyLine.size() > kProxyTextLimit) {
    choice.refusal = QStringLiteral("Proxy text too long.");
    choice.refusedInStatusLine = true;
  }
  return choice;
}

}  // namespace tavelo
