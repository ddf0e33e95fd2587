#include "script_server_process.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

extern char** environ;

namespace tavelo::test {

std::string jsonText(const std::string& text) {
  std::string out = "\"";
  for (const unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += char(c);
    } else if (c < 0x20 || c >= 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += char(c);
    }
  }
  return out + "\"";
}

ScriptServer::ScriptServer(const std::map<std::string, std::string>& routes) {
  char pattern[] = "/tmp/tavelo-script-XXXXXX";
  dir_ = mkdtemp(pattern);
  {
    std::ofstream file(dir_ + "/routes.json");
    file << "{";
    const char* separator = "";
    for (const auto& [path, steps] : routes) {
      file << separator << jsonText(path) << ": " << steps;
      separator = ",\n";
    }
    file << "}";
  }
  int toServer[2];
  int fromServer[2];
  if (pipe(toServer) != 0 || pipe(fromServer) != 0) {
    throw std::runtime_error("no pipes");
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, toServer[0], 0);
  posix_spawn_file_actions_adddup2(&actions, fromServer[1], 1);
  posix_spawn_file_actions_addclose(&actions, toServer[1]);
  posix_spawn_file_actions_addclose(&actions, fromServer[0]);
  const std::string script = TAVELO_TEST_SCRIPT_SERVER;
  const std::string routesPath = dir_ + "/routes.json";
  const std::string logPath = dir_ + "/requests.log";
  char* argv[] = {const_cast<char*>("python3"), const_cast<char*>(script.c_str()), const_cast<char*>("--routes"),
                  const_cast<char*>(routesPath.c_str()), const_cast<char*>("--log"), const_cast<char*>(logPath.c_str()), nullptr};
  const int spawned = posix_spawnp(&pid_, "python3", &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  close(toServer[0]);
  close(fromServer[1]);
  input_ = toServer[1];
  std::string line;
  char c = 0;
  while (spawned == 0 && read(fromServer[0], &c, 1) == 1 && c != '\n') {
    line += c;
  }
  close(fromServer[0]);
  if (spawned != 0 || std::sscanf(line.c_str(), "PORTS %d", &port_) != 1) {
    throw std::runtime_error("the scripted server did not start: " + line);
  }
}

ScriptServer::~ScriptServer() {
  close(input_);
  if (pid_ > 0) {
    waitpid(pid_, nullptr, 0);
  }
  std::filesystem::remove_all(dir_);
}

std::string ScriptServer::url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }

std::string ScriptServer::requestLog() const {
  std::ifstream file(dir_ + "/requests.log");
  return {std::istreambuf_iterator<char>(file), {}};
}

int closedPort() {
  const int probe = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  bind(probe, reinterpret_cast<sockaddr*>(&address), size);
  getsockname(probe, reinterpret_cast<sockaddr*>(&address), &size);
  close(probe);
  return ntohs(address.sin_port);
}

}  // namespace tavelo::test
