// What a radio server's reply carries besides the sound: its header lines and the metadata blocks
// it inserts into the sound every metaint bytes ("icy-metaint").
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavelo::engine {

// The number of a status line ("HTTP/1.1 404 Not Found", "ICY 200 OK"); 0 when it is none.
int statusCode(std::string_view statusLine);
// The value of the first header line of that name (any case), trimmed; nullopt when none.
std::optional<std::string> headerValue(const std::vector<std::string>& lines, std::string_view name);
// The metadata interval a server announces: 0 (no metadata) for a value that is absent, not a
// plain positive number, or larger than any server uses.
std::size_t metaInterval(const std::vector<std::string>& lines);

// Lines as the engine hands them out: each zero-terminated, then an empty one.
std::string zeroTerminatedLines(const std::vector<std::string>& lines);

// Takes the metadata blocks out of the bytes received, however they are split. A block is a
// length byte (times 16) and that many bytes; its text ends at its first NUL. An empty block
// carries no text.
class IcyStripper {
public:
  using AudioSink = std::function<void(const std::uint8_t* data, std::size_t length)>;
  // The block's text and how many sound bytes came before it.
  using MetaSink = std::function<void(std::string text, std::uint64_t audioOffset)>;

  // interval 0: nothing is taken out.
  IcyStripper(std::size_t interval, AudioSink audio, MetaSink meta);
  void feed(const std::uint8_t* data, std::size_t length);

private:
  std::size_t takeAudio(const std::uint8_t* data, std::size_t length);
  std::size_t takeMeta(const std::uint8_t* data, std::size_t length);

  const std::size_t interval_;
  AudioSink audio_;
  MetaSink meta_;
  std::size_t audioLeft_;       // sound bytes until the next length byte
  std::size_t metaLeft_ = 0;    // bytes of the block still to come
  bool inBlock_ = false;
  std::string block_;
  std::uint64_t audioBytes_ = 0;
};

}  // namespace tavelo::engine
