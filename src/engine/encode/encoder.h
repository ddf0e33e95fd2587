// One running encoder: the samples a channel hands on, converted and queued for a writer thread
// of its own that puts them into the sink (a program's input or a WAVE file).
//
// Threads. feed() runs on the thread that hands the channel's samples on: the mixer for a
// playing channel (it never waits: an encoder that falls 10 s behind fails instead), the reader
// of a decode-only channel (it waits for room, so reading goes at the encoder's pace). The writer
// thread alone writes to the sink. stop() may be called from any thread, once or more.
#pragma once

#include "engine/encode/encoder_sink.h"
#include "engine/engine.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace tavelo::engine {

class EncoderTap;

class Encoder {
public:
  struct Settings {
    HENCODE handle = 0;
    DWORD flags = 0;
    WaveFormat format;            // of the samples fed, as the sink gets them
    std::uint32_t channels = 2;   // of the frames handed to feed()
  };

  // `tap`: the channel's list this encoder is on, for Stop by the encoder's own handle.
  Encoder(std::unique_ptr<EncoderSink> sink, const Settings& settings, std::weak_ptr<EncoderTap> tap);
  ~Encoder();
  Encoder(const Encoder&) = delete;
  Encoder& operator=(const Encoder&) = delete;

  // `frames` float frames of the channel's format.
  void feed(const float* frames, std::size_t count, bool waitForRoom);
  bool active();
  // Ends the input, waits for the program (killed after 10 s). True only when every sample was
  // taken and the program exited with status 0; the same answer on every later call.
  bool stop();
  // Why the encoder failed, empty while it has not.
  std::string error() const;

  HENCODE handle() const { return settings_.handle; }
  bool autofree() const { return (settings_.flags & BASS_ENCODE_AUTOFREE) != 0; }
  std::weak_ptr<EncoderTap> tap() const { return tap_; }

private:
  void writeLoop();
  void enqueue(std::vector<std::uint8_t> bytes, bool waitForRoom);
  std::vector<std::uint8_t> convert(const float* frames, std::size_t count) const;

  const std::unique_ptr<EncoderSink> sink_;
  const Settings settings_;
  const std::weak_ptr<EncoderTap> tap_;
  const std::size_t behindLimit_;  // bytes of 10 s

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::vector<std::uint8_t>> queue_;
  std::size_t queuedBytes_ = 0;
  bool closing_ = false;
  bool writerDone_ = false;
  std::string failure_;
  std::optional<bool> result_;

  std::mutex stopMutex_;  // one stop at a time; the others wait for its answer
  std::thread writer_;
};

// The encoders on one channel.
class EncoderTap {
public:
  void add(std::shared_ptr<Encoder> encoder);
  void remove(const Encoder* encoder);
  std::vector<std::shared_ptr<Encoder>> list() const;
  void feed(const float* frames, std::size_t count, bool waitForRoom);
  // The channel is gone: autofree encoders stop; the others run on, fed no more.
  void channelFreed();

private:
  mutable std::mutex mutex_;
  std::vector<std::shared_ptr<Encoder>> encoders_;
};

}  // namespace tavelo::engine
