// Where the mixer's sound goes: interleaved stereo float frames at the device rate.
//
// Threads. The mixer thread alone writes and changes the output's state (write, hold, discard,
// playOut, resume). Other threads only hurry it along or ask it (interrupt, hurry, queuedFrames),
// under no lock of the engine's but the engine's own mutex; those calls never block. An output
// guards what it shares between the two sides itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace tavelo::engine {

inline constexpr std::uint32_t kOutputChannels = 2;
// The most a device queues ahead of what is heard.
inline constexpr std::uint32_t kMaxQueuedMs = 850;

class Output {
public:
  virtual ~Output() = default;
  // Mixer thread. Blocks until the device has taken the frames, so the mixer runs at the
  // device's pace.
  virtual void write(const float* frames, std::size_t count) = 0;
  // Mixer thread. Sound is paused: silence at once, keeping what is queued to play on resume.
  virtual void hold() {}
  // Mixer thread. Sound is stopped: silence at once, dropping what is queued.
  virtual void discard() {}
  // Mixer thread. Nothing plays any more: what is queued is to be heard even if it is shorter than the queue.
  virtual void playOut() {}
  // Mixer thread. Called when sound starts again after the mixer was idle (after hold, the queue plays first).
  virtual void resume() = 0;
  // Any thread, never blocks. Makes a write that waits for the device return at once: the output
  // is being closed.
  virtual void interrupt() {}
  // Any thread, never blocks. A pause, stop or jump is waiting: a write that waits for room hands over what it holds at
  // once and returns, so that the mixer acts on it now rather than a whole request later.
  virtual void hurry() {}
  // Any thread, never blocks. Frames written but not heard yet.
  virtual std::size_t queuedFrames() { return 0; }
};

// "No sound": keeps real time with a clock and discards the sound.
std::unique_ptr<Output> makeNullOutput(std::uint32_t rate);

// A sound server sink; null with *error set when it cannot be opened.
std::unique_ptr<Output> makePulseOutput(const std::string& sink, std::uint32_t rate, int* error);

}  // namespace tavelo::engine
