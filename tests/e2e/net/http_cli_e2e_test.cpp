// THttpCli against real servers on 127.0.0.1: the scripted HTTP server and tinyproxy.

#include "net/http_cli.h"
#include "qt_print.h"
#include "scripted_http_server.h"
#include "tinyproxy_fixture.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <cerrno>
#include <chrono>
#include <functional>
#include <memory>
#include <gtest/gtest.h>

using namespace tavelo;

using namespace std::chrono_literals;

namespace {

const QByteArray DefaultHeaderLines = "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n"
                                      "User-Agent: Mozilla/3.0 (compatible)\r\n";

// Runs the event loop until done() holds or the limit has passed.
bool SpinUntil(const std::function<bool()> &done, std::chrono::milliseconds limit)
{
  QEventLoop loop;
  QTimer check;
  QObject::connect(&check, &QTimer::timeout, &loop, [&] {
    if (done()) {
      loop.quit();
    }
  });
  check.start(5);
  QTimer::singleShot(limit, &loop, &QEventLoop::quit);
  if (!done()) {
    loop.exec();
  }
  return done();
}

void Linger(std::chrono::milliseconds time)
{
  SpinUntil([] { return false; }, time);
}

QJsonArray Answer(const QString &text)
{
  return {Send(text)};
}

struct Completion {
  std::uint16_t Error;
  THttpState State;
};

class HttpClient : public ::testing::Test {
protected:
  void SetUp() override
  {
    bodyStream.open(QIODevice::WriteOnly);
    client.ReceiveStream = &bodyStream;
    client.OnRequestDone = [this](THttpCli *sender, THttpRequest rqType, std::uint16_t error) {
      EXPECT_EQ(sender, &client);
      EXPECT_EQ(rqType, httpGET);
      completions.append({error, sender->RequestState()});
    };
  }

  // Forgets the last request's completions and body, for the next case of a table.
  void Reset()
  {
    completions.clear();
    body.clear();
  }

  void Fetch(const QString &url, std::chrono::milliseconds limit = 10s)
  {
    client.RequestUrl = url;
    client.StartGet();
    WaitForEnd(limit);
  }

  // Waits for the completion, then a moment longer to catch a second one that should not come.
  void WaitForEnd(std::chrono::milliseconds limit = 10s)
  {
    SpinUntil([this] { return !completions.isEmpty(); }, limit);
    Linger(300ms);
  }

  // The error of the single completion the request must have fired, with the client ready at it.
  std::uint16_t OnlyError()
  {
    EXPECT_EQ(completions.size(), 1);
    if (completions.isEmpty()) {
      return 0xFFFF;
    }
    EXPECT_EQ(completions.first().State, httpReady);
    return completions.first().Error;
  }

