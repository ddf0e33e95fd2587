// radio_bench first-sound URL FIFO [ROUNDS]
//   Click to first sound on a station: Tavelo's engine (from BASS_StreamCreateURL on, the engine
//   already started as the player starts it), mpv and ffplay (from their start), each heard at
//   the same PulseAudio pipe sink "pipesink" that keeps real time and plays into FIFO; rounds
//   take turns; the median is compared.
// radio_bench play URL
//   Plays the station on the default device until told to terminate (for a CPU measurement).
// Runs beside a PulseAudio daemon (tests/e2e/engine/with_pulse.sh); see run.sh.
#include "engine/engine.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr const char* kSinkName = "pipesink";
constexpr int kLoud = 1000;  // of 32767: the station plays near a third of full scale
constexpr auto kFirstSoundLimit = 15s;
constexpr auto kQuietBetweenRounds = 700ms;

// The FIFO of a pipe sink that keeps real time, read as it plays: when sound first arrives after
// arm(), and when it last did.
class TimedSink {
public:
  explicit TimedSink(const std::string& fifo) : reader_([this, fifo] { read(fifo); }) {}
  ~TimedSink() {
    stopping_ = true;
    reader_.join();
  }

  void arm() {
    const std::lock_guard lock(mutex_);
    armed_ = true;
    firstSound_.reset();
  }
  std::optional<Clock::time_point> waitFirstSound() {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, kFirstSoundLimit, [this] { return firstSound_.has_value(); });
    return firstSound_;
  }
  void waitQuiet() {
    std::unique_lock lock(mutex_);
    const auto deadline = Clock::now() + kFirstSoundLimit;
    while (Clock::now() - lastSound_ < kQuietBetweenRounds && Clock::now() < deadline) {
      lock.unlock();
      std::this_thread::sleep_for(50ms);
      lock.lock();
    }
  }

private:
  void read(const std::string& fifo) {
    const int fd = open(fifo.c_str(), O_RDONLY);
    std::int16_t samples[1024];
    ssize_t got = 0;
    while (fd >= 0 && !stopping_ && (got = ::read(fd, samples, sizeof samples)) > 0) {
      const bool loud = std::any_of(samples, samples + got / 2, [](std::int16_t s) { return std::abs(int(s)) > kLoud; });
      if (loud) {
        const std::lock_guard lock(mutex_);
        lastSound_ = Clock::now();
        if (armed_ && !firstSound_) {
          firstSound_ = lastSound_;
          changed_.notify_all();
        }
      }
    }
    if (fd >= 0) {
      close(fd);
    }
  }

  std::atomic<bool> stopping_{false};
  std::mutex mutex_;
  std::condition_variable changed_;
  bool armed_ = false;
  std::optional<Clock::time_point> firstSound_;
  Clock::time_point lastSound_{};
  std::thread reader_;  // last: it starts once the rest is ready
};

pid_t spawn(const std::vector<std::string>& command) {
  std::vector<std::string> environment{"PULSE_SINK=" + std::string(kSinkName), "SDL_AUDIODRIVER=pulseaudio"};
  for (char** variable = environ; *variable != nullptr; ++variable) {
    environment.emplace_back(*variable);
  }
  std::vector<char*> argv, envp;
  for (const std::string& word : command) {
    argv.push_back(const_cast<char*>(word.c_str()));
  }
  for (const std::string& variable : environment) {
    envp.push_back(const_cast<char*>(variable.c_str()));
  }
  argv.push_back(nullptr);
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) {
    pid = -1;
  }
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

