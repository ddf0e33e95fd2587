// The scripted HTTP server of the net tests (tests/e2e/net/script_server.py) run from a Qt-free
// test: routes given as JSON text, the server stopped when this object goes.
#pragma once

#include <map>
#include <string>
#include <sys/types.h>

namespace tavelo::test {

// A JSON string literal of `text` (every byte taken as Latin-1, as the server sends it).
std::string jsonText(const std::string& text);

class ScriptServer {
public:
  // routes: path -> JSON array of steps, e.g. R"([{"send": "HTTP/1.0 200 OK\r\n\r\n"}])".
  explicit ScriptServer(const std::map<std::string, std::string>& routes);
  ~ScriptServer();
  ScriptServer(const ScriptServer&) = delete;
  ScriptServer& operator=(const ScriptServer&) = delete;

  int port() const { return port_; }
  std::string url(const std::string& path) const;
  // Every raw request received so far, as the server logged them (JSON lines).
  std::string requestLog() const;

private:
  std::string dir_;
  pid_t pid_ = -1;
  int input_ = -1;  // the server's stdin: closing it stops the server
  int port_ = 0;
};

// A port on 127.0.0.1 nobody listens on (free a moment ago).
int closedPort();

}  // namespace tavelo::test
