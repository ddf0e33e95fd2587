#include "net/http_cli.h"

#include <QMetaObject>
#include <cerrno>

namespace tavelo {

THttpCli::THttpCli()
{
  m_socket.OnDnsLookupDone = [this](const QList<QHostAddress> &addresses, std::uint16_t error) {
    DnsLookupDone(addresses, error);
  };
  m_socket.OnSessionConnected = [this](std::uint16_t error) { SessionConnected(error); };
  m_socket.OnDataAvailable = [this](const QByteArray &data) { DataAvailable(data); };
  m_socket.OnSessionClosed = [this](std::uint16_t error) { EndRequest(error); };
  m_silenceTimer.setSingleShot(true);
  QObject::connect(&m_silenceTimer, &QTimer::timeout, &m_context, [this] { EndRequest(ETIMEDOUT); });
}

void THttpCli::StartGet()
{
  if (m_state != httpReady) {
    throw EHttpException("HTTP component is busy");
  }
  m_state = httpNotConnected;
  m_header.Clear();
  m_redirects = 0;
  m_url = SplitUrl(RequestUrl);
  StartAttempt();
}

// One connection of a request: the first one, or the next after a redirect.
void THttpCli::StartAttempt()
{
  const std::optional<THttpTarget> target = PlanRequest(m_url, Proxy, ProxyPort);
  if (!target) {
    EndRequest(NetErrorBadUrl);
    return;
  }
  m_target = *target;
  m_state = httpDnsLookup;
  m_silenceTimer.start(Timeout);
  m_socket.LocalAddr = LocalAddr;
  m_socket.DnsLookup(m_target.ConnectHost);
}

void THttpCli::DnsLookupDone(const QList<QHostAddress> &addresses, std::uint16_t error)
{
  if (error != NetErrorNone) {
    EndRequest(error);
    return;
  }
  m_state = httpDnsLookupDone;
  m_socket.Connect(addresses, m_target.ConnectPort);
}

void THttpCli::SessionConnected(std::uint16_t error)
{
  if (error != NetErrorNone) {
    EndRequest(error);
    return;
  }
  m_state = httpConnected;
  m_silenceTimer.start(Timeout);
  m_state = httpWaitingHeader;
  m_socket.Send(BuildGetRequest(m_target, {Accept, Agent, NoCache, ProxyUsername, ProxyPassword}));
}

// The body's silence timer restarts with every read; the header must arrive whole within one
// Timeout of the request, so a server trickling header lines cannot hold the client.
void THttpCli::DataAvailable(const QByteArray &data)
{
  if (m_state == httpWaitingBody) {
    m_silenceTimer.start(Timeout);
    AppendBody(data);
    return;
  }
  switch (m_header.Feed(data)) {
  case THttpHeaderParser::TProgress::NeedMore:
    break;
  case THttpHeaderParser::TProgress::LineTooLong:
    EndRequest(NetErrorLineTooLong);
    break;
  case THttpHeaderParser::TProgress::HeaderTooLarge:
    EndRequest(NetErrorHeaderTooLarge);
    break;
  case THttpHeaderParser::TProgress::Complete:
    HeaderReceived();
    break;
  }
}

void THttpCli::HeaderReceived()
{
  if (const std::optional<QString> &location = m_header.Location()) {
    Redirect(*location);
    return;
  }
  if (m_header.ContentLength() == 0) {
    EndRequest(NetErrorNone);
    return;
  }
  m_state = httpWaitingBody;
  m_silenceTimer.start(Timeout);
  AppendBody(m_header.TakeBodyStart());
  if (m_header.StatusCode() >= 400) {
    EndRequest(NetErrorNone);  // an error page: keep only what came with its header
  }
}

void THttpCli::Redirect(QString location)
{
  if (++m_redirects > MaxRedirects) {
    EndRequest(NetErrorTooManyRedirects);
    return;
  }
  m_socket.Abort();
  m_url = ResolveLocation(m_url, location);
  m_header.Clear();
  StartAttempt();
}

void THttpCli::AppendBody(const QByteArray &data)
{
  if (!ReceiveStream || data.isEmpty()) {
    return;
  }
  if (!ReceiveStream->isOpen()) {
    ReceiveStream->open(QIODevice::ReadWrite);
  }
  if (!ReceiveStream->isSequential()) {
    ReceiveStream->seek(ReceiveStream->size());
  }
  ReceiveStream->write(data);
}

void THttpCli::EndRequest(std::uint16_t error)
{
  m_silenceTimer.stop();
  m_socket.Abort();
  m_state = httpReady;
  QMetaObject::invokeMethod(
      &m_context,
      [this, error] {
        if (OnRequestDone) {
          OnRequestDone(this, httpGET, error);
        }
      },
      Qt::QueuedConnection);
}

}  // namespace tavelo
