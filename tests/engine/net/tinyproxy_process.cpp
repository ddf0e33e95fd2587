#include "tinyproxy_process.h"

#include "script_server_process.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace tavelo::test {
namespace {

bool accepts(int port) {
  const int probe = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool connected = connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(probe);
  return connected;
}

}  // namespace

// As root tinyproxy drops to User and Group; as anyone else it keeps its user.
TinyproxyProcess::TinyproxyProcess() : port_(closedPort()) {
  char pattern[] = "/tmp/tavelo-tinyproxy-XXXXXX";
  dir_ = mkdtemp(pattern);
  const std::string config = dir_ + "/tinyproxy.conf";
  std::ofstream(config) << "Port " << port_
                        << "\nListen 127.0.0.1\nTimeout 30\nMaxClients 20\nAllow 127.0.0.1\n"
                           "User nobody\nGroup nogroup\nBasicAuth user pass\n";
  char* argv[] = {const_cast<char*>("tinyproxy"), const_cast<char*>("-d"), const_cast<char*>("-c"),
                  const_cast<char*>(config.c_str()), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, (dir_ + "/tinyproxy.log").c_str(), O_WRONLY | O_CREAT, 0600);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  const int spawned = posix_spawnp(&pid_, "tinyproxy", &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  for (int tries = 0; spawned == 0 && !accepts(port_); ++tries) {
    if (tries == 50) {
      throw std::runtime_error("tinyproxy does not listen");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  if (spawned != 0) {
    throw std::runtime_error("tinyproxy does not start");
  }
}

TinyproxyProcess::~TinyproxyProcess() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  std::filesystem::remove_all(dir_);
}

}  // namespace tavelo::test
