// An encoder program started without a shell: its standard input is our pipe, its output goes
// nowhere, its error output into an in-memory file whose last line tells why it failed.
#include "engine/encode/encoder_sink.h"

#include "engine/engine.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <thread>

extern char** environ;

namespace tavelo::engine {
namespace {

constexpr int kPipeBytes = 1 << 20;
constexpr off_t kStderrTail = 4096;
constexpr auto kExitPoll = std::chrono::milliseconds(5);

// The last non-empty line of what the program wrote to its error output.
std::string lastLine(int fd) {
  const off_t size = lseek(fd, 0, SEEK_END);
  if (size <= 0) {
    return {};
  }
  const off_t from = std::max<off_t>(0, size - kStderrTail);
  std::string text(static_cast<std::size_t>(size - from), '\0');
  const ssize_t got = pread(fd, text.data(), text.size(), from);
  text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
    text.pop_back();
  }
  const std::size_t start = text.find_last_of("\r\n");
  return start == std::string::npos ? text : text.substr(start + 1);
}

std::string describeStatus(int status, const std::string& said) {
  std::string reason = WIFSIGNALED(status) ? "killed by signal " + std::to_string(WTERMSIG(status))
                                           : "exit status " + std::to_string(WEXITSTATUS(status));
  return said.empty() ? reason : reason + ": " + said;
}

// A write to a pipe whose reader is gone raises SIGPIPE on the writing thread: blocked there and
// taken back after the failed write, it never reaches the player's default action.
void discardPendingSigpipe() {
  sigset_t pipeOnly;
  sigemptyset(&pipeOnly);
  sigaddset(&pipeOnly, SIGPIPE);
  const timespec now{};
  while (sigtimedwait(&pipeOnly, nullptr, &now) == SIGPIPE) {
  }
}

class ProgramSink final : public EncoderSink {
public:
  ProgramSink(pid_t pid, int input, int errors) : pid_(pid), input_(input), errors_(errors) {}
  ~ProgramSink() override {
    finish(std::chrono::steady_clock::now());
    close(errors_);
  }

  bool write(const std::uint8_t* data, std::size_t size) override {
    while (size > 0) {
      const ssize_t wrote = ::write(input_, data, size);
      if (wrote < 0 && errno == EINTR) {
        continue;
      }
      if (wrote < 0) {
        const int error = errno;
        discardPendingSigpipe();
        failure_ = error == EPIPE ? "it stopped reading before the end" : std::strerror(error);
        return false;
      }
      data += wrote;
      size -= static_cast<std::size_t>(wrote);
    }
    return true;
  }

  bool running() override {
    std::lock_guard lock(mutex_);
    return !reapLocked(WNOHANG);
  }

  void kill() override {
    std::lock_guard lock(mutex_);
    if (!reaped_) {
      ::kill(pid_, SIGKILL);
    }
  }

  std::string finish(Deadline deadline) override {
    std::unique_lock lock(mutex_);
    if (input_ >= 0) {
      close(input_);  // the program sees the end of its input
      input_ = -1;
    }
    while (!reapLocked(WNOHANG)) {
      if (std::chrono::steady_clock::now() >= deadline) {
        ::kill(pid_, SIGKILL);
        reapLocked(0);
        break;
      }
      lock.unlock();
      std::this_thread::sleep_for(kExitPoll);
      lock.lock();
    }
    const bool clean = WIFEXITED(status_) && WEXITSTATUS(status_) == 0;
    return clean ? std::string() : describeStatus(status_, lastLine(errors_));
  }

private:
  // True once the program's exit has been collected (it is collected once only).
  bool reapLocked(int options) {
    if (!reaped_) {
      pid_t got;
      do {
        got = waitpid(pid_, &status_, options);
      } while (got < 0 && errno == EINTR);
      reaped_ = got == pid_ || (got < 0 && errno == ECHILD);
    }
    return reaped_;
  }

  std::mutex mutex_;
  const pid_t pid_;
  int input_;
  const int errors_;
  bool reaped_ = false;
  int status_ = 0;
};

struct SpawnSetup {
  posix_spawn_file_actions_t actions{};
  posix_spawnattr_t attributes{};
  SpawnSetup(int input, int errors) {
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input, STDIN_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, errors, STDERR_FILENO);
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    sigset_t all;
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  }
  ~SpawnSetup() {
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;
};

pid_t spawn(const std::vector<std::string>& words, int input, int errors) {
  std::vector<char*> argv;
  for (const std::string& word : words) {
    argv.push_back(const_cast<char*>(word.c_str()));
  }
  argv.push_back(nullptr);
  SpawnSetup setup(input, errors);
  pid_t pid = -1;
  const int result = posix_spawnp(&pid, argv[0], &setup.actions, &setup.attributes, argv.data(), environ);
  return result == 0 ? pid : -1;
}

}  // namespace

std::unique_ptr<EncoderSink> startEncoderProgram(const std::vector<std::string>& words, int* error) {
  *error = BASS_ERROR_FILEOPEN;
  if (words.empty()) {
    return nullptr;
  }
  int pipeEnds[2];
  if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
    return nullptr;
  }
  fcntl(pipeEnds[1], F_SETPIPE_SZ, kPipeBytes);  // a smaller pipe where the system caps it
  const int errors = memfd_create("encoder-errors", MFD_CLOEXEC);
  const pid_t pid = errors >= 0 ? spawn(words, pipeEnds[0], errors) : -1;
  close(pipeEnds[0]);
  if (pid < 0) {
    close(pipeEnds[1]);
    if (errors >= 0) {
      close(errors);
    }
    return nullptr;
  }
  *error = BASS_OK;
  return std::make_unique<ProgramSink>(pid, pipeEnds[1], errors);
}

}  // namespace tavelo::engine
