// Time from starting a player to its main window being mapped on the X server, several runs
// per player, side by side. Usage: app_startup_bench RUNS NAME CLASS PROGRAM [ARGS...] [-- NAME CLASS PROGRAM ...]
// The window is recognised by its WM_CLASS class; each player is ended with SIGTERM after each run.
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <strings.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

struct Player {
  std::string name;
  std::string windowClass;
  std::vector<std::string> command;
};

struct Sample {
  double milliseconds;
  long rssKiB;
};

pid_t spawn(const std::vector<std::string>& command) {
  const pid_t pid = fork();
  if (pid == 0) {
    const int quiet = open("/dev/null", O_WRONLY);
    dup2(quiet, STDOUT_FILENO);
    dup2(quiet, STDERR_FILENO);
    std::vector<char*> argv;
    for (const std::string& part : command) argv.push_back(const_cast<char*>(part.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  return pid;
}

long residentKiB(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  }
  return 0;
}

void stop(pid_t pid) {
  kill(pid, SIGTERM);
  for (int waited = 0; waited < 500; ++waited) {
    if (waitpid(pid, nullptr, WNOHANG) == pid) return;
    usleep(10000);
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

bool hasClass(xcb_connection_t* connection, xcb_window_t window, const std::string& wanted) {
  const xcb_get_property_cookie_t cookie =
      xcb_get_property(connection, 0, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 256);
  xcb_get_property_reply_t* reply = xcb_get_property_reply(connection, cookie, nullptr);
  if (!reply) return false;
  const char* value = static_cast<const char*>(xcb_get_property_value(reply));
  const int length = xcb_get_property_value_length(reply);
  const std::string instance(value, strnlen(value, static_cast<std::size_t>(length)));
  const std::string windowClass =
      static_cast<int>(instance.size()) + 1 < length ? std::string(value + instance.size() + 1) : std::string();
  free(reply);
  return strcasecmp(windowClass.c_str(), wanted.c_str()) == 0;
}

// Waits for a top-level window of the class to be mapped; nothing after the timeout.
std::optional<Clock::time_point> waitForWindow(xcb_connection_t* connection, const std::string& windowClass,
                                               Clock::duration timeout) {
  const Clock::time_point deadline = Clock::now() + timeout;
  pollfd descriptor{xcb_get_file_descriptor(connection), POLLIN, 0};
  while (Clock::now() < deadline) {
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
      const bool mapped = (event->response_type & 0x7f) == XCB_MAP_NOTIFY;
      const xcb_window_t window = reinterpret_cast<xcb_map_notify_event_t*>(event)->window;
      free(event);
      if (mapped) {
        const Clock::time_point seen = Clock::now();
        if (hasClass(connection, window, windowClass)) return seen;
      }
    }
    poll(&descriptor, 1, 5);
  }
  return std::nullopt;
}

std::optional<Sample> measure(xcb_connection_t* connection, const Player& player) {
  const Clock::time_point start = Clock::now();
  const pid_t pid = spawn(player.command);
  const std::optional<Clock::time_point> shown = waitForWindow(connection, player.windowClass, std::chrono::seconds(20));
  const long rss = residentKiB(pid);
  stop(pid);
  if (!shown) return std::nullopt;
  return Sample{std::chrono::duration<double, std::milli>(*shown - start).count(), rss};
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

std::vector<Player> parsePlayers(int argc, char** argv) {
  std::vector<Player> players;
  for (int i = 2; i + 2 < argc;) {
    Player player{argv[i], argv[i + 1], {}};
    for (i += 2; i < argc && std::strcmp(argv[i], "--") != 0; ++i) player.command.emplace_back(argv[i]);
    ++i;
    players.push_back(player);
  }
  return players;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::atoi(argv[1]) : 0;
  const std::vector<Player> players = parsePlayers(argc, argv);
  if (runs < 1 || players.empty()) {
    std::fprintf(stderr, "usage: %s RUNS NAME CLASS PROGRAM [ARGS...] [-- NAME CLASS PROGRAM ...]\n", argv[0]);
    return 2;
  }
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(connection)) {
    std::fprintf(stderr, "no X display\n");
    return 1;
  }
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
  const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
  xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &mask);
  xcb_flush(connection);

  std::printf("%-12s %6s %10s %10s %10s %10s\n", "player", "runs", "median ms", "min ms", "max ms", "RSS KiB");
  for (const Player& player : players) {
    measure(connection, player);  // warm-up: first-run files, disk cache
    std::vector<double> times;
    long rss = 0;
    for (int run = 0; run < runs; ++run) {
      if (const std::optional<Sample> sample = measure(connection, player)) {
        times.push_back(sample->milliseconds);
        rss = std::max(rss, sample->rssKiB);
      }
    }
    if (times.empty()) {
      std::printf("%-12s %6d  no window of class %s appeared\n", player.name.c_str(), 0, player.windowClass.c_str());
      continue;
    }
    std::printf("%-12s %6zu %10.1f %10.1f %10.1f %10ld\n", player.name.c_str(), times.size(), median(times),
                *std::min_element(times.begin(), times.end()), *std::max_element(times.begin(), times.end()), rss);
  }
  xcb_disconnect(connection);
  return 0;
}
