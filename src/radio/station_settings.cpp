#include "radio/station_settings.h"

#include "radio/radio_list.h"

#include <QRegularExpression>

namespace tavelo {

namespace {

const QString kDirectProxyLine = QStringLiteral("none");

int nameLine(int station) { return 3 * (station - 1); }
int urlLine(int station) { return nameLine(station) + 1; }
int proxyLine(int station) { return nameLine(station) + 2; }

}  // namespace

ProxyField proxyFieldOf(const QString& line) {
  if (line == kDirectProxyLine) return {ProxyChoice::Direct, {}};
  if (line.isEmpty()) return {ProxyChoice::System, {}};
  return {ProxyChoice::Explicit, line};
}

QString proxyLineOf(ProxyChoice choice, const QString& text) {
  switch (choice) {
    case ProxyChoice::Explicit: return text;
    case ProxyChoice::Direct: return kDirectProxyLine;
    case ProxyChoice::System: break;
  }
  return {};
}

QString proxyLineAfterEdit(const QString& stored, ProxyChoice choice, const QString& text) {
  const bool shownCut = choice == ProxyChoice::Explicit && stored.size() > kProxyTextLimit &&
                        text == stored.left(kProxyTextLimit);
  return shownCut ? stored : proxyLineOf(choice, text);
}

StationEdit stationEditOf(const QStringList& lines, int station) {
  const ProxyField proxy = proxyFieldOf(lines.value(proxyLine(station)));
  return {lines.value(nameLine(station)), lines.value(urlLine(station)), proxy.choice, proxy.text,
          stationForceEncode(lines, station), stationTitleEncoding(lines, station)};
}

void applyStationEdit(QStringList& lines, int station, const StationEdit& edit, bool proxyForAll) {
  if (station < 1 || station > kStationCount) return;
  normaliseRadioList(lines);
  lines[nameLine(station)] = edit.name;
  lines[urlLine(station)] = edit.url;
  if (edit.proxy) lines[proxyLine(station)] = proxyLineAfterEdit(lines.at(proxyLine(station)), *edit.proxy, edit.proxyText);
  lines[kFlagsLineIndex] = forceEncodeFlagsLine(lines, station, edit.forceEncode);
  setStationTitleEncoding(lines, station, edit.titleEncoding);
  if (!proxyForAll) return;
  const QString shared = lines.at(proxyLine(station));
  for (int other = 1; other <= kStationCount; ++other) lines[proxyLine(other)] = shared;
}

std::optional<int> stationNumberOf(const QString& typed) {
  static const QRegularExpression number(QStringLiteral("^[+-]?[0-9]+$"));
  const QString text = typed.trimmed();
  if (!number.match(text).hasMatch()) return 1;
  bool fits = false;
  const int station = text.toInt(&fits);
  if (!fits || station < 1 || station > kStationCount) return std::nullopt;
  return station;
}

}  // namespace tavelo
