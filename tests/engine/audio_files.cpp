#include "audio_files.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <stdexcept>

namespace tavelo::test {
namespace {

void put16(std::ofstream& out, std::uint16_t v) { out.put(char(v & 0xff)).put(char(v >> 8)); }
void put32(std::ofstream& out, std::uint32_t v) {
  put16(out, std::uint16_t(v & 0xffff));
  put16(out, std::uint16_t(v >> 16));
}
std::uint32_t get32(const char* p) {
  return std::uint32_t(std::uint8_t(p[0])) | std::uint32_t(std::uint8_t(p[1])) << 8 |
         std::uint32_t(std::uint8_t(p[2])) << 16 | std::uint32_t(std::uint8_t(p[3])) << 24;
}
std::uint16_t get16(const char* p) { return std::uint16_t(std::uint8_t(p[0]) | std::uint8_t(p[1]) << 8); }

}  // namespace

SampleFunction sine(double hz, std::uint32_t rate, double amplitude) {
  return [=](std::int64_t frame, int) { return amplitude * std::sin(2 * std::numbers::pi * hz * double(frame) / rate); };
}

void writeWav(const std::string& path, std::uint32_t rate, int channels, std::int64_t frames, const SampleFunction& sample) {
  std::ofstream out(path, std::ios::binary);
  const auto dataBytes = std::uint32_t(frames * channels * 2);
  out.write("RIFF", 4);
  put32(out, 36 + dataBytes);
  out.write("WAVEfmt ", 8);
  put32(out, 16);
  put16(out, 1);
  put16(out, std::uint16_t(channels));
  put32(out, rate);
  put32(out, rate * channels * 2);
  put16(out, std::uint16_t(channels * 2));
  put16(out, 16);
  out.write("data", 4);
  put32(out, dataBytes);
  std::vector<std::int16_t> samples(std::size_t(frames * channels));  // little-endian machines only
  for (std::int64_t f = 0; f < frames; ++f) {
    for (int c = 0; c < channels; ++c) {
      samples[std::size_t(f * channels + c)] = std::int16_t(std::lround(std::clamp(sample(f, c), -1.0, 1.0) * 32767));
    }
  }
  out.write(reinterpret_cast<const char*>(samples.data()), std::streamsize(samples.size() * 2));
}

WavData readWav(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  WavData wav;
  if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0) {
    return wav;
  }
  std::size_t at = 12;
  while (at + 8 <= bytes.size()) {
    const std::uint32_t size = get32(&bytes[at + 4]);
    const char* body = &bytes[at + 8];
    if (std::memcmp(&bytes[at], "fmt ", 4) == 0 && size >= 16) {
      wav.channels = get16(body + 2);
      wav.rate = get32(body + 4);
    } else if (std::memcmp(&bytes[at], "data", 4) == 0) {
      // parecord may leave the size open while it records: take what is there
      const std::size_t available = std::min<std::size_t>(size, bytes.size() - at - 8);
      wav.samples.resize(available / 2);
      std::memcpy(wav.samples.data(), body, wav.samples.size() * 2);
      break;
    }
    at += 8 + size + (size & 1);
  }
  return wav;
}

bool run(const std::string& commandLine) { return std::system(commandLine.c_str()) == 0; }

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tavelo-engine-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("cannot make a temporary folder");
  }
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

double zeroCrossingHz(const std::vector<std::int16_t>& interleaved, int channels, int channel, std::uint32_t rate) {
  std::vector<double> crossings;  // in frames, between samples
  const auto step = std::size_t(channels);
  for (std::size_t i = std::size_t(channel) + step; i < interleaved.size(); i += step) {
    const double before = interleaved[i - step], after = interleaved[i];
    if (before < 0 && after >= 0) {
      crossings.push_back(double(i / step) - after / (after - before));
    }
  }
  if (crossings.size() < 2) {
    return 0;
  }
  return double(crossings.size() - 1) * rate / (crossings.back() - crossings.front());
}

double toneShare(const std::vector<std::int16_t>& interleaved, int channels, int channel, std::uint32_t rate, double hz) {
  // Goertzel: the power at one frequency against the whole power of the block.
  const double coefficient = 2 * std::cos(2 * std::numbers::pi * hz / rate);
  double s1 = 0, s2 = 0, energy = 0;
  std::size_t n = 0;
  for (std::size_t i = std::size_t(channel); i < interleaved.size(); i += std::size_t(channels), ++n) {
    const double x = interleaved[i] / 32768.0;
    const double s0 = x + coefficient * s1 - s2;
    s2 = s1;
    s1 = s0;
    energy += x * x;
  }
  if (n == 0 || energy == 0) {
    return 0;
  }
  const double power = s1 * s1 + s2 * s2 - coefficient * s1 * s2;
  return 2 * power / (double(n) * energy);
}

}  // namespace tavelo::test