  THttpCli client;
  QByteArray body;
  QBuffer bodyStream{&body};
  QList<Completion> completions;
};

TEST_F(HttpClient, SendsThePathAndHostOfAUrlWithoutScheme)
{
  ScriptedHttpServer server(
      {{"/~cddb/cddb.cgi?cmd=x", Answer("HTTP/1.0 200 OK\r\nContent-Type: Text/Plain\r\n\r\n210 Found\r\n.\r\n")}});
  for (const char *localAddr : {"0.0.0.0", "127.0.0.1"}) {
    SCOPED_TRACE(localAddr);
    Reset();
    client.LocalAddr = QString::fromLatin1(localAddr);
    Fetch(server.Url("/~cddb/cddb.cgi?cmd=x"));
    EXPECT_EQ(OnlyError(), NetErrorNone);
    EXPECT_EQ(body, "210 Found\r\n.\r\n");
    EXPECT_EQ(client.StatusCode(), 200);
    EXPECT_EQ(client.ContentType(), QStringLiteral("text/plain"));
  }
  const QList<ReceivedRequest> requests = server.Requests();
  ASSERT_EQ(requests.size(), 2);
  EXPECT_EQ(requests.first().Raw,
            "GET /~cddb/cddb.cgi?cmd=x HTTP/1.0\r\n" + DefaultHeaderLines + "Host: 127.0.0.1\r\n\r\n");
}

// The scripted server stands in for a proxy here, so the exact request line can be read.
TEST_F(HttpClient, ThroughAProxySendsTheAbsoluteUrlToProxyPort)
{
  ScriptedHttpServer proxy({{"/~cddb/cddb.cgi?cmd=x", Answer("HTTP/1.0 200 OK\r\n\r\nvia proxy")}});
  struct Case {
    const char *user, *password;
    QByteArray authorization;
  };
  const Case cases[] = {
      {"", "secret", ""},
      {"user", "pass", "Proxy-Authorization: Basic dXNlcjpwYXNz\r\n"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.user);
    Reset();
    client.Proxy = QStringLiteral("127.0.0.1");
    client.ProxyPort = QString::number(proxy.Port());
    client.ProxyUsername = QString::fromLatin1(c.user);
    client.ProxyPassword = QString::fromLatin1(c.password);
    Fetch(QStringLiteral("cddb.example/~cddb/cddb.cgi?cmd=x"));
    EXPECT_EQ(OnlyError(), NetErrorNone);
    ASSERT_FALSE(proxy.Requests().isEmpty());
    EXPECT_EQ(proxy.Requests().last().Raw, "GET http://cddb.example/~cddb/cddb.cgi?cmd=x HTTP/1.0\r\n" +
                                               DefaultHeaderLines + "Host: cddb.example\r\n" + c.authorization +
                                               "\r\n");
  }
}

TEST_F(HttpClient, ThroughTinyproxyOnlyTheRightCredentialsFetchThePage)
{
  ScriptedHttpServer origin({{"/page", Answer("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\nthrough the proxy")}});
  Tinyproxy proxy;
  struct Case {
    const char *name, *user, *password;
    int status;
    int originRequests;
  };
  const Case cases[] = {
      {"right credentials", "user", "pass", 200, 1},
      {"no credentials", "", "", 407, 1},
      {"wrong password", "user", "wrong", 401, 1},
  };
  client.Proxy = QStringLiteral("127.0.0.1");
  client.ProxyPort = QString::number(proxy.Port());
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    Reset();
    client.ProxyUsername = QString::fromLatin1(c.user);
    client.ProxyPassword = QString::fromLatin1(c.password);
    Fetch(origin.Url("/page"));
    EXPECT_EQ(OnlyError(), NetErrorNone);
    EXPECT_EQ(client.StatusCode(), c.status);
    EXPECT_EQ(body == "through the proxy", c.status == 200);
    EXPECT_EQ(origin.Requests().size(), c.originRequests);
  }
}

struct BodyCase {
  const char *name;
  QJsonArray steps;
  QByteArray bodyBefore;
  QByteArray expectedBody;
  int expectedStatus;
};

// How much of an answer ends up in ReceiveStream. The server keeps every connection open for a
// while after the part that must be stored, so waiting for its close would show as more body.
TEST_F(HttpClient, StoresTheBodyTheAnswerCalledFor)
{
  const BodyCase cases[] = {
      {"error status: only what came with the header",
       {Send("HTTP/1.0 404 Not Found\r\n\r\n<html>first part"), Wait(0.5), Send(" second part")},
       "", "<html>first part", 404},
      {"content length 0 ends at the empty line", {Send("HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n"), Hold()},
       "", "", 200},
      {"the body runs to the close, whatever its length says",
       {Send("HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\nabc"), Wait(0.3), Send("def")}, "", "abcdef", 200},
      {"an old server's bare page", {Send("<HTML><BODY>old</BODY></HTML>\r\n")}, "", "<HTML><BODY>old</BODY></HTML>\r\n",
       0},
      {"appended to what the stream holds", {Send("HTTP/1.1 200 OK\r\n\r\nbody")}, "kept:", "kept:body", 200},
      {"closed before any answer", {}, "", "", 0},
  };
  for (const BodyCase &c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedHttpServer server({{"/answer", c.steps}});
    Reset();
    body = c.bodyBefore;
    Fetch(server.Url("/answer"), 5s);
    EXPECT_EQ(OnlyError(), NetErrorNone);
    EXPECT_EQ(body, c.expectedBody);
    EXPECT_EQ(client.StatusCode(), c.expectedStatus);
  }
}

TEST_F(HttpClient, FollowsRedirectsWithOneCompletion)
{
  ScriptedHttpServer server(
      {{"/a/start", Answer("HTTP/1.0 301 Moved\r\nLocation: next\r\nContent-Length: 5\r\n\r\nmoved")},
       {"/a/next", Answer("HTTP/1.0 302 Found\r\nLocation: /b/final#part\r\n\r\n")},
       {"/b/final", Answer("HTTP/1.0 302 Found\r\nLocation: http://127.0.0.1:{port1}/c/end\r\n\r\n")},
       {"/c/end", Answer("HTTP/1.0 200 OK\r\n\r\nlanded")}},
      2);
  Fetch(server.Url("/a/start"));
  EXPECT_EQ(OnlyError(), NetErrorNone);
  EXPECT_EQ(body, "landed");
  EXPECT_EQ(client.StatusCode(), 200);
  const QList<ReceivedRequest> requests = server.Requests();
  ASSERT_EQ(requests.size(), 4);
  const char *const expectedLines[] = {"GET /a/start HTTP/1.0", "GET /a/next HTTP/1.0", "GET /b/final HTTP/1.0",
                                       "GET /c/end HTTP/1.0"};
  for (int i = 0; i < 4; ++i) {
    EXPECT_TRUE(requests[i].Raw.startsWith(QByteArray(expectedLines[i]) + "\r\n")) << requests[i].Raw.toStdString();
  }
  EXPECT_EQ(requests[3].Listener, 1);
  EXPECT_TRUE(requests[3].Raw.contains("\r\nHost: 127.0.0.1\r\n"));
}

