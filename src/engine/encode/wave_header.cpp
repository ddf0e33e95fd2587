#include "engine/encode/wave_header.h"

#include <algorithm>
#include <cstring>

namespace tavelo::engine {
namespace {

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatFloat = 3;

void put16(std::uint8_t* at, std::uint16_t value) {
  at[0] = static_cast<std::uint8_t>(value);
  at[1] = static_cast<std::uint8_t>(value >> 8);
}

void put32(std::uint8_t* at, std::uint32_t value) {
  put16(at, static_cast<std::uint16_t>(value));
  put16(at + 2, static_cast<std::uint16_t>(value >> 16));
}

std::uint32_t saturated(std::uint64_t size) {
  return static_cast<std::uint32_t>(std::min(size, kUnknownWaveSize));
}

}  // namespace

std::array<std::uint8_t, kWaveHeaderBytes> waveHeader(const WaveFormat& format, std::uint64_t dataBytes) {
  std::array<std::uint8_t, kWaveHeaderBytes> header{};
  std::uint8_t* h = header.data();
  std::memcpy(h, "RIFF", 4);
  put32(h + 4, saturated(dataBytes + kWaveHeaderBytes - 8));
  std::memcpy(h + 8, "WAVEfmt ", 8);
  put32(h + 16, 16);
  put16(h + 20, format.floatSamples ? kFormatFloat : kFormatPcm);
  put16(h + 22, format.channels);
  put32(h + 24, format.rate);
  put32(h + 28, format.rate * format.bytesPerFrame());
  put16(h + 32, static_cast<std::uint16_t>(format.bytesPerFrame()));
  put16(h + 34, format.bitsPerSample());
  std::memcpy(h + 36, "data", 4);
  put32(h + 40, saturated(dataBytes));
  return header;
}

}  // namespace tavelo::engine
