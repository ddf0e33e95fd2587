// The seven-band equaliser on a stream: one peaking band of the engine per slider, 18 semitones
// wide, at 80, 190, 440, 1000, 2400, 5600 and 14000 Hz.
#pragma once

#include <array>
#include <cstdint>

namespace tavelo {

class Equalizer {
 public:
  static constexpr int kBands = 7;
  static constexpr std::array<float, kBands> kCentresHz{80, 190, 440, 1000, 2400, 5600, 14000};
  static constexpr float kBandwidthSemitones = 18;
  using Gains = std::array<int, kBands>;  // dB, band order

  // Attaches the seven bands to stream with these gains; the bands it already carries from here
  // are removed first, so a stream never carries two sets. Stream 0 and 8-bit streams are left
  // alone; a band at or above half the stream's rate is not attached (it could only be flat).
  void apply(std::uint32_t stream, const Gains& gains);
  // Removes the kept bands from stream (when they are on it).
  void remove(std::uint32_t stream);
  // Sets one band's gain on the kept bands' stream, keeping its centre and width.
  void setGain(int band, int gainDb);
  // The stream the bands were last attached to, 0 when none.
  std::uint32_t stream() const { return stream_; }

 private:
  std::uint32_t stream_ = 0;
  std::array<std::uint32_t, kBands> effects_{};  // 0: band not attached
};

}  // namespace tavelo
