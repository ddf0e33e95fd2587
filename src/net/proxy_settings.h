#pragma once
// How a connection reaches the net: through the system's proxy settings, directly, or through a
// named proxy server with optional credentials. One value serves the engine's radio streams
// (a station's proxy line) and the HTTP client (the CDDB page's four fields).

#include <QByteArray>
#include <QString>
#include <optional>

namespace tavelo {

class THttpCli;

struct ProxySettings {
  enum class Kind { System, Direct, Server };

  Kind kind = Kind::System;
  QString host;
  QString port;  // empty: the client's default port
  QString user;
  QString password;

  static ProxySettings direct();
  static ProxySettings server(const QString& host, const QString& port, const QString& user = {},
                              const QString& password = {});

  // A station's proxy line: "" the system settings, "none" direct, else "[user:pass@]server:port"
  // (credentials end at the last "@"; user and password split at the first ":", as do server
  // and port).
  static ProxySettings fromStationLine(const QString& line);
  QString stationLine() const;

  // The HTTP client's fields: an empty host is a direct connection.
  static ProxySettings fromClientFields(const QString& host, const QString& port, const QString& user,
                                        const QString& password);
  // The client knows no system settings: it connects directly unless a server is named.
  void applyTo(THttpCli& client) const;

  // The engine's proxy option: no text for a direct connection, "" for the system settings,
  // else the station-line form.
  std::optional<QByteArray> engineText() const;

  bool operator==(const ProxySettings&) const = default;
};

}  // namespace tavelo
