#include "icecast_fixture.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <chrono>
#include <cstring>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace tavelo::test {
namespace {

using Clock = std::chrono::steady_clock;

// Making the media and starting five sources takes a few seconds; more on a busy machine.
constexpr int kStartupMs = 60000;
constexpr auto kStopWait = std::chrono::seconds(10);
constexpr const char* kMountKeys[] = {"mp3", "ogg", "aac", "tone", "silent"};

int msLeft(Clock::time_point deadline) {
  return int(std::max<Clock::rep>(0, std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count()));
}

// Reads what the fd gives until `done` says so, the peer closes or the deadline passes.
template <typename Done>
void readUntil(int fd, std::string& into, Clock::time_point deadline, Done done) {
  char chunk[16384];
  while (!done(into)) {
    pollfd waiting{fd, POLLIN, 0};
    if (poll(&waiting, 1, msLeft(deadline)) <= 0) {
      return;
    }
    const ssize_t got = read(fd, chunk, sizeof chunk);
    if (got <= 0) {
      return;
    }
    into.append(chunk, std::size_t(got));
  }
}

std::string lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return text;
}

std::string trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  const auto last = text.find_last_not_of(" \t\r\n");
  return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

std::string base64(const std::string& bytes) {
  static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (std::size_t at = 0; at < bytes.size(); at += 3) {
    const std::size_t n = std::min<std::size_t>(3, bytes.size() - at);
    std::uint32_t group = 0;
    for (std::size_t i = 0; i < 3; ++i) {
      group = group << 8 | (i < n ? std::uint8_t(bytes[at + i]) : 0u);
    }
    for (std::size_t i = 0; i < 4; ++i) {
      out += i <= n ? digits[(group >> (18 - 6 * i)) & 63] : '=';
    }
  }
  return out;
}

std::string percentEncoded(const std::string& text) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  for (const unsigned char c : text) {
    if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
      out += char(c);
    } else {
      out += {'%', hex[c >> 4], hex[c & 15]};
    }
  }
  return out;
}

int connectLoopback(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(std::uint16_t(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
    return fd;
  }
  if (fd >= 0) {
    close(fd);
  }
  return -1;
}

HttpReply splitReply(const std::string& raw) {
  HttpReply reply;
  const auto headEnd = raw.find("\r\n\r\n");
  const auto lineEnd = raw.find("\r\n");
  if (headEnd == std::string::npos) {
    return reply;
  }
  reply.statusLine = raw.substr(0, lineEnd);
  reply.headers = raw.substr(lineEnd + 2, headEnd + 2 - (lineEnd + 2));
  reply.body = raw.substr(headEnd + 4);
  return reply;
}

pid_t spawnFixture(int stdinFd, int stdoutFd) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, stdinFd, STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, stdoutFd, STDOUT_FILENO);
  const char* argv[] = {"python3", TAVELO_ICECAST_FIXTURE_SCRIPT, nullptr};
  pid_t pid = -1;
  const int failed = posix_spawnp(&pid, "python3", &actions, nullptr, const_cast<char**>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) {
    throw std::runtime_error(std::string("cannot start python3: ") + std::strerror(failed));
  }
  return pid;
}

// "ICECAST port=41071 mp3=/radio.mp3 ..." -> the port and each mount's path.
bool parseReadyLine(const std::string& line, int& port, std::string (&paths)[5]) {
  std::istringstream words(line);
  std::string word;
  if (!(words >> word) || word != "ICECAST") {
    return false;
  }
  while (words >> word) {
    const auto equals = word.find('=');
    const std::string key = word.substr(0, equals);
    const std::string value = equals == std::string::npos ? std::string() : word.substr(equals + 1);
    if (key == "port") {
      port = std::atoi(value.c_str());
    }
    for (int i = 0; i < 5; ++i) {
      if (key == kMountKeys[i]) {
        paths[i] = value;
      }
    }
  }
  return port > 0 && std::none_of(std::begin(paths), std::end(paths), [](const std::string& p) { return p.empty(); });
}

