#include "net/http_message.h"
#include "qt_print.h"

#include <gtest/gtest.h>

using namespace tavelo;

namespace {

const char *const DefaultAccept = "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*";
const char *const DefaultAgent = "Mozilla/3.0 (compatible)";

THttpTarget Target(bool viaProxy)
{
  THttpTarget target;
  target.RequestTarget = viaProxy ? QStringLiteral("http://host/~cddb/cddb.cgi?cmd=x") : QStringLiteral("/~cddb/cddb.cgi?cmd=x");
  target.HostHeader = QStringLiteral("host");
  target.ViaProxy = viaProxy;
  return target;
}

struct RequestCase {
  const char *name;
  bool viaProxy;
  THttpRequestFields fields;
  QByteArray expected;
};

TEST(BuildGetRequest, WritesTheHeaderLinesInTheirOrder)
{
  const QByteArray accept = QByteArray("Accept: ") + DefaultAccept + "\r\n";
  const QByteArray agent = QByteArray("User-Agent: ") + DefaultAgent + "\r\n";
  const RequestCase cases[] = {
      {"direct", false, {DefaultAccept, DefaultAgent, false, {}, {}},
       QByteArray("GET /~cddb/cddb.cgi?cmd=x HTTP/1.0\r\n") + accept + agent + "Host: host\r\n\r\n"},
      {"proxy with credentials and no-cache", true, {DefaultAccept, DefaultAgent, true, "user", "pass"},
       QByteArray("GET http://host/~cddb/cddb.cgi?cmd=x HTTP/1.0\r\n") + accept + agent +
           "Host: host\r\nPragma: no-cache\r\nProxy-Authorization: Basic dXNlcjpwYXNz\r\n\r\n"},
      {"proxy with a password but no user name", true, {DefaultAccept, DefaultAgent, false, {}, "pass"},
       QByteArray("GET http://host/~cddb/cddb.cgi?cmd=x HTTP/1.0\r\n") + accept + agent + "Host: host\r\n\r\n"},
      {"credentials without a proxy stay home", false, {DefaultAccept, DefaultAgent, false, "user", "pass"},
       QByteArray("GET /~cddb/cddb.cgi?cmd=x HTTP/1.0\r\n") + accept + agent + "Host: host\r\n\r\n"},
      {"empty accept and agent are left out", false, {{}, {}, false, {}, {}},
       "GET /~cddb/cddb.cgi?cmd=x HTTP/1.0\r\nHost: host\r\n\r\n"},
  };
  for (const RequestCase &c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(BuildGetRequest(Target(c.viaProxy), c.fields), c.expected);
  }
}

TEST(BuildGetRequest, EncodesNonAsciiCredentialsAsUtf8)
{
  const QByteArray request = BuildGetRequest(Target(true), {{}, {}, false, QStringLiteral("jür"), QStringLiteral("p:w")});
  EXPECT_TRUE(request.contains("Proxy-Authorization: Basic " + QByteArray("jür:p:w").toBase64() + "\r\n"));
}

// Feeds the answer in pieces of `piece` bytes, as a slow network would deliver it.
THttpHeaderParser::TProgress FeedInPieces(THttpHeaderParser &parser, const QByteArray &answer, qsizetype piece)
{
  THttpHeaderParser::TProgress progress = THttpHeaderParser::TProgress::NeedMore;
  for (qsizetype at = 0; at < answer.size() && progress == THttpHeaderParser::TProgress::NeedMore; at += piece) {
    progress = parser.Feed(answer.mid(at, piece));
  }
  return progress;
}

TEST(THttpHeaderParser, ReadsStatusFieldsAndBodyStartHoweverTheBytesArrive)
{
  const QByteArray answer = "HTTP/1.1 302 Found here\r\n"
                            "CONTENT-LENGTH:   12\r\n"
                            "location: /next#top\n"
                            "Content-Type: Text/Plain; Charset=UTF-8\r\n"
                            "X-Other: kept: as is\r\n"
                            "\r\n"
                            "body\r\nmore";
  for (const qsizetype piece : {qsizetype(1), qsizetype(7), answer.size()}) {
    SCOPED_TRACE(piece);
    THttpHeaderParser parser;
    ASSERT_EQ(FeedInPieces(parser, answer, piece), THttpHeaderParser::TProgress::Complete);
    EXPECT_EQ(parser.StatusCode(), 302);
    EXPECT_EQ(parser.ReasonPhrase(), QStringLiteral("Found here"));
    EXPECT_EQ(parser.ContentLength(), 12);
    EXPECT_EQ(parser.Location(), QStringLiteral("/next#top"));
    EXPECT_EQ(parser.ContentType(), QStringLiteral("text/plain; charset=utf-8"));
    EXPECT_EQ(parser.HeaderLines().size(), 5);
    EXPECT_EQ(parser.HeaderLines().last(), QStringLiteral("X-Other: kept: as is"));
    // the rest of the last piece is body; with one-byte pieces nothing follows the empty line yet
    const QByteArray bodyStart = parser.TakeBodyStart();
    EXPECT_TRUE(QByteArray("body\r\nmore").startsWith(bodyStart));
  }
}

TEST(THttpHeaderParser, TakesAnHtmlLineAsTheStartOfTheBody)
{
  THttpHeaderParser parser;
  ASSERT_EQ(parser.Feed("HTTP/1.0 200 OK\r\n<html><body>\r\nrest"), THttpHeaderParser::TProgress::Complete);
  EXPECT_EQ(parser.StatusCode(), 200);
  EXPECT_EQ(parser.ContentType(), QStringLiteral("text/html"));
  EXPECT_EQ(parser.TakeBodyStart(), QByteArray("<html><body>\r\nrest"));
}

TEST(THttpHeaderParser, KeepsDefaultsForMissingOrOddFields)
{
  struct Case {
    const char *answer;
    int status;
    qint64 contentLength;
  };
  const Case cases[] = {
      {"HTTP/1.0 200 OK\r\n\r\n", 200, -1},
      {"HTTP/1.0 200 OK\r\nContent-Length: many\r\n\r\n", 200, -1},
      {"HTTP/1.0 200 OK\r\nContent-Length: -5\r\n\r\n", 200, -1},
      {"HTTP/1.0 204\r\nContent-Length: 0\r\n\r\n", 204, 0},
      {"ICY 200 OK\r\n\r\n", 0, -1},
      {"HTTP/1.1 abc\r\n\r\n", 0, -1},
      {"\r\n", 0, -1},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.answer);
    THttpHeaderParser parser;
    ASSERT_EQ(parser.Feed(c.answer), THttpHeaderParser::TProgress::Complete);
    EXPECT_EQ(parser.StatusCode(), c.status);
    EXPECT_EQ(parser.ContentLength(), c.contentLength);
    EXPECT_FALSE(parser.Location().has_value());
  }
}

