// The stalling test plug-in (see stall_plugin.h).
#include "engine/engine.h"
#include "engine/plugin_api.h"
#include "stall_plugin.h"

#include <pthread.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

namespace {

using tavelo::test::StallProbe;

constexpr std::uint32_t kRate = 44100;
constexpr std::int64_t kLength = 10 * kRate;

StallProbe& probe() {
  static StallProbe instance;
  return instance;
}

struct StallSource {
  long long ready = 0;
  int stallMs = 0;
  int closeMs = 0;
  int seekable = 1;
  std::int64_t position = 0;
  std::mutex mutex;
  std::condition_variable wake;
  bool interrupted = false;
  bool stalled = false;  // once
};

StallSource* asStall(void* source) { return static_cast<StallSource*>(source); }

bool interrupted(StallSource& s) {
  std::lock_guard lock(s.mutex);
  return s.interrupted;
}

// True when the wait ran its course, false when interrupted.
bool stall(StallSource& s) {
  ++probe().waitingReads;
  std::unique_lock lock(s.mutex);
  const bool interrupted = s.wake.wait_for(lock, std::chrono::milliseconds(s.stallMs), [&] { return s.interrupted; });
  --probe().waitingReads;
  return !interrupted;
}

int64_t readFrames(void* source, float* frames, int64_t count) {
  StallSource& s = *asStall(source);
  if (s.position >= s.ready && !s.stalled) {
    s.stalled = true;
    if (!stall(s)) {
      return 0;
    }
  }
  if (interrupted(s)) {
    return 0;
  }
  const std::int64_t n = std::min<std::int64_t>(count, kLength - s.position);
  for (std::int64_t i = 0; i < n; ++i) {
    const float v = 0.5f * float(std::sin(2 * M_PI * 440.0 * double(s.position + i) / kRate));
    frames[2 * i] = frames[2 * i + 1] = v;
  }
  s.position += n;
  return n;
}

int seekFrame(void* source, int64_t frame) {
  StallSource& s = *asStall(source);
  if (!s.seekable || interrupted(s)) {
    return 0;
  }
  s.position = frame;
  return 1;
}

uint64_t filePosition(void*, uint32_t) { return UINT64_MAX; }
int64_t lengthFrames(void*) { return kLength; }

void closeSource(void* source) {
  std::this_thread::sleep_for(std::chrono::milliseconds(asStall(source)->closeMs));
  char name[16] = "";
  pthread_getname_np(pthread_self(), name, sizeof name);
  {
    std::lock_guard lock(probe().mutex);
    probe().closingThread = name;
  }
  delete asStall(source);
  ++probe().closes;
}

void interruptSource(void* source) {
  StallSource& s = *asStall(source);
  {
    std::lock_guard lock(s.mutex);
    s.interrupted = true;
  }
  s.wake.notify_all();
  ++probe().interrupts;
}

constexpr TaveloSourceOps kOps{sizeof(TaveloSourceOps), readFrames, seekFrame, filePosition, lengthFrames, closeSource, interruptSource};
constexpr TaveloPluginFormat kFormats[] = {{BASS_CTYPE_STREAM_PLUGIN, "Stalling test source", "*.stall"}};

void* openFile(const char* path, uint32_t, TaveloSourceInfo* info, int* error) {
  *error = BASS_ERROR_FILEFORM;
  auto* source = new StallSource;
  FILE* file = std::fopen(path, "r");
  const bool ours = file != nullptr && std::fscanf(file, "TAVELO-STALL %lld %d %d %d", &source->ready, &source->stallMs,
                                                   &source->closeMs, &source->seekable) == 4;
  if (file != nullptr) {
    std::fclose(file);
  }
  if (!ours) {
    delete source;
    return nullptr;
  }
  *info = {info->size, kRate, 2, BASS_CTYPE_STREAM_PLUGIN, 16, kLength};
  return source;
}

constexpr TaveloPlugin kPlugin{sizeof(TaveloPlugin), 1, 1, kFormats, &kOps, openFile, nullptr, nullptr};

}  // namespace

extern "C" __attribute__((visibility("default"))) const TaveloPlugin* tavelo_plugin_entry(uint32_t version) {
  return version == TAVELO_PLUGIN_API_VERSION ? &kPlugin : nullptr;
}

extern "C" __attribute__((visibility("default"))) StallProbe* tavelo_stall_probe() { return &probe(); }
