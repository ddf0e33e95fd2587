#pragma once
// THttpCli: HTTP/1.0 GET of a URL into a memory stream, directly or through a proxy with basic
// authorisation, following redirects. Never blocks: every step is an event on the owning thread,
// and OnRequestDone reports the end of each request once, after the client is ready again.

#include "net/http_message.h"
#include "net/net_error.h"
#include "net/wsocket.h"

#include <QIODevice>
#include <QString>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <functional>
#include <stdexcept>

namespace tavelo {

class EHttpException : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

enum THttpRequest { httpGET = 1 };

enum THttpState {
  httpReady = 0,
  httpNotConnected = 1,
  httpConnected = 2,
  httpDnsLookup = 3,
  httpDnsLookupDone = 4,
  httpWaitingHeader = 5,
  httpWaitingBody = 6,
};

class THttpCli {
public:
  static constexpr int MaxRedirects = 10;

  THttpCli();
  THttpCli(const THttpCli &) = delete;
  THttpCli &operator=(const THttpCli &) = delete;

  QString RequestUrl;  // host[:port]/path?query, "http://" optional
  QString Proxy;       // empty: direct; else host or host:port
  QString ProxyPort = QStringLiteral("80");
  QString ProxyUsername;
  QString ProxyPassword;
  QString Agent = QStringLiteral("Mozilla/3.0 (compatible)");
  QString Accept = QStringLiteral("image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*");
  bool NoCache = false;
  QString LocalAddr = QStringLiteral("0.0.0.0");
  QIODevice *ReceiveStream = nullptr;  // not owned; the body is appended to it
  int Tag = 0;                         // the caller's; never touched here
  // A request that receives nothing for this long ends with ETIMEDOUT.
  std::chrono::milliseconds Timeout = std::chrono::seconds(30);

  std::function<void(THttpCli *Sender, THttpRequest RqType, std::uint16_t Error)> OnRequestDone;

  // Starts a GET of RequestUrl and returns at once; throws EHttpException when a request runs.
  void StartGet();

  THttpState RequestState() const { return m_state; }
  int StatusCode() const { return m_header.StatusCode(); }
  const QString &ReasonPhrase() const { return m_header.ReasonPhrase(); }
  qint64 ContentLength() const { return m_header.ContentLength(); }
  const QString &ContentType() const { return m_header.ContentType(); }
  const QStringList &RcvdHeader() const { return m_header.HeaderLines(); }

private:
  void StartAttempt();
  void DnsLookupDone(const QList<QHostAddress> &addresses, std::uint16_t error);
  void SessionConnected(std::uint16_t error);
  void DataAvailable(const QByteArray &data);
  void HeaderReceived();
  void Redirect(QString location);
  void AppendBody(const QByteArray &data);
  void EndRequest(std::uint16_t error);

  QObject m_context;  // receiver of the posted completion; dropping it drops it
  TWSocket m_socket;
  QTimer m_silenceTimer;
  THttpState m_state = httpReady;
  THttpUrl m_url;
  THttpTarget m_target;
  THttpHeaderParser m_header;
  int m_redirects = 0;
};

}  // namespace tavelo
