// Net streams through tinyproxy with basic authentication, and the proxy choices: none, the
// environment's, a server with credentials.
#include "../engine_fixture.h"
#include "script_server_process.h"
#include "tinyproxy_process.h"

#include <cstdlib>
#include <optional>
#include <string>

namespace tavelo::test {
namespace {

std::string reply(const std::string& statusLine, const std::string& headers) {
  return R"({"send": )" + jsonText(statusLine + "\r\n" + headers + "\r\n") + "}";
}

std::string toneRoute() {
  return "[" + reply("HTTP/1.0 200 OK", "Content-Type: audio/mpeg\r\nicy-name: Proxied\r\n") + R"(, {"stream": )" +
         jsonText(mediaPath("tone.mp3")) + "}]";
}

// Sets or clears an environment variable for the life of the object.
class ScopedEnvironment {
public:
  ScopedEnvironment(const char* name, const std::optional<std::string>& value) : name_(name) {
    if (const char* old = std::getenv(name)) {
      old_ = old;
    }
    value ? setenv(name, value->c_str(), 1) : unsetenv(name);
  }
  ~ScopedEnvironment() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
  const char* name_;
  std::optional<std::string> old_;
};

class NetProxyTest : public EngineTest {
protected:
  void SetUp() override {
    EngineTest::SetUp();
    BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, 3000);
    BASS_SetConfig(BASS_CONFIG_NET_READTIMEOUT, 3000);
    BASS_SetConfigPtr(BASS_CONFIG_NET_AGENT, "Tavelo-Test/1.0");
  }
  void TearDown() override {
    BASS_SetConfigPtr(BASS_CONFIG_NET_PROXY, nullptr);
    BASS_SetConfigPtr(BASS_CONFIG_NET_AGENT, nullptr);
    EngineTest::TearDown();
  }

  static HSTREAM create(const std::string& url) {
    return BASS_StreamCreateURL(url.c_str(), 0, BASS_STREAM_DECODE, nullptr, nullptr);
  }

  TinyproxyProcess proxy_;
  ScriptServer server_{{{"/radio", toneRoute()}}};
};

TEST_F(NetProxyTest, AProxyWithCredentialsCarriesTheRequestWithItsAgentAndMetadataLine) {
  const std::string proxy = "user:pass@127.0.0.1:" + std::to_string(proxy_.port());
  BASS_SetConfigPtr(BASS_CONFIG_NET_PROXY, proxy.c_str());
  const HSTREAM stream = create(server_.url("/radio"));
  ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
  const std::string log = server_.requestLog();
  EXPECT_NE(log.find("Via: "), std::string::npos) << log;
  EXPECT_NE(log.find("User-Agent: Tavelo-Test/1.0"), std::string::npos) << log;
  EXPECT_NE(log.find("Icy-MetaData: 1"), std::string::npos) << log;
}

TEST_F(NetProxyTest, WrongOrMissingCredentialsAreARefusal) {
  for (const std::string credentials : {"user:wrong@", ""}) {
    const std::string proxy = credentials + "127.0.0.1:" + std::to_string(proxy_.port());
    BASS_SetConfigPtr(BASS_CONFIG_NET_PROXY, proxy.c_str());
    EXPECT_EQ(create(server_.url("/radio")), 0u) << proxy;
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEOPEN) << proxy;
  }
  EXPECT_TRUE(server_.requestLog().empty()) << "nothing reached the server";
}

TEST_F(NetProxyTest, TheEnvironmentsProxyIsUsedOnlyWhenAskedFor) {
  const std::string dead = "http://127.0.0.1:" + std::to_string(closedPort());
  ScopedEnvironment httpProxy("http_proxy", dead);
  ScopedEnvironment noProxy("no_proxy", std::nullopt);
  ScopedEnvironment upperNoProxy("NO_PROXY", std::nullopt);

  BASS_SetConfigPtr(BASS_CONFIG_NET_PROXY, nullptr);
  EXPECT_NE(create(server_.url("/radio")), 0u) << "none ignores a dead http_proxy: " << BASS_ErrorGetCode();

  BASS_SetConfigPtr(BASS_CONFIG_NET_PROXY, "");
  EXPECT_EQ(create(server_.url("/radio")), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NONET);

  ScopedEnvironment bypass("no_proxy", std::string("127.0.0.1"));
  EXPECT_NE(create(server_.url("/radio")), 0u) << "no_proxy is honoured: " << BASS_ErrorGetCode();
}

}  // namespace
}  // namespace tavelo::test
