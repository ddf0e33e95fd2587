// A PulseAudio pipe sink that keeps real time, and everything it played. Unlike a null sink's
// monitor, it shows gaps, tails and lost starts at their true length.
#pragma once

#include "audio_files.h"
#include "engine/engine.h"

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace tavelo::test {

class PipeSink {
public:
  // Loads the sink "pipesink", playing into a FIFO at `fifo`.
  explicit PipeSink(const std::string& fifo);
  ~PipeSink();
  PipeSink(const PipeSink&) = delete;
  PipeSink& operator=(const PipeSink&) = delete;

  bool ready() const { return flowing_; }
  // The engine's device number of the sink; -1 when it is not listed.
  static int device();
  // Unloads the sink (its pipe then ends) and returns what it played, 44.1 kHz stereo.
  WavData stop();
  // Plays a file on the engine's device to its end (`during` runs while it plays), lets the
  // server play out what it holds, and stops the sink.
  WavData playToEnd(const std::string& path, const std::function<void(HSTREAM)>& during = [](HSTREAM) {});

private:
  void collect(const std::string& fifo);

  std::string module_;
  std::thread reader_;
  std::atomic<bool> flowing_{false};
  std::vector<std::int16_t> samples_;
};

}  // namespace tavelo::test
