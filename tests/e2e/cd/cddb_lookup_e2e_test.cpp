#include "cd/cddb_lookup.h"
#include "cddb_fixture.h"
#include "scripted_http_server.h"
#include "tinyproxy_fixture.h"

#include <QTest>
#include <gtest/gtest.h>
#include <optional>

using namespace tavelo;

namespace {

constexpr const char* kQueryArguments = " 3 150 450 675 11";

class CddbLookupTest : public ::testing::Test {
 protected:
  CddbLookupTest() {
    lookup.OnDone = [this](const CddbOutcome& outcome) { done = outcome; };
  }

  // Looks the disc up on host and waits for the outcome.
  CddbOutcome run(const QString& host, const QString& disc, const CddbSettings& settings = {}, bool first = true) {
    done.reset();
    EXPECT_TRUE(lookup.start(host, disc + QLatin1String(kQueryArguments), settings, first));
    EXPECT_TRUE(QTest::qWaitFor([this] { return done.has_value(); }, 20000)) << disc.toStdString();
    return done.value_or(CddbOutcome{});
  }

  QStringList requestLines() const {
    QStringList lines;
    for (const QStringList& head : fixture.requests()) lines << head.value(0);
    return lines;
  }

  CddbFixture fixture;
  CddbLookup lookup;
  std::optional<CddbOutcome> done;
};

const QStringList kTitles{QStringLiteral("Title"), QString::fromUtf8("Zweites Lied é"), QString::fromUtf8("日本 Track")};

TEST_F(CddbLookupTest, AnswersOfTheServer) {
  const struct {
    const char* name;
    const char* disc;
    CddbOutcome::Kind kind;
    int requests;
    const char* read;  // the read command, when one is sent
  } cases[] = {
      {"200 reads its match", "11000903", CddbOutcome::Entry, 2, "cmd=cddb+read+rock+11000903"},
      {"211 reads the first match", "21100903", CddbOutcome::Entry, 2, "cmd=cddb+read+misc+21100903"},
      {"210 reads the first match", "21000903", CddbOutcome::Entry, 2, "cmd=cddb+read+jazz+21000903"},
      {"211 without a match line", "21100000", CddbOutcome::NotAnswered, 1, nullptr},
      {"202 no match", "20200903", CddbOutcome::NotAnswered, 1, nullptr},
      {"403 corrupt entry", "40300903", CddbOutcome::NotAnswered, 1, nullptr},
      {"500 syntax error", "50000903", CddbOutcome::NotAnswered, 1, nullptr},
      {"401 on the read", "40100903", CddbOutcome::NotAnswered, 2, "cmd=cddb+read+rock+40100903"},
      {"a category outside a-z0-9 is never sent", "c0000903", CddbOutcome::NotAnswered, 1, nullptr},
      {"an empty body", "e0000903", CddbOutcome::NotAnswered, 1, nullptr},
      {"an answer over 1 MiB", "b1000903", CddbOutcome::NotAnswered, 1, nullptr},
  };
  int sent = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const CddbOutcome outcome = run(fixture.host(), QString::fromLatin1(c.disc));
    EXPECT_EQ(outcome.kind, c.kind);
    EXPECT_EQ(outcome.disc, QString::fromLatin1(c.disc) + QLatin1String(kQueryArguments));
    if (c.kind == CddbOutcome::Entry) EXPECT_EQ(outcome.entry.tracks.values(), kTitles);
    const QStringList lines = requestLines();
    ASSERT_EQ(lines.size(), sent + c.requests);
    if (c.read) EXPECT_TRUE(lines.last().contains(QLatin1String(c.read))) << lines.last().toStdString();
    sent = int(lines.size());
  }
}

