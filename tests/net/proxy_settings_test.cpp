#include "net/proxy_settings.h"

#include "net/http_cli.h"

#include <gtest/gtest.h>

using namespace tavelo;

namespace {

using Kind = ProxySettings::Kind;

struct StationLineCase {
  const char* name;
  const char* line;
  ProxySettings expected;
  const char* written;  // what the line becomes when stored again
};

class StationLine : public ::testing::TestWithParam<StationLineCase> {};

TEST_P(StationLine, ReadsTheProxyAndWritesItBackTheSameWay) {
  const StationLineCase& c = GetParam();
  const ProxySettings proxy = ProxySettings::fromStationLine(QString::fromUtf8(c.line));
  EXPECT_EQ(proxy, c.expected);
  EXPECT_EQ(proxy.stationLine(), QString::fromUtf8(c.written));
  EXPECT_EQ(ProxySettings::fromStationLine(proxy.stationLine()), proxy);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, StationLine,
    ::testing::Values(
        StationLineCase{"AnEmptyLineMeansTheSystemSettings", "", {}, ""},
        StationLineCase{"NoneMeansDirect", "none", ProxySettings::direct(), "none"},
        StationLineCase{"NoneInCapitalsMeansDirect", "NONE", ProxySettings::direct(), "none"},
        StationLineCase{"ServerAndPort", "proxy.lan:3128", ProxySettings::server("proxy.lan", "3128"), "proxy.lan:3128"},
        StationLineCase{"ServerWithoutPort", "proxy.lan", ProxySettings::server("proxy.lan", ""), "proxy.lan"},
        StationLineCase{"Credentials", "ann:secret@proxy.lan:8080",
                        ProxySettings::server("proxy.lan", "8080", "ann", "secret"), "ann:secret@proxy.lan:8080"},
        StationLineCase{"APasswordHoldingAtAndColonEndsAtTheLastAt", "ann:p@ss:w@proxy.lan:8080",
                        ProxySettings::server("proxy.lan", "8080", "ann", "p@ss:w"), "ann:p@ss:w@proxy.lan:8080"},
        StationLineCase{"SpacesAroundTheLineAreDropped", "  proxy.lan:3128 ",
                        ProxySettings::server("proxy.lan", "3128"), "proxy.lan:3128"},
        StationLineCase{"CredentialsWithoutAServerAreDirect", "ann:secret@", ProxySettings::direct(), "none"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProxySettings, TheClientsEmptyHostIsADirectConnection) {
  EXPECT_EQ(ProxySettings::fromClientFields(" ", "8080", "ann", "x").kind, Kind::Direct);
  EXPECT_EQ(ProxySettings::fromClientFields("proxy.lan", "8080", "ann", "x"),
            (ProxySettings::server("proxy.lan", "8080", "ann", "x")));
}

TEST(ProxySettings, AppliedToTheClientSetsEveryFieldAndClearsOnesFromBefore) {
  THttpCli client;
  ProxySettings::server("proxy.lan", "", "ann", "x").applyTo(client);
  EXPECT_EQ(client.Proxy, "proxy.lan");
  EXPECT_EQ(client.ProxyPort, "80");
  EXPECT_EQ(client.ProxyUsername, "ann");
  EXPECT_EQ(client.ProxyPassword, "x");
  ProxySettings::direct().applyTo(client);
  EXPECT_TRUE(client.Proxy.isEmpty());
  EXPECT_TRUE(client.ProxyUsername.isEmpty());
  EXPECT_TRUE(client.ProxyPassword.isEmpty());
}

TEST(ProxySettings, TheEngineGetsNoTextForDirectAndAnEmptyOneForTheSystem) {
  EXPECT_FALSE(ProxySettings::direct().engineText().has_value());
  EXPECT_EQ(ProxySettings{}.engineText(), QByteArray(""));
  EXPECT_EQ((ProxySettings::server("proxy.lan", "3128", "ann", "x").engineText()),
            QByteArray("ann:x@proxy.lan:3128"));
}

}  // namespace
