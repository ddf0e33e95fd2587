// engine_plugins_bench [PLUGIN_FOLDER...]  what loading the FFmpeg and MIDI plug-ins costs in time
// and resident memory, and what the first FLAC and the first MIDI file cost afterwards; each
// figure from a fresh process, best of 5. Every plug-in folder given (default: this build's) is
// measured side by side, beside the raw libraries dlopened by themselves.
#include "engine/engine.h"
#include "midi_files.h"

#include <dlfcn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRounds = 5;
constexpr const char* kGmFont = "/usr/share/sounds/sf2/default-GM.sf2";
constexpr const char* kWork = "/tmp/engine_plugins_bench";

double msSince(Clock::time_point start) { return std::chrono::duration<double, std::milli>(Clock::now() - start).count(); }

long statusKb(const char* field) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::char_traits<char>::length(field));
  }
  return 0;
}

int mappedLibraries() {
  std::ifstream maps("/proc/self/maps");
  std::vector<std::string> libraries;
  for (std::string line; std::getline(maps, line);) {
    const auto slash = line.find('/');
    if (slash != std::string::npos && line.find(".so", slash) != std::string::npos) libraries.push_back(line.substr(slash));
  }
  std::sort(libraries.begin(), libraries.end());
  return int(std::unique(libraries.begin(), libraries.end()) - libraries.begin());
}

// What one step cost, measured inside the child that took it.
struct Cost {
  double ms = 0;
  long rssKb = 0;  // resident growth
  int libraries = 0;  // mapped shared libraries after the step
  long peakKb = 0;  // VmHWM after the step
};

template <typename Step>
Cost measure(Step step) {
  const long before = statusKb("VmRSS:");
  const auto start = Clock::now();
  if (!step()) std::exit(2);
  return {msSince(start), statusKb("VmRSS:") - before, mappedLibraries(), statusKb("VmHWM:")};
}

bool loadPlugins(const std::string& folder) {
  return BASS_PluginLoad((folder + "/ffmpeg.so").c_str(), 0) != 0 && BASS_PluginLoad((folder + "/midi.so").c_str(), 0) != 0;
}

// Opens a file and decodes its first tenth of a second, as playback would.
bool openAndDecode(const std::string& path) {
  const HSTREAM stream = BASS_StreamCreateFile(0, path.c_str(), 0, 0, BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT);
  std::vector<float> block(4410 * 2);
  return stream != 0 && BASS_ChannelGetData(stream, block.data(), DWORD(block.size() * sizeof(float))) != DWORD(-1);
}

std::string flacPath() { return std::string(kWork) + "/tone.flac"; }
std::string midiPath() { return std::string(kWork) + "/tune.mid"; }

// The step a child measures; the figures go to stdout as one line.
Cost runStep(const std::string& step, const std::string& folder) {
  if (step == "raw") {
    return measure([] {
      return dlopen("libavformat.so.59", RTLD_NOW) != nullptr && dlopen("libavcodec.so.59", RTLD_NOW) != nullptr &&
             dlopen("libfluidsynth.so.3", RTLD_NOW) != nullptr;
    });
  }
  if (!BASS_Init(0, 44100, 0, nullptr, nullptr)) std::exit(2);
  if (step == "load") return measure([&] { return loadPlugins(folder); });
  if (!loadPlugins(folder)) std::exit(2);
  if (step == "flac") return measure([] { return openAndDecode(flacPath()); });
  if (step == "midi") return measure([] { return openAndDecode(midiPath()); });
  return measure([] {  // "font": as the player loads its fonts
    const BASS_MIDI_FONT record{BASS_MIDI_FontInit(kGmFont, 0), -1, 0};
    return record.font != 0 && BASS_MIDI_StreamSetFonts(0, &record, 1);
  });
}

Cost bestOf(const char* self, const std::string& step, const std::string& folder) {
  Cost best{1e18, 0, 0, 0};
  for (int round = 0; round < kRounds; ++round) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) std::exit(1);
    const pid_t child = fork();
    if (child == 0) {
      dup2(pipeEnds[1], STDOUT_FILENO);
      execl(self, self, "--step", step.c_str(), folder.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    close(pipeEnds[1]);
    Cost cost;
    FILE* in = fdopen(pipeEnds[0], "r");
    const bool read = std::fscanf(in, "%lf %ld %d %ld", &cost.ms, &cost.rssKb, &cost.libraries, &cost.peakKb) == 4;
    std::fclose(in);
    int status = 0;
    waitpid(child, &status, 0);
    if (!read || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      std::fprintf(stderr, "step %s with %s failed\n", step.c_str(), folder.c_str());
      std::exit(1);
    }
    if (cost.ms < best.ms) best = cost;
  }
  return best;
}

void makeFiles() {
  std::system(("mkdir -p " + std::string(kWork)).c_str());
  const std::string command = "ffmpeg -v error -y -f lavfi -i sine=frequency=440:duration=10 -ac 2 -ar 44100 -c:a flac " + flacPath();
  if (std::system(command.c_str()) != 0) std::exit(1);
  tavelo::test::writeBytes(midiPath(), tavelo::test::makeSmf(tavelo::test::arpeggio()));
}

void printRow(const char* what, const Cost& c) {
  std::printf("  %-34s %9.1f %9ld %9ld %6d\n", what, c.ms, c.rssKb, c.peakKb, c.libraries);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--step") {
    const Cost c = runStep(argv[2], argv[3]);
    std::printf("%f %ld %d %ld\n", c.ms, c.rssKb, c.libraries, c.peakKb);
    std::fflush(stdout);
    std::_Exit(0);  // the figures are out; older plug-ins crash when the process exits with a MIDI stream open
  }
  makeFiles();
  std::vector<std::string> folders(argv + 1, argv + argc);
  if (folders.empty()) folders.push_back(TAVELO_BENCH_PLUGIN_DIR);
  std::printf("Each step in a fresh process after the engine's start, best of %d by time.\n", kRounds);
  std::printf("  %-34s %9s %9s %9s %6s\n", "step", "ms", "+RSS kB", "VmHWM kB", "libs");
  printRow("raw: dlopen FFmpeg and FluidSynth", bestOf(argv[0], "raw", "-"));
  for (const std::string& folder : folders) {
    std::printf("%s\n", folder.c_str());
    printRow("load both plug-ins", bestOf(argv[0], "load", folder));
    printRow("then the system font: init, default", bestOf(argv[0], "font", folder));
    printRow("then first FLAC: open, 0.1 s", bestOf(argv[0], "flac", folder));
    printRow("then first MIDI: open, 0.1 s", bestOf(argv[0], "midi", folder));
  }
  return 0;
}