// A line and its CR LF must fit the 8192-byte buffer.
TEST(THttpHeaderParser, RefusesALineLongerThanItsBuffer)
{
  const qsizetype buffer = THttpHeaderParser::LineBufferSize;
  struct Case {
    const char *name;
    QByteArray bytes;
    THttpHeaderParser::TProgress expected;
  };
  const QByteArray head = "HTTP/1.0 200 OK\r\nX: ";
  const Case cases[] = {
      {"line filling the buffer exactly", head + QByteArray(buffer - 5, 'a') + "\r\n\r\n",
       THttpHeaderParser::TProgress::Complete},
      {"one byte more", head + QByteArray(buffer - 4, 'a') + "\r\n\r\n", THttpHeaderParser::TProgress::LineTooLong},
      {"full buffer, no line end yet", head + QByteArray(buffer - 3, 'a'), THttpHeaderParser::TProgress::LineTooLong},
      {"one byte short of full, no line end yet", head + QByteArray(buffer - 4, 'a'),
       THttpHeaderParser::TProgress::NeedMore},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    THttpHeaderParser parser;
    EXPECT_EQ(parser.Feed(c.bytes), c.expected);
  }
}

// However short its lines, a header ends within MaxHeaderLines lines and MaxHeaderBytes bytes.
TEST(THttpHeaderParser, RefusesAHeaderBeyondItsBounds)
{
  const QByteArray status = "HTTP/1.0 200 OK\r\n";
  const auto lines = [](qsizetype count, const QByteArray &line) {
    QByteArray bytes;
    for (qsizetype i = 0; i < count; ++i) {
      bytes += line;
    }
    return bytes;
  };
  // 8 + 8184 + 2 bytes: a line that fills the line buffer exactly
  const QByteArray fullLine = "X-Pad: " + QByteArray(THttpHeaderParser::LineBufferSize - 9, 'a') + "\r\n";
  const qsizetype fullLinesInBound = (THttpHeaderParser::MaxHeaderBytes - 2) / fullLine.size();  // and the blank line
  struct Case {
    const char *name;
    QByteArray bytes;
    THttpHeaderParser::TProgress expected;
  };
  const Case cases[] = {
      {"as many lines as allowed", status + lines(THttpHeaderParser::MaxHeaderLines - 1, "X: y\r\n") + "\r\n",
       THttpHeaderParser::TProgress::Complete},
      {"one line more", status + lines(THttpHeaderParser::MaxHeaderLines, "X: y\r\n") + "\r\n",
       THttpHeaderParser::TProgress::HeaderTooLarge},
      {"short lines forever", status + lines(100000, "X: y\r\n"), THttpHeaderParser::TProgress::HeaderTooLarge},
      {"long lines up to the byte bound", lines(fullLinesInBound, fullLine) + "\r\n",
       THttpHeaderParser::TProgress::Complete},
      {"long lines past the byte bound", lines(fullLinesInBound + 1, fullLine) + "\r\n",
       THttpHeaderParser::TProgress::HeaderTooLarge},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    THttpHeaderParser parser;
    EXPECT_EQ(parser.Feed(c.bytes), c.expected);
    THttpHeaderParser byteByByte;
    THttpHeaderParser::TProgress progress = THttpHeaderParser::TProgress::NeedMore;
    for (qsizetype i = 0; i < c.bytes.size() && progress == THttpHeaderParser::TProgress::NeedMore; ++i) {
      progress = byteByByte.Feed(c.bytes.mid(i, 1));
    }
    EXPECT_EQ(progress, c.expected);
    EXPECT_LE(byteByByte.HeaderLines().size(), THttpHeaderParser::MaxHeaderLines);
  }
}

TEST(THttpHeaderParser, ClearForgetsTheLastAnswer)
{
  THttpHeaderParser parser;
  parser.Feed("HTTP/1.0 301 Moved\r\nLocation: /x\r\nContent-Length: 3\r\n\r\nabc");
  parser.Clear();
  ASSERT_EQ(parser.Feed("HTTP/1.0 200 OK\r\n\r\n"), THttpHeaderParser::TProgress::Complete);
  EXPECT_EQ(parser.StatusCode(), 200);
  EXPECT_EQ(parser.ContentLength(), -1);
  EXPECT_FALSE(parser.Location().has_value());
  EXPECT_EQ(parser.HeaderLines(), QStringList{QStringLiteral("HTTP/1.0 200 OK")});
  EXPECT_TRUE(parser.TakeBodyStart().isEmpty());
}

}  // namespace
