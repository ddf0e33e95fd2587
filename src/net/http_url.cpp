#include "net/http_url.h"

namespace tavelo {

namespace {

QString WithoutFragment(const QString &url)
{
  const qsizetype hash = url.indexOf(u'#');
  return hash < 0 ? url : url.left(hash);
}

// Length of the "scheme://" prefix, or 0 when the text does not start with one.
qsizetype SchemePrefixLength(const QString &url)
{
  const qsizetype sep = url.indexOf(u"://");
  if (sep <= 0) {
    return 0;
  }
  for (qsizetype i = 0; i < sep; ++i) {
    const QChar c = url[i];
    if (!(c.isLetterOrNumber() || c == u'+' || c == u'-' || c == u'.')) {
      return 0;
    }
  }
  return sep + 3;
}

// The port's colon in host[:port]; an IPv6 literal is bracketed, "[::1]:8080".
qsizetype PortColon(const QString &authority)
{
  if (!authority.startsWith(u'[')) {
    return authority.indexOf(u':');
  }
  const qsizetype close = authority.indexOf(u"]:");
  return close < 0 ? -1 : close + 1;
}

void SplitAuthority(const QString &authority, THttpUrl &url)
{
  const qsizetype colon = PortColon(authority);
  url.Host = authority.left(colon < 0 ? authority.size() : colon);
  url.Port = colon < 0 ? QString() : authority.mid(colon + 1);
}

}  // namespace

THttpUrl SplitUrl(const QString &text)
{
  const QString url = WithoutFragment(text);
  THttpUrl result;
  const qsizetype prefix = SchemePrefixLength(url);
  result.Scheme = prefix > 0 ? url.left(prefix - 3).toLower() : QStringLiteral("http");
  const QString rest = url.mid(prefix);
  if (prefix == 0 && rest.startsWith(u'/')) {
    result.Path = rest;
    return result;
  }
  qsizetype pathStart = 0;
  while (pathStart < rest.size() && rest[pathStart] != u'/' && rest[pathStart] != u'?') {
    ++pathStart;
  }
  SplitAuthority(rest.left(pathStart), result);
  result.Path = rest.mid(pathStart);
  if (!result.Path.startsWith(u'/')) {
    result.Path.prepend(u'/');  // "host?query" asks for "/?query"; an empty path is "/"
  }
  return result;
}

QString LookupName(const QString &host)
{
  if (host.startsWith(u'[') && host.endsWith(u']')) {
    return host.mid(1, host.size() - 2);
  }
  return host;
}

std::optional<quint16> PortNumber(const QString &port, quint16 defaultPort)
{
  if (port.isEmpty()) {
    return defaultPort;
  }
  bool ok = false;
  const uint number = port.toUInt(&ok);
  if (!ok || number == 0 || number > 65535) {
    return std::nullopt;
  }
  return static_cast<quint16>(number);
}

THttpUrl ResolveLocation(const THttpUrl &current, const QString &text)
{
  const QString location = WithoutFragment(text.trimmed());
  if (location.startsWith(u"//")) {
    return SplitUrl(current.Scheme + u':' + location);
  }
  if (SchemePrefixLength(location) > 0) {
    return SplitUrl(location);
  }
  if (location.isEmpty()) {
    return current;
  }
  THttpUrl next = current;
  if (location.startsWith(u'/')) {
    next.Path = location;
    return next;
  }
  const QString currentPath = current.Path.left(current.Path.indexOf(u'?'));
  if (location.startsWith(u'?')) {
    next.Path = currentPath + location;
  } else {
    next.Path = currentPath.left(currentPath.lastIndexOf(u'/') + 1) + location;
  }
  return next;
}

std::optional<THttpTarget> PlanRequest(const THttpUrl &url, const QString &proxy, const QString &proxyPort)
{
  const std::optional<quint16> urlPort = PortNumber(url.Port, 80);
  if (url.Scheme != u"http" || LookupName(url.Host).isEmpty() || !urlPort) {
    return std::nullopt;
  }
  THttpTarget target;
  target.HostHeader = url.Host;
  if (proxy.trimmed().isEmpty()) {
    target.ConnectHost = LookupName(url.Host);
    target.ConnectPort = *urlPort;
    target.RequestTarget = url.Path;
    return target;
  }
  const THttpUrl proxyUrl = SplitUrl(proxy.trimmed());
  const std::optional<quint16> port = proxyUrl.Port.isEmpty() ? PortNumber(proxyPort.trimmed(), 80)
                                                               : PortNumber(proxyUrl.Port, 80);
  if (LookupName(proxyUrl.Host).isEmpty() || !port) {
    return std::nullopt;
  }
  target.ViaProxy = true;
  target.ConnectHost = LookupName(proxyUrl.Host);
  target.ConnectPort = *port;
  target.RequestTarget = QStringLiteral("http://") + url.Host + (url.Port.isEmpty() ? QString() : u':' + url.Port) + url.Path;
  return target;
}

}  // namespace tavelo
