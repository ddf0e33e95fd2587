#include "net/net_error.h"
#include "qt_print.h"

#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>

using namespace tavelo;

namespace {

TEST(NetError, NamesTheClientsOwnErrorsAndTheSystemsOnes)
{
  const std::pair<std::uint16_t, QString> cases[] = {
      {NetErrorHostNotFound, QStringLiteral("Host not found")},
      {NetErrorLineTooLong, QStringLiteral("HTTP line too long")},
      {NetErrorTooManyRedirects, QStringLiteral("Too many redirects")},
      {NetErrorBadUrl, QStringLiteral("Invalid URL")},
      {NetErrorHeaderTooLarge, QStringLiteral("HTTP header too large")},
      {ECONNREFUSED, QString::fromLocal8Bit(std::strerror(ECONNREFUSED))},
      {ETIMEDOUT, QString::fromLocal8Bit(std::strerror(ETIMEDOUT))},
  };
  for (const auto &[error, text] : cases) {
    SCOPED_TRACE(error);
    EXPECT_EQ(NetErrorText(error), text);
  }
}

TEST(NetError, AnOrderlyCloseIsNoError)
{
  EXPECT_EQ(SocketErrorNumber(QAbstractSocket::RemoteHostClosedError), NetErrorNone);
  EXPECT_EQ(SocketErrorNumber(QAbstractSocket::ConnectionRefusedError), ECONNREFUSED);
  EXPECT_EQ(SocketErrorNumber(QAbstractSocket::UnknownSocketError), EIO);
}

}  // namespace