bool exitedWithin(pid_t pid, Clock::duration wait) {
  const auto deadline = Clock::now() + wait;
  while (Clock::now() < deadline) {
    if (waitpid(pid, nullptr, WNOHANG) == pid) {
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

}  // namespace

std::string HttpReply::header(const std::string& name) const {
  const std::string wanted = lower(name) + ":";
  std::istringstream lines(headers);
  std::string line;
  while (std::getline(lines, line)) {
    if (lower(line.substr(0, wanted.size())) == wanted) {
      return trimmed(line.substr(wanted.size()));
    }
  }
  return {};
}

HttpReply httpGetUntil(int port, const std::string& target, const std::string& extraHeaders,
                       const std::function<bool(const std::string& body)>& enough, int timeoutMs) {
  const int fd = connectLoopback(port);
  if (fd < 0) {
    return {};
  }
  const std::string request = "GET " + target + " HTTP/1.0\r\nHost: 127.0.0.1:" + std::to_string(port) +
                              "\r\nUser-Agent: tavelo-tests\r\n" + extraHeaders + "\r\n";
  std::string raw;
  if (send(fd, request.data(), request.size(), MSG_NOSIGNAL) == ssize_t(request.size())) {
    readUntil(fd, raw, Clock::now() + std::chrono::milliseconds(timeoutMs), [&enough](const std::string& got) {
      const auto headEnd = got.find("\r\n\r\n");
      return headEnd != std::string::npos && enough(got.substr(headEnd + 4));
    });
  }
  close(fd);
  return splitReply(raw);
}

HttpReply httpGet(int port, const std::string& target, const std::string& extraHeaders, std::size_t bodyBytes,
                  int timeoutMs) {
  HttpReply reply = httpGetUntil(
      port, target, extraHeaders, [bodyBytes](const std::string& body) { return body.size() >= bodyBytes; }, timeoutMs);
  reply.body.resize(std::min(reply.body.size(), bodyBytes));
  return reply;
}

IcecastFixture::IcecastFixture() {
  int toChild[2];
  int fromChild[2];
  if (pipe2(toChild, O_CLOEXEC) != 0 || pipe2(fromChild, O_CLOEXEC) != 0) {
    throw std::runtime_error("no pipe for the icecast fixture");
  }
  pid_ = spawnFixture(toChild[0], fromChild[1]);
  close(toChild[0]);
  close(fromChild[1]);
  toFixture_ = toChild[1];
  std::string line;
  readUntil(fromChild[0], line, Clock::now() + std::chrono::milliseconds(kStartupMs),
            [](const std::string& got) { return got.find('\n') != std::string::npos; });
  close(fromChild[0]);
  if (!parseReadyLine(line.substr(0, line.find('\n')), port_, paths_)) {
    stop();
    throw std::runtime_error("the icecast fixture did not start (its reasons are on standard error)");
  }
}

IcecastFixture::~IcecastFixture() { stop(); }

void IcecastFixture::stop() {
  if (toFixture_ >= 0) {
    close(toFixture_);
    toFixture_ = -1;
  }
  if (pid_ > 0 && !exitedWithin(pid_, kStopWait)) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  pid_ = -1;
}

std::string IcecastFixture::url(Mount mount) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path(mount);
}

bool IcecastFixture::setTitle(const std::string& title) const {
  const std::string target = "/admin/metadata?mode=updinfo&mount=" + percentEncoded(path(Mount::Mp3)) +
                             "&song=" + percentEncoded(title);
  const std::string auth = "Authorization: Basic " + base64(std::string(kAdminUser) + ":" + kAdminPassword) + "\r\n";
  const HttpReply reply = httpGet(port_, target, auth, 0);
  return reply.statusLine.find(" 200 ") != std::string::npos;
}

}  // namespace tavelo::test
