// What a click on station button n connects to, read from the radio list's lines.
#pragma once

#include "radio/title_encoding.h"

#include <QString>
#include <QStringList>

namespace tavelo {

struct StationChoice {
  QString url;
  QString proxyLine;  // "" the system settings, "none" direct, else "[user:pass@]server:port"
  QString name;
  TitleEncoding titleEncoding = TitleEncoding::Auto;
  // Why the station cannot be connected, for the user; empty when it can.
  QString refusal;
  bool refusedInStatusLine = false;  // the refusal goes to the status line, not a message box
};

// Station n (1..30) of a normalised list: URL line 3(n−1)+1, proxy line 3(n−1)+2.
StationChoice stationChoice(const QStringList& lines, int station);

}  // namespace tavelo
