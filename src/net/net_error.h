#pragma once
// Error numbers of a finished request. Below 1000 they are the system's errno values
// (ECONNREFUSED, ETIMEDOUT, …); from 1000 on they are the client's own.

#include <QAbstractSocket>
#include <QString>
#include <cstdint>

namespace tavelo {

enum TNetError : std::uint16_t {
  NetErrorNone = 0,
  NetErrorHostNotFound = 1001,
  NetErrorLineTooLong = 1002,
  NetErrorTooManyRedirects = 1003,
  NetErrorBadUrl = 1004,
  NetErrorHeaderTooLarge = 1005,
};

// The error number for what a socket reported; 0 for an orderly close by the other side.
std::uint16_t SocketErrorNumber(QAbstractSocket::SocketError error);

// The message for an error number, as a user should read it.
QString NetErrorText(std::uint16_t error);

}  // namespace tavelo
