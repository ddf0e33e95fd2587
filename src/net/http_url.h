#pragma once
// URLs as the client accepts them: [scheme://]host[:port][/path][?query], scheme "http" when absent.

#include <QString>
#include <optional>

namespace tavelo {

struct THttpUrl {
  QString Scheme;  // lower case; "http" when the URL names none
  QString Host;    // as written; an IPv6 literal keeps its brackets
  QString Port;    // as written; empty when the URL names none
  QString Path;    // from the first "/" or "?" on, without a "#" fragment; "/" when empty
};

THttpUrl SplitUrl(const QString &url);

// The host name to look up: the host without the brackets of an IPv6 literal.
QString LookupName(const QString &host);

// Port text as a number; an empty text gives defaultPort, anything but 1..65535 gives nullopt.
std::optional<quint16> PortNumber(const QString &port, quint16 defaultPort);

// The URL a Location header leads to from `current`: absolute ("http://…" or "//host…"),
// a path on the same host ("/…") or a path relative to the current one's folder.
THttpUrl ResolveLocation(const THttpUrl &current, const QString &location);

// Where a request goes and what it says about its target.
struct THttpTarget {
  QString ConnectHost;     // looked-up name: the URL's host, or the proxy's
  quint16 ConnectPort = 0;
  QString RequestTarget;   // the path, or the absolute URL when going through a proxy
  QString HostHeader;      // the URL's host, without port
  bool ViaProxy = false;
};

// nullopt when the URL cannot be fetched: no host (an empty "[]" included), a scheme other than
// http, a bad port.
std::optional<THttpTarget> PlanRequest(const THttpUrl &url, const QString &proxy, const QString &proxyPort);

}  // namespace tavelo
