#include "net/http_url.h"
#include "qt_print.h"

#include <gtest/gtest.h>

using namespace tavelo;

namespace {

struct UrlCase {
  const char *url;
  const char *scheme, *host, *port, *path;
};

void ExpectUrl(const THttpUrl &url, const UrlCase &expected)
{
  EXPECT_EQ(url.Scheme, QLatin1String(expected.scheme));
  EXPECT_EQ(url.Host, QLatin1String(expected.host));
  EXPECT_EQ(url.Port, QLatin1String(expected.port));
  EXPECT_EQ(url.Path, QLatin1String(expected.path));
}

TEST(SplitUrl, TakesSchemeHostPortAndPath)
{
  const UrlCase cases[] = {
      {"host/~cddb/cddb.cgi?cmd=x", "http", "host", "", "/~cddb/cddb.cgi?cmd=x"},
      {"http://host:8080/a", "http", "host", "8080", "/a"},
      {"HTTP://Host", "http", "Host", "", "/"},
      {"host:81", "http", "host", "81", "/"},
      {"host?x=1", "http", "host", "", "/?x=1"},
      {"host/a#frag", "http", "host", "", "/a"},
      {"host/p?u=http://y", "http", "host", "", "/p?u=http://y"},
      {"/path/only", "http", "", "", "/path/only"},
      {"[::1]:8080/x", "http", "[::1]", "8080", "/x"},
      {"[::1]/x", "http", "[::1]", "", "/x"},
      {"ftp://host/x", "ftp", "host", "", "/x"},
  };
  for (const UrlCase &c : cases) {
    SCOPED_TRACE(c.url);
    ExpectUrl(SplitUrl(QString::fromLatin1(c.url)), c);
  }
}

struct PlanCase {
  const char *url, *proxy, *proxyPort;
  const char *connectHost;
  quint16 connectPort;
  const char *requestTarget, *hostHeader;
};

TEST(PlanRequest, ConnectsDirectlyOrThroughTheProxy)
{
  const PlanCase cases[] = {
      {"host/~cddb/cddb.cgi?cmd=x", "", "80", "host", 80, "/~cddb/cddb.cgi?cmd=x", "host"},
      {"host:8000/x", "", "80", "host", 8000, "/x", "host"},
      {"[::1]:8080/x", "", "80", "::1", 8080, "/x", "[::1]"},
      {"host/x", "  ", "80", "host", 80, "/x", "host"},
      {"host/~cddb/cddb.cgi?cmd=x", "proxy", "8080", "proxy", 8080, "http://host/~cddb/cddb.cgi?cmd=x", "host"},
      {"host/x", "proxy:3128", "8080", "proxy", 3128, "http://host/x", "host"},
      {"http://proxy-less:8000/x", "http://proxy:3128", "", "proxy", 3128, "http://proxy-less:8000/x", "proxy-less"},
      {"host/x", "proxy", "", "proxy", 80, "http://host/x", "host"},
  };
  for (const PlanCase &c : cases) {
    SCOPED_TRACE(std::string(c.url) + " via " + c.proxy);
    const auto target = PlanRequest(SplitUrl(QString::fromLatin1(c.url)), QString::fromLatin1(c.proxy),
                                     QString::fromLatin1(c.proxyPort));
    ASSERT_TRUE(target.has_value());
    EXPECT_EQ(target->ConnectHost, QLatin1String(c.connectHost));
    EXPECT_EQ(target->ConnectPort, c.connectPort);
    EXPECT_EQ(target->RequestTarget, QLatin1String(c.requestTarget));
    EXPECT_EQ(target->HostHeader, QLatin1String(c.hostHeader));
    EXPECT_EQ(target->ViaProxy, *c.proxy != '\0' && *c.proxy != ' ');
  }
}

TEST(PlanRequest, RefusesWhatCannotBeFetched)
{
  const char *const cases[][3] = {
      {"host:abc/x", "", "80"},  {"host:0/x", "", "80"},      {"host:70000/x", "", "80"},
      {"ftp://host/x", "", "80"}, {"/x", "", "80"},            {"https://host/x", "", "80"},
      {"host/x", "proxy:bad", "80"}, {"host/x", ":3128", "80"}, {"host/x", "proxy", "port"},
      {"[]:80/x", "", "80"},      {"host/x", "[]:3128", "80"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(std::string(c[0]) + " via " + c[1] + " port " + c[2]);
    EXPECT_FALSE(PlanRequest(SplitUrl(QString::fromLatin1(c[0])), QString::fromLatin1(c[1]),
                             QString::fromLatin1(c[2])));
  }
}

TEST(ResolveLocation, FollowsAbsoluteSameHostAndRelativeLocations)
{
  const THttpUrl current = SplitUrl(QStringLiteral("http://host:81/a/b/c.cgi?x=1"));
  const UrlCase cases[] = {
      {"http://other:82/new#frag", "http", "other", "82", "/new"},
      {"HTTP://other", "http", "other", "", "/"},
      {"//other/p", "http", "other", "", "/p"},
      {"/root", "http", "host", "81", "/root"},
      {"/p#top", "http", "host", "81", "/p"},
      {" /spaced ", "http", "host", "81", "/spaced"},
      {"d.cgi", "http", "host", "81", "/a/b/d.cgi"},
      {"sub/e?y", "http", "host", "81", "/a/b/sub/e?y"},
      {"?z=2", "http", "host", "81", "/a/b/c.cgi?z=2"},
      {"https://secure/x", "https", "secure", "", "/x"},
      {"", "http", "host", "81", "/a/b/c.cgi?x=1"},
  };
  for (const UrlCase &c : cases) {
    SCOPED_TRACE(c.url);
    ExpectUrl(ResolveLocation(current, QString::fromLatin1(c.url)), c);
  }
}

}  // namespace