TEST_F(HttpClient, EndsARedirectChainAfterTenRedirects)
{
  QMap<QString, QJsonArray> routes{{"/loop", Answer("HTTP/1.0 302 Found\r\nLocation: /loop\r\n\r\n")},
                                   {"/end", Answer("HTTP/1.0 200 OK\r\n\r\narrived")}};
  for (int hop = 0; hop < 11; ++hop) {
    const QString next = hop == 10 ? QStringLiteral("/end") : QStringLiteral("/hop%1").arg(hop + 1);
    routes.insert(QStringLiteral("/hop%1").arg(hop), Answer("HTTP/1.0 302 Found\r\nLocation: " + next + "\r\n\r\n"));
  }
  ScriptedHttpServer server(routes);
  struct Case {
    const char *start;
    std::uint16_t error;
    QByteArray body;
  };
  const Case cases[] = {
      {"/hop1", NetErrorNone, "arrived"},            // ten redirects
      {"/hop0", NetErrorTooManyRedirects, ""},       // eleven
      {"/loop", NetErrorTooManyRedirects, ""},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.start);
    Reset();
    Fetch(server.Url(QString::fromLatin1(c.start)));
    EXPECT_EQ(OnlyError(), c.error);
    EXPECT_EQ(body, c.body);
  }
  EXPECT_EQ(server.Requests().size(), 11 + 11 + 11);
}

TEST_F(HttpClient, ReportsAHostThatDoesNotResolve)
{
  Fetch(QStringLiteral("no-such-host.invalid/~cddb/cddb.cgi"), 40s);
  EXPECT_NE(OnlyError(), NetErrorNone);
  EXPECT_TRUE(body.isEmpty());
}

TEST_F(HttpClient, ReportsARefusedConnection)
{
  Fetch(QStringLiteral("127.0.0.1:%1/x").arg(ClosedPort()));
  EXPECT_EQ(OnlyError(), ECONNREFUSED);
  EXPECT_TRUE(body.isEmpty());
}

