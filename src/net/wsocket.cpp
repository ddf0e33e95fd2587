#include "net/wsocket.h"

#include "net/net_error.h"

#include <QHostInfo>
#include <QMetaObject>
#include <QSignalBlocker>
#include <cerrno>

namespace tavelo {

// Receives host lookups through a named slot. Qt 6.4's lookupHost taking a functor never frees
// the functor's slot object when the lookup is aborted (32 bytes per abort); a slot named by
// its signature allocates nothing of the kind.
class TLookupReceiver : public QObject {
  Q_OBJECT
public:
  explicit TLookupReceiver(std::function<void(const QHostInfo &)> done) : m_done(std::move(done)) {}

public slots:
  void LookedUp(const QHostInfo &info) { m_done(info); }

private:
  std::function<void(const QHostInfo &)> m_done;
};

TWSocket::TWSocket()
    : m_lookupReceiver(std::make_unique<TLookupReceiver>([this](const QHostInfo &info) { LookupDone(info); }))
{
  QObject::connect(&m_socket, &QTcpSocket::connected, &m_context, [this] {
    m_connected = true;
    m_closeError = NetErrorNone;
    if (OnSessionConnected) {
      OnSessionConnected(NetErrorNone);
    }
  });
  QObject::connect(&m_socket, &QTcpSocket::readyRead, &m_context, [this] { DeliverData(); });
  QObject::connect(&m_socket, &QTcpSocket::disconnected, &m_context, [this] { SessionClosed(); });
  QObject::connect(&m_socket, &QTcpSocket::errorOccurred, &m_context,
                   [this](QAbstractSocket::SocketError error) { SocketError(error); });
}

TWSocket::~TWSocket()
{
  m_socket.disconnect();
  Abort();
}

void TWSocket::DnsLookup(const QString &host)
{
  Abort();
  m_lookupId = QHostInfo::lookupHost(host, m_lookupReceiver.get(), SLOT(LookedUp(QHostInfo)));
}

void TWSocket::LookupDone(const QHostInfo &info)
{
  if (info.lookupId() != m_lookupId) {
    return;  // a lookup aborted after its answer was on its way
  }
  m_lookupId = -1;
  const std::uint16_t error = info.error() == QHostInfo::NoError || !info.addresses().isEmpty()
                                  ? std::uint16_t(NetErrorNone)
                                  : std::uint16_t(NetErrorHostNotFound);
  if (OnDnsLookupDone) {
    OnDnsLookupDone(info.addresses(), error);
  }
}

void TWSocket::Connect(const QList<QHostAddress> &addresses, quint16 port)
{
  Abort();
  m_addresses = addresses;
  m_port = port;
  if (m_addresses.isEmpty()) {
    ConnectionFailed(NetErrorHostNotFound);
    return;
  }
  ConnectNext();
}

void TWSocket::ConnectNext()
{
  const QHostAddress address = m_addresses.takeFirst();
  if (!BindLocalAddr()) {
    ConnectionFailed(SocketErrorNumber(m_socket.error()));
    return;
  }
  m_socket.connectToHost(address, m_port);
}

bool TWSocket::BindLocalAddr()
{
  const QHostAddress local(LocalAddr);
  if (LocalAddr.isEmpty() || local == QHostAddress::AnyIPv4 || local == QHostAddress::AnyIPv6) {
    return true;
  }
  return m_socket.bind(local);
}

// Failures are reported from the event loop: the socket is not ready for reuse inside its own signal.
void TWSocket::ConnectionFailed(std::uint16_t error)
{
  const unsigned generation = m_generation;
  QMetaObject::invokeMethod(
      &m_context,
      [this, generation, error] {
        if (generation != m_generation) {
          return;
        }
        if (!m_addresses.isEmpty()) {
          ConnectNext();
        } else if (OnSessionConnected) {
          OnSessionConnected(error == NetErrorNone ? std::uint16_t(ECONNREFUSED) : error);
        }
      },
      Qt::QueuedConnection);
}

void TWSocket::SocketError(QAbstractSocket::SocketError error)
{
  if (m_connected) {
    m_closeError = SocketErrorNumber(error);
  } else {
    ConnectionFailed(SocketErrorNumber(error));
  }
}

void TWSocket::Send(const QByteArray &data)
{
  m_socket.write(data);
}

void TWSocket::DeliverData()
{
  const QByteArray data = m_socket.readAll();
  if (!data.isEmpty() && OnDataAvailable) {
    OnDataAvailable(data);
  }
}

void TWSocket::SessionClosed()
{
  if (!m_connected) {
    return;
  }
  const unsigned generation = m_generation;
  DeliverData();
  if (generation != m_generation) {
    return;  // the data ended the session already
  }
  m_connected = false;
  if (OnSessionClosed) {
    OnSessionClosed(m_closeError);
  }
}

void TWSocket::Abort()
{
  ++m_generation;
  if (m_lookupId >= 0) {
    QHostInfo::abortHostLookup(m_lookupId);
    m_lookupId = -1;
  }
  m_addresses.clear();
  m_connected = false;
  const QSignalBlocker quiet(m_socket);
  m_socket.abort();
}

}  // namespace tavelo

#include "wsocket.moc"
