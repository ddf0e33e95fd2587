// What the station settings panel edits for one station, how its choices become radio list
// lines, and which station a typed number picks.
#pragma once

#include "radio/title_encoding.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace tavelo {

// The proxy items of the panel, in the order it lists them.
enum class ProxyChoice { Explicit = 0, System = 1, Direct = 2 };

// The longest proxy text the panel takes ("[user:pass@]server:port").
inline constexpr int kProxyTextLimit = 99;

struct ProxyField {
  ProxyChoice choice = ProxyChoice::System;
  QString text;  // only for Explicit
};

// A station's proxy line as the panel shows it: "none" is Direct, an empty line System, any
// other text Explicit with that text.
ProxyField proxyFieldOf(const QString& line);
// The line a choice stores: the text for Explicit, "" for System, "none" for Direct. An
// Explicit choice with no text stores "", which reopens as System.
QString proxyLineOf(ProxyChoice choice, const QString& text);

// The line Ok stores for a station whose line was stored: as proxyLineOf, except that a stored
// explicit proxy longer than the field takes stays whole while the field still shows its start
// (the connection then reports it as too long instead of using a cut address).
QString proxyLineAfterEdit(const QString& stored, ProxyChoice choice, const QString& text);

// One station as the panel holds it.
struct StationEdit {
  QString name;
  QString url;
  std::optional<ProxyChoice> proxy;  // nothing selected: Ok leaves the proxy line alone
  QString proxyText;
  bool forceEncode = false;
  TitleEncoding titleEncoding = TitleEncoding::Auto;
};

// Station n (1..30) of a normalised list.
StationEdit stationEditOf(const QStringList& lines, int station);

// Ok on station n: its name, URL, proxy, force-encode flag and title encoding go into the list;
// proxyForAll then gives every station the proxy line station n now has.
void applyStationEdit(QStringList& lines, int station, const StationEdit& edit, bool proxyForAll);

// The station a typed number picks: a whole number in 1..30 is that station, text that is no
// number (an empty entry included) is station 1, and any other number is nothing ("Invalid Input!").
std::optional<int> stationNumberOf(const QString& typed);

}  // namespace tavelo
