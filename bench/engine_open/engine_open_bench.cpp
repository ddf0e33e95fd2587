// engine_open_bench FILE...  opens and frees each file through the engine (decode-only channel)
// 21 times and prints the median and the slowest time of BASS_StreamCreateFile, with the length
// it announced. The first round reads the file into the page cache and is not counted.
#include "engine/engine.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRounds = 21;

double openMs(const char* path, double* lengthSeconds) {
  const auto t0 = Clock::now();
  const HSTREAM stream = BASS_StreamCreateFile(0, path, 0, 0, BASS_STREAM_DECODE);
  const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
  if (stream == 0) {
    std::fprintf(stderr, "cannot open %s (error %d)\n", path, BASS_ErrorGetCode());
    return -1;
  }
  *lengthSeconds = BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetLength(stream, BASS_POS_BYTE));
  BASS_StreamFree(stream);
  return ms;
}

}  // namespace

int main(int argc, char** argv) {
  if (!BASS_Init(0, 44100, 0, nullptr, nullptr)) {
    std::fprintf(stderr, "engine: error %d\n", BASS_ErrorGetCode());
    return 1;
  }
  std::printf("%-40s %10s %10s %12s\n", "file", "median ms", "max ms", "length s");
  for (int i = 1; i < argc; ++i) {
    double length = 0;
    openMs(argv[i], &length);
    std::vector<double> times;
    for (int round = 0; round < kRounds; ++round) {
      times.push_back(openMs(argv[i], &length));
    }
    std::sort(times.begin(), times.end());
    std::printf("%-40s %10.2f %10.2f %12.3f\n", argv[i], times[kRounds / 2], times.back(), length);
  }
  BASS_Free();
  return 0;
}