void stop(pid_t pid) {
  kill(pid, SIGTERM);
  for (int i = 0; i < 50; ++i) {
    if (waitpid(pid, nullptr, WNOHANG) == pid) {
      return;
    }
    std::this_thread::sleep_for(100ms);
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

bool installed(const std::string& program) { return std::system(("command -v " + program + " >/dev/null").c_str()) == 0; }

int engineDevice() {
  BASS_DEVICEINFO info{};
  for (DWORD device = 1; BASS_GetDeviceInfo(device, &info); ++device) {
    if (std::strcmp(info.driver, kSinkName) == 0) {
      return int(device);
    }
  }
  return -1;
}

// Starts a player, returns the time it started; the stopper ends it.
struct Player {
  std::string name;
  std::function<std::optional<Clock::time_point>()> start;
  std::function<void()> stop;
};

std::vector<Player> players(const std::string& url) {
  static HSTREAM stream = 0;
  static pid_t pid = -1;
  std::vector<Player> list{{"Tavelo",
                            [url]() -> std::optional<Clock::time_point> {
                              const auto t0 = Clock::now();
                              stream = BASS_StreamCreateURL(url.c_str(), 0, 0, nullptr, nullptr);
                              if (stream == 0 || !BASS_ChannelPlay(stream, 0)) {
                                std::fprintf(stderr, "Tavelo: error %d\n", BASS_ErrorGetCode());
                                return std::nullopt;
                              }
                              return t0;
                            },
                            [] { BASS_StreamFree(stream); }}};
  const std::map<std::string, std::vector<std::string>> others{
      {"mpv", {"mpv", "--no-config", "--no-video", "--really-quiet", "--ao=pulse", url}},
      {"ffplay", {"ffplay", "-nodisp", "-loglevel", "quiet", url}},
  };
  for (const auto& [name, command] : others) {
    if (!installed(name)) {
      std::printf("%s is not installed: not measured\n", name.c_str());
      continue;
    }
    list.push_back({name,
                    [command]() -> std::optional<Clock::time_point> {
                      const auto t0 = Clock::now();
                      pid = spawn(command);
                      return pid > 0 ? std::optional(t0) : std::nullopt;
                    },
                    [] { stop(pid); }});
  }
  return list;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n == 0 ? -1 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

int firstSound(const std::string& url, const std::string& fifo, int rounds) {
  TimedSink sink(fifo);
  const int device = engineDevice();
  if (device < 0 || !BASS_Init(device, 44100, 0, nullptr, nullptr)) {
    std::fprintf(stderr, "no sink \"%s\" or no engine (error %d)\n", kSinkName, BASS_ErrorGetCode());
    return 1;
  }
  std::vector<Player> list = players(url);
  std::map<std::string, std::vector<double>> ms;
  for (int round = 0; round < rounds; ++round) {
    std::rotate(list.begin(), list.begin() + 1, list.end());  // each takes each place in turn
    for (Player& player : list) {
      sink.waitQuiet();
      sink.arm();
      const auto started = player.start();
      const auto heard = started ? sink.waitFirstSound() : std::nullopt;
      if (started) {
        player.stop();
      }
      if (heard) {
        ms[player.name].push_back(std::chrono::duration<double, std::milli>(*heard - *started).count());
        std::printf("  round %d  %-8s %7.0f ms\n", round + 1, player.name.c_str(), ms[player.name].back());
      } else {
        std::printf("  round %d  %-8s no sound\n", round + 1, player.name.c_str());
      }
    }
  }
  BASS_Free();
  std::printf("\nClick to first sound, median of %d rounds:\n", rounds);
  std::printf("  %-8s %10s %8s %8s\n", "player", "median ms", "min ms", "max ms");
  for (const auto& [name, times] : ms) {
    std::printf("  %-8s %10.0f %8.0f %8.0f\n", name.c_str(), median(times), *std::min_element(times.begin(), times.end()),
                *std::max_element(times.begin(), times.end()));
  }
  if (ms.count("Tavelo") && ms.count("mpv")) {
    std::printf("Target: no later than mpv: %s\n", median(ms["Tavelo"]) <= median(ms["mpv"]) ? "met" : "NOT met");
  }
  return 0;
}

volatile sig_atomic_t stopRequested = 0;

int play(const std::string& url) {
  signal(SIGTERM, [](int) { stopRequested = 1; });
  signal(SIGINT, [](int) { stopRequested = 1; });
  if (!BASS_Init(-1, 44100, 0, nullptr, nullptr)) {
    std::fprintf(stderr, "engine: error %d\n", BASS_ErrorGetCode());
    return 1;
  }
  const HSTREAM stream = BASS_StreamCreateURL(url.c_str(), 0, 0, nullptr, nullptr);
  if (stream == 0 || !BASS_ChannelPlay(stream, 0)) {
    std::fprintf(stderr, "cannot play %s: error %d\n", url.c_str(), BASS_ErrorGetCode());
    BASS_Free();
    return 1;
  }
  while (!stopRequested) {
    pause();
  }
  BASS_StreamFree(stream);
  BASS_Free();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  const std::string command = argc > 2 ? argv[1] : "";
  if (command == "first-sound" && argc > 3) {
    return firstSound(argv[2], argv[3], argc > 4 ? std::max(1, std::atoi(argv[4])) : 5);
  }
  if (command == "play") {
    return play(argv[2]);
  }
  std::fprintf(stderr, "usage: radio_bench first-sound URL FIFO [ROUNDS] | radio_bench play URL\n");
  return 2;
}
