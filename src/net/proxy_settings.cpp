#include "net/proxy_settings.h"

#include "net/http_cli.h"

namespace tavelo {

namespace {

constexpr auto kDirectLine = "none";

// "a:b" -> {"a", "b"}; "a" -> {"a", ""}.
std::pair<QString, QString> splitAtFirstColon(const QString& text) {
  const qsizetype colon = text.indexOf(QLatin1Char(':'));
  if (colon < 0) return {text, QString()};
  return {text.left(colon), text.mid(colon + 1)};
}

}  // namespace

ProxySettings ProxySettings::direct() {
  ProxySettings proxy;
  proxy.kind = Kind::Direct;
  return proxy;
}

ProxySettings ProxySettings::server(const QString& host, const QString& port, const QString& user,
                                    const QString& password) {
  return {Kind::Server, host, port, user, password};
}

ProxySettings ProxySettings::fromStationLine(const QString& line) {
  const QString text = line.trimmed();
  if (text.isEmpty()) return {};
  if (text.compare(QLatin1String(kDirectLine), Qt::CaseInsensitive) == 0) return direct();
  ProxySettings proxy = server(QString(), QString());
  const qsizetype at = text.lastIndexOf(QLatin1Char('@'));
  if (at >= 0) std::tie(proxy.user, proxy.password) = splitAtFirstColon(text.left(at));
  std::tie(proxy.host, proxy.port) = splitAtFirstColon(text.mid(at + 1));
  if (proxy.host.isEmpty()) return direct();
  return proxy;
}

QString ProxySettings::stationLine() const {
  switch (kind) {
    case Kind::System: return QString();
    case Kind::Direct: return QString::fromLatin1(kDirectLine);
    case Kind::Server: break;
  }
  QString line;
  if (!user.isEmpty() || !password.isEmpty()) line = user + QLatin1Char(':') + password + QLatin1Char('@');
  line += host;
  if (!port.isEmpty()) line += QLatin1Char(':') + port;
  return line;
}

ProxySettings ProxySettings::fromClientFields(const QString& host, const QString& port, const QString& user,
                                              const QString& password) {
  if (host.trimmed().isEmpty()) return direct();
  return server(host.trimmed(), port.trimmed(), user, password);
}

void ProxySettings::applyTo(THttpCli& client) const {
  const bool server = kind == Kind::Server;
  client.Proxy = server ? host : QString();
  client.ProxyPort = server && !port.isEmpty() ? port : QStringLiteral("80");
  client.ProxyUsername = server ? user : QString();
  client.ProxyPassword = server ? password : QString();
}

std::optional<QByteArray> ProxySettings::engineText() const {
  if (kind == Kind::Direct) return std::nullopt;
  return stationLine().toUtf8();
}

}  // namespace tavelo
