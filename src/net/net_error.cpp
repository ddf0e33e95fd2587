#include "net/net_error.h"

#include <cerrno>
#include <cstring>

namespace tavelo {

namespace {

struct TSocketErrorNumber {
  QAbstractSocket::SocketError Error;
  std::uint16_t Number;
};

constexpr TSocketErrorNumber SocketErrorNumbers[] = {
    {QAbstractSocket::RemoteHostClosedError, NetErrorNone},
    {QAbstractSocket::ConnectionRefusedError, ECONNREFUSED},
    {QAbstractSocket::HostNotFoundError, NetErrorHostNotFound},
    {QAbstractSocket::SocketAccessError, EACCES},
    {QAbstractSocket::SocketResourceError, EMFILE},
    {QAbstractSocket::SocketTimeoutError, ETIMEDOUT},
    {QAbstractSocket::NetworkError, ENETUNREACH},
    {QAbstractSocket::AddressInUseError, EADDRINUSE},
    {QAbstractSocket::SocketAddressNotAvailableError, EADDRNOTAVAIL},
    {QAbstractSocket::UnsupportedSocketOperationError, EAFNOSUPPORT},
};

struct TNetErrorText {
  std::uint16_t Number;
  const char *Text;
};

constexpr TNetErrorText OwnErrorTexts[] = {
    {NetErrorHostNotFound, "Host not found"},
    {NetErrorLineTooLong, "HTTP line too long"},
    {NetErrorTooManyRedirects, "Too many redirects"},
    {NetErrorBadUrl, "Invalid URL"},
    {NetErrorHeaderTooLarge, "HTTP header too large"},
};

}  // namespace

std::uint16_t SocketErrorNumber(QAbstractSocket::SocketError error)
{
  for (const TSocketErrorNumber &entry : SocketErrorNumbers) {
    if (entry.Error == error) {
      return entry.Number;
    }
  }
  return EIO;
}

QString NetErrorText(std::uint16_t error)
{
  for (const TNetErrorText &entry : OwnErrorTexts) {
    if (entry.Number == error) {
      return QString::fromLatin1(entry.Text);
    }
  }
  return QString::fromLocal8Bit(std::strerror(error));
}

}  // namespace tavelo
