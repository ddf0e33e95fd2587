// Where an encoder's bytes go: a program's standard input, or a WAVE file the engine writes.
#pragma once

#include "engine/encode/wave_header.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tavelo::engine {

class EncoderSink {
public:
  using Deadline = std::chrono::steady_clock::time_point;

  virtual ~EncoderSink() = default;
  // The encoder's writer thread: all of `data`, or false with failure() saying why.
  virtual bool write(const std::uint8_t* data, std::size_t size) = 0;
  // Any thread: false once the program has exited.
  virtual bool running() = 0;
  // Any thread: a write that waits for a program that does not read returns (it fails).
  virtual void kill() = 0;
  // After the last write: ends the output and waits for the program until `deadline`, killing it
  // then. Returns why the output is not complete, empty when it is.
  virtual std::string finish(Deadline deadline) = 0;
  const std::string& failure() const { return failure_; }

protected:
  std::string failure_;  // the writer thread's, read once it has ended
};

// Starts `words` (the program, then its arguments) with a pipe on its standard input. Null with
// *error set when the program cannot be started.
std::unique_ptr<EncoderSink> startEncoderProgram(const std::vector<std::string>& words, int* error);

// Creates (or empties) the WAVE file at `path`; its sizes are kept current every second. Null
// with *error set when the file cannot be created.
std::unique_ptr<EncoderSink> createWaveFile(const std::string& path, const WaveFormat& format, int* error);

}  // namespace tavelo::engine
