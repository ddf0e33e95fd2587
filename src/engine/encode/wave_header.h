// The 44-byte header of a PCM or float WAVE file.
#pragma once

#include <array>
#include <cstdint>

namespace tavelo::engine {

struct WaveFormat {
  std::uint32_t rate = 44100;
  std::uint16_t channels = 2;
  bool floatSamples = false;  // 32-bit float (format 3), else 16-bit integer (format 1)
  std::uint16_t bitsPerSample() const { return floatSamples ? 32 : 16; }
  std::uint32_t bytesPerFrame() const { return std::uint32_t{channels} * bitsPerSample() / 8; }
};

inline constexpr std::size_t kWaveHeaderBytes = 44;
// The size a stream of unknown length announces (and the most a WAVE size field can hold).
inline constexpr std::uint64_t kUnknownWaveSize = 0xFFFFFFFF;

// The header for `dataBytes` of samples; sizes past what 32 bits hold saturate at 0xFFFFFFFF.
std::array<std::uint8_t, kWaveHeaderBytes> waveHeader(const WaveFormat& format, std::uint64_t dataBytes);

}  // namespace tavelo::engine
