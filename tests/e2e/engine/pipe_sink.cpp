#include "pipe_sink.h"

#include "engine/engine.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>

namespace tavelo::test {
namespace {

std::string firstLineOf(const std::string& commandLine) {
  std::string line;
  if (FILE* pipe = popen(commandLine.c_str(), "r")) {
    char buffer[256];
    if (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
      line = buffer;
    }
    pclose(pipe);
  }
  return line.substr(0, line.find('\n'));
}

void endReached(HSYNC, DWORD, DWORD, void* user) { static_cast<std::atomic<bool>*>(user)->store(true); }

}  // namespace

PipeSink::PipeSink(const std::string& fifo) {
  module_ = firstLineOf("pactl load-module module-pipe-sink sink_name=pipesink file='" + fifo +
                        "' format=s16le rate=44100 channels=2 use_system_clock_for_timing=yes");
  if (!module_.empty()) {
    reader_ = std::thread([this, fifo] { collect(fifo); });
    // Until the pipe is read, the sink cannot keep time.
    for (int i = 0; i < 200 && !flowing_; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
}

PipeSink::~PipeSink() { stop(); }

int PipeSink::device() {
  BASS_DEVICEINFO info{};
  for (DWORD device = 1; BASS_GetDeviceInfo(device, &info); ++device) {
    if (std::strcmp(info.driver, "pipesink") == 0) {
      return int(device);
    }
  }
  return -1;
}

WavData PipeSink::stop() {
  if (!module_.empty()) {
    run("pactl unload-module " + module_);
    module_.clear();
  }
  if (reader_.joinable()) {
    reader_.join();
  }
  return {44100, 2, samples_};
}

void PipeSink::collect(const std::string& fifo) {
  const int fd = open(fifo.c_str(), O_RDONLY);
  if (fd < 0) {
    return;
  }
  std::int16_t buffer[4096];
  ssize_t got = 0;
  while ((got = read(fd, buffer, sizeof buffer)) > 0) {
    samples_.insert(samples_.end(), buffer, buffer + got / 2);
    flowing_ = true;
  }
  close(fd);
}

WavData PipeSink::playToEnd(const std::string& path, const std::function<void(HSTREAM)>& during) {
  const HSTREAM stream = BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0);
  EXPECT_NE(stream, 0u) << BASS_ErrorGetCode();
  std::atomic<bool> ended{false};
  BASS_ChannelSetSync(stream, BASS_SYNC_END, 0, endReached, &ended);
  EXPECT_TRUE(BASS_ChannelPlay(stream, 0));
  during(stream);
  for (int i = 0; i < 500 && !ended; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(ended);
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // what the server still held has played
  return stop();
}

}  // namespace tavelo::test
