#include "net_error.h"

#include <cerrno>
#include <cstring>

std::uint16_t SocketErrorNumber(QAbstractSocket::SocketError error)
{
  switch (error) {
  case QAbstractSocket::RemoteHostClosedError:
    return NetErrorNone;
  case QAbstractSocket::ConnectionRefusedError:
    return ECONNREFUSED;
  case QAbstractSocket::HostNotFoundError:
    return NetErrorHostNotFound;
  case QAbstractSocket::SocketAccessError:
    return EACCES;
  case QAbstractSocket::SocketResourceError:
    return EMFILE;
  case QAbstractSocket::SocketTimeoutError:
    return ETIMEDOUT;
  case QAbstractSocket::NetworkError:
    return ENETUNREACH;
  case QAbstractSocket::AddressInUseError:
    return EADDRINUSE;
  case QAbstractSocket::SocketAddressNotAvailableError:
    return EADDRNOTAVAIL;
  case QAbstractSocket::UnsupportedSocketOperationError:
    return EAFNOSUPPORT;
  default:
    return EIO;
  }
}

QString NetErrorText(std::uint16_t error)
{
  switch (error) {
  case NetErrorHostNotFound:
    return QStringLiteral("Host not found");
  case NetErrorLineTooLong:
    return QStringLiteral("HTTP line too long");
  case NetErrorTooManyRedirects:
    return QStringLiteral("Too many redirects");
  case NetErrorBadUrl:
    return QStringLiteral("Invalid URL");
  default:
    return QString::fromLocal8Bit(std::strerror(error));
  }
}
