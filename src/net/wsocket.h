#pragma once
// An event-driven TCP socket: name lookup, connection, sending and receiving never block; every
// event runs on the thread that owns the socket, from its event loop.

#include <QHostAddress>
#include <QHostInfo>
#include <QList>
#include <QObject>
#include <QString>
#include <QTcpSocket>
#include <cstdint>
#include <functional>
#include <memory>

namespace tavelo {

class TLookupReceiver;

class TWSocket {
public:
  TWSocket();
  ~TWSocket();
  TWSocket(const TWSocket &) = delete;
  TWSocket &operator=(const TWSocket &) = delete;

  QString LocalAddr = QStringLiteral("0.0.0.0");  // local address to bind to; "0.0.0.0" = any

  std::function<void(const QList<QHostAddress> &Addresses, std::uint16_t Error)> OnDnsLookupDone;
  std::function<void(std::uint16_t Error)> OnSessionConnected;
  std::function<void(const QByteArray &Data)> OnDataAvailable;
  std::function<void(std::uint16_t Error)> OnSessionClosed;  // only after a session was connected

  void DnsLookup(const QString &host);
  // Tries the addresses in turn; OnSessionConnected reports the first success or the last failure.
  void Connect(const QList<QHostAddress> &addresses, quint16 port);
  void Send(const QByteArray &data);
  // Drops the lookup or connection at once; no event of it fires afterwards.
  void Abort();

private:
  void ConnectNext();
  void ConnectionFailed(std::uint16_t error);
  void SocketError(QAbstractSocket::SocketError error);
  void DeliverData();
  void SessionClosed();
  bool BindLocalAddr();
  void LookupDone(const QHostInfo &info);

  QObject m_context;  // receiver of posted steps; dropping it drops them
  std::unique_ptr<TLookupReceiver> m_lookupReceiver;
  QTcpSocket m_socket;
  unsigned m_generation = 0;  // bumped by Abort: results of older work are ignored
  int m_lookupId = -1;
  QList<QHostAddress> m_addresses;
  quint16 m_port = 0;
  bool m_connected = false;
  std::uint16_t m_closeError = 0;
};

}  // namespace tavelo
