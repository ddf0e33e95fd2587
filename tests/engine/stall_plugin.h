// A test plug-in whose sources stall like a net stream or a CD drive that retries: a file
// "TAVELO-STALL <ready frames> <stall ms> <close ms> <seekable 0|1>" gives a 440 Hz tone (44.1 kHz
// stereo, 10 s long) whose first read past the ready frames waits `stall ms` (or until
// interrupted) and then goes on; closing takes `close ms`; an unseekable source refuses every seek.
#pragma once

#include <atomic>
#include <mutex>
#include <string>

namespace tavelo::test {

// What the plug-in saw, read by the tests through the exported tavelo_stall_probe().
struct StallProbe {
  std::atomic<int> waitingReads{0};
  std::atomic<int> interrupts{0};
  std::atomic<int> closes{0};
  std::mutex mutex;
  std::string closingThread;  // the name of the thread the last close ran on
};

inline constexpr const char* kStallProbeEntry = "tavelo_stall_probe";
using StallProbeEntry = StallProbe* (*)();

}  // namespace tavelo::test