TEST_F(HttpClient, EndsWithATimeOutWhenTheServerFallsSilent)
{
  client.Timeout = 800ms;
  struct Case {
    const char *name;
    QJsonArray steps;
    QByteArray body;
  };
  const Case cases[] = {
      {"silent from the start", {Hold()}, ""},
      {"silent in the middle of the body", {Send("HTTP/1.0 200 OK\r\n\r\nhalf"), Hold()}, "half"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedHttpServer server({{"/quiet", c.steps}});
    Reset();
    Fetch(server.Url("/quiet"));
    EXPECT_EQ(OnlyError(), ETIMEDOUT);
    EXPECT_EQ(body, c.body);
  }
}

// As the player does, the next request starts from inside the completion handler.
TEST_F(HttpClient, AfterAHeaderLineTooLongTheNextRequestWorks)
{
  ScriptedHttpServer server({{"/long", Answer("HTTP/1.0 200 OK\r\nX-Long: " + QString(9000, u'a') + "\r\n\r\nnever")},
                             {"/short", Answer("HTTP/1.0 200 OK\r\n\r\nfine")}});
  client.OnRequestDone = [&](THttpCli *sender, THttpRequest, std::uint16_t error) {
    completions.append({error, sender->RequestState()});
    if (completions.size() == 1) {
      sender->RequestUrl = server.Url("/short");
      sender->StartGet();
    }
  };
  client.RequestUrl = server.Url("/long");
  client.StartGet();
  SpinUntil([this] { return completions.size() == 2; }, 10s);
  Linger(300ms);
  ASSERT_EQ(completions.size(), 2);
  EXPECT_EQ(completions[0].Error, NetErrorLineTooLong);
  EXPECT_EQ(completions[0].State, httpReady);
  EXPECT_EQ(completions[1].Error, NetErrorNone);
  EXPECT_EQ(body, "fine");
}

// A server sending header lines forever: the request ends with a clear error, whether the
// lines come at full speed (the header's bound) or trickle in (the header's time limit).
TEST_F(HttpClient, EndsAHeaderThatNeverEnds)
{
  client.Timeout = 2s;
  struct Case {
    const char *name;
    double every;
    std::uint16_t error;
  };
  const Case cases[] = {
      {"short lines at full speed", 0, NetErrorHeaderTooLarge},
      {"a line every tenth of the time limit", 0.2, ETIMEDOUT},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedHttpServer server({{"/flood", {Send("HTTP/1.0 200 OK\r\n"), Repeat("X: y\r\n", c.every)}},
                               {"/next", Answer("HTTP/1.0 200 OK\r\n\r\nfine")}});
    Reset();
    QElapsedTimer clock;
    clock.start();
    Fetch(server.Url("/flood"), 10s);
    EXPECT_EQ(OnlyError(), c.error);
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_LE(client.RcvdHeader().size(), THttpHeaderParser::MaxHeaderLines);
    EXPECT_TRUE(body.isEmpty());
    Reset();
    Fetch(server.Url("/next"));
    EXPECT_EQ(OnlyError(), NetErrorNone);
    EXPECT_EQ(body, "fine");
  }
}

TEST_F(HttpClient, RefusesASecondRequestWhileBusy)
{
  ScriptedHttpServer server({{"/slow", {Wait(0.5), Send("HTTP/1.0 200 OK\r\n\r\nfirst")}}});
  client.RequestUrl = server.Url("/slow");
  client.StartGet();
  EXPECT_NE(client.RequestState(), httpReady);
  client.RequestUrl = server.Url("/other");
  try {
    client.StartGet();
    ADD_FAILURE() << "a second request started";
  } catch (const EHttpException &refusal) {
    EXPECT_STREQ(refusal.what(), "HTTP component is busy");
  }
  WaitForEnd();
  EXPECT_EQ(OnlyError(), NetErrorNone);
  EXPECT_EQ(body, "first");
  EXPECT_EQ(server.Requests().size(), 1);
}

TEST_F(HttpClient, KeepsTheEventLoopRunningDuringASlowAnswer)
{
  ScriptedHttpServer server({{"/slow", {Wait(1.5), Send("HTTP/1.0 200 OK\r\n\r\nslow body")}}});
  int ticks = 0;
  int ticksWaitingForHeader = 0;
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    ++ticks;
    ticksWaitingForHeader += client.RequestState() == httpWaitingHeader;
  });
  ticker.start(20);
  Fetch(server.Url("/slow"));
  EXPECT_EQ(OnlyError(), NetErrorNone);
  EXPECT_EQ(body, "slow body");
  EXPECT_GE(ticksWaitingForHeader, 20);  // 1.5 s at 20 ms gives about 75
  EXPECT_GE(ticks, ticksWaitingForHeader);
}

// The window may close while a request runs: the client goes quietly.
// Aborted lookups report nothing and leave nothing behind (LeakSanitizer runs see the latter).
TEST(SocketLookup, AbortedLookupsFireNothingAndTheNextLookupAnswersOnce)
{
  TWSocket socket;
  int answers = 0;
  QList<QHostAddress> found;
  socket.OnDnsLookupDone = [&](const QList<QHostAddress> &addresses, std::uint16_t error) {
    ++answers;
    found = addresses;
    EXPECT_EQ(error, NetErrorNone);
  };
  for (int i = 0; i < 50; ++i) {
    socket.DnsLookup(QStringLiteral("localhost"));
    socket.Abort();
  }
  socket.DnsLookup(QStringLiteral("127.0.0.1"));
  SpinUntil([&] { return answers > 0; }, 10s);
  Linger(300ms);
  EXPECT_EQ(answers, 1);
  EXPECT_TRUE(found.contains(QHostAddress(QHostAddress::LocalHost)));
}

TEST(HttpClientLifetime, DestroyingABusyClientFiresNothing)
{
  ScriptedHttpServer server({{"/slow", {Wait(0.3), Send("HTTP/1.0 200 OK\r\n\r\nlate")}}});
  int completions = 0;
  for (const THttpState stateAtClose : {httpDnsLookup, httpWaitingHeader}) {
    SCOPED_TRACE(stateAtClose);
    auto client = std::make_unique<THttpCli>();
    client->OnRequestDone = [&](THttpCli *, THttpRequest, std::uint16_t) { ++completions; };
    client->RequestUrl = server.Url("/slow");
    client->StartGet();
    ASSERT_TRUE(SpinUntil([&] { return client->RequestState() == stateAtClose; }, 5s));
    client.reset();
    Linger(500ms);
  }
  EXPECT_EQ(completions, 0);
}

}  // namespace
