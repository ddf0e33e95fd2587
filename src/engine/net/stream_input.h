// Bytes that arrive over time, as a decoder of a net stream reads them: each read waits until some
// have come and gives 0 only at the end (or once interrupted).
#pragma once

#include <cstddef>
#include <cstdint>

namespace tavelo::engine {

class StreamInput {
public:
  virtual ~StreamInput() = default;
  virtual std::size_t read(std::uint8_t* out, std::size_t length) = 0;
};

}  // namespace tavelo::engine