TEST_F(CddbLookupTest, RequestLinesCarryTheHelloAndLevel6) {
  run(fixture.host(), QStringLiteral("11000903"));
  CddbSettings withEmail;
  withEmail.email = QStringLiteral("jane.doe@example.org");
  run(fixture.host(), QStringLiteral("11000903"), withEmail, false);
  EXPECT_EQ(requestLines(),
            (QStringList{
                "GET /~cddb/cddb.cgi?cmd=cddb+query+11000903+3+150+450+675+11"
                "&hello=anonymous+localhost+Tavelo+1.0.14&proto=6 HTTP/1.0",
                "GET /~cddb/cddb.cgi?cmd=cddb+read+rock+11000903"
                "&hello=anonymous+localhost.localdomain+Tavelo+1.0.14&proto=6 HTTP/1.0",
                "GET /~cddb/cddb.cgi?cmd=cddb+query+11000903+3+150+450+675+11"
                "&hello=jane.doe+example.org+Tavelo+1.0.14&proto=6 HTTP/1.0",
                "GET /~cddb/cddb.cgi?cmd=cddb+read+rock+11000903"
                "&hello=jane.doe+example.org+Tavelo+1.0.14&proto=6 HTTP/1.0",
            }));
}

TEST_F(CddbLookupTest, OneLookupAtATime) {
  ASSERT_TRUE(lookup.start(fixture.host(), QStringLiteral("11000903 3 150 450 675 11"), {}, true));
  EXPECT_FALSE(lookup.start(fixture.host(), QStringLiteral("21000903 3 150 450 675 11"), {}, true));
  ASSERT_TRUE(QTest::qWaitFor([this] { return done.has_value(); }, 20000));
  EXPECT_TRUE(lookup.idle());
  EXPECT_EQ(requestLines().size(), 2);
}

TEST_F(CddbLookupTest, FailuresEndTheLookup) {
  const struct {
    const char* name;
    QString host;
    const char* disc;
  } cases[] = {
      {"a refused port", QStringLiteral("127.0.0.1:%1").arg(ClosedPort()), "11000903"},
      {"a silent server", fixture.host(), "51000903"},
      {"a server closing mid-answer", fixture.host(), "c1000903"},
      {"a redirect to HTTPS", fixture.host(), "30200903"},
  };
  lookup.client().Timeout = std::chrono::seconds(1);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const CddbOutcome outcome = run(c.host, QString::fromLatin1(c.disc));
    EXPECT_NE(outcome.kind, CddbOutcome::Entry);
    EXPECT_TRUE(lookup.idle());
  }
  EXPECT_EQ(run(cases[0].host, QStringLiteral("11000903")).error, 111) << "ECONNREFUSED";
  EXPECT_EQ(run(fixture.host(), QStringLiteral("51000903")).error, 110) << "ETIMEDOUT";
}

TEST_F(CddbLookupTest, ThroughProxies) {
  Tinyproxy proxy;
  CddbSettings settings;
  settings.proxyHost = QStringLiteral("127.0.0.1");
  settings.proxyPort = QString::number(proxy.Port());
  settings.proxyUser = QStringLiteral("user");
  settings.proxyPassword = QStringLiteral("pass");
  const CddbOutcome viaTinyproxy = run(fixture.host(), QStringLiteral("11000903"), settings);
  EXPECT_EQ(viaTinyproxy.kind, CddbOutcome::Entry);
  EXPECT_EQ(viaTinyproxy.entry.tracks.values(), kTitles);

  settings.proxyPassword = QStringLiteral("wrong");
  EXPECT_EQ(run(fixture.host(), QStringLiteral("11000903"), settings).kind, CddbOutcome::NotAnswered);

  // The fixture takes a proxy's absolute request line, so a lookup of the real server's name
  // ends there without leaving the machine.
  CddbSettings viaFixture;
  viaFixture.proxyHost = QStringLiteral("127.0.0.1");
  viaFixture.proxyPort = QString::number(fixture.port());
  EXPECT_EQ(run(cddbServerHost(0), QStringLiteral("11000903"), viaFixture).kind, CddbOutcome::Entry);
  EXPECT_TRUE(requestLines().last().startsWith(QStringLiteral("GET http://gnudb.gnudb.org/~cddb/cddb.cgi?cmd=cddb+read")))
      << requestLines().last().toStdString();
}

}  // namespace
