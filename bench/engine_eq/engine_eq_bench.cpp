// engine_eq_bench  CPU seconds per minute of 44.1 kHz stereo: decoded through the engine (a
// decode-only channel, as float) with no effects and with the player's seven bands, and a plain
// loop of seven cascaded peaking biquads over the same samples, the least any equaliser costs.
// Best of 5. Target: the bands cost at most 1.5 times the plain loop.
#include "engine/engine.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t kRate = 44100;
constexpr std::int64_t kFrames = 60 * kRate;
constexpr int kRounds = 5;
constexpr std::array<float, 7> kCentres{80, 190, 440, 1000, 2400, 5600, 14000};
constexpr std::array<float, 7> kGains{6, -4, 3, -6, 5, -3, 8};  // none flat: every band works

double cpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// A minute of two tones and a little noise, 16-bit stereo.
std::vector<std::int16_t> minuteOfSound() {
  std::vector<std::int16_t> samples(std::size_t(kFrames) * 2);
  std::uint32_t noise = 1;
  for (std::int64_t f = 0; f < kFrames; ++f) {
    noise = noise * 1664525u + 1013904223u;
    const double t = double(f) / kRate;
    const double value = 0.3 * std::sin(2 * std::numbers::pi * 220 * t) + 0.2 * std::sin(2 * std::numbers::pi * 3000 * t) +
                         0.05 * (double(noise >> 8) / double(1 << 24) - 0.5);
    samples[std::size_t(2 * f)] = samples[std::size_t(2 * f + 1)] = std::int16_t(std::lround(value * 32767));
  }
  return samples;
}

void writeWav(const std::string& path, const std::vector<std::int16_t>& samples) {
  std::ofstream out(path, std::ios::binary);
  const auto put32 = [&](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
  const auto put16 = [&](std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
  const auto bytes = std::uint32_t(samples.size() * 2);
  out.write("RIFF", 4);
  put32(36 + bytes);
  out.write("WAVEfmt ", 8);
  put32(16);
  put16(1);
  put16(2);
  put32(kRate);
  put32(kRate * 4);
  put16(4);
  put16(16);
  out.write("data", 4);
  put32(bytes);
  out.write(reinterpret_cast<const char*>(samples.data()), std::streamsize(bytes));
}

double throughEngine(const std::string& path, bool withBands) {
  const double start = cpuSeconds();
  const HSTREAM stream = BASS_StreamCreateFile(0, path.c_str(), 0, 0, BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT);
  if (withBands) {
    for (std::size_t band = 0; band < kCentres.size(); ++band) {
      const HFX fx = BASS_ChannelSetFX(stream, BASS_FX_DX8_PARAMEQ, 1);
      const BASS_DX8_PARAMEQ params{kCentres[band], 18, kGains[band]};
      BASS_FXSetParameters(fx, &params);
    }
  }
  std::vector<float> buffer(16384);
  while (BASS_ChannelGetData(stream, buffer.data(), DWORD(buffer.size() * 4) | BASS_DATA_FLOAT) != DWORD(-1)) {
  }
  BASS_StreamFree(stream);
  return cpuSeconds() - start;
}

struct Biquad {
  double b0, b1, b2, a1, a2;
};

Biquad peaking(double centre, double gainDb) {
  const double a = std::pow(10.0, gainDb / 40);
  const double w0 = 2 * std::numbers::pi * centre / kRate;
  const double alpha = std::sin(w0) * std::sinh(std::numbers::ln2 / 2 * 1.5 * w0 / std::sin(w0));
  const double a0 = 1 + alpha / a;
  return {(1 + alpha * a) / a0, -2 * std::cos(w0) / a0, (1 - alpha * a) / a0, -2 * std::cos(w0) / a0, (1 - alpha / a) / a0};
}

// Seven biquads in a row over float samples, per channel, as any equaliser must run them.
double plainLoop(const std::vector<std::int16_t>& pcm) {
  std::vector<float> samples(pcm.size());
  std::transform(pcm.begin(), pcm.end(), samples.begin(), [](std::int16_t v) { return float(v) / 32768; });
  std::array<Biquad, 7> filters{};
  for (std::size_t band = 0; band < filters.size(); ++band) filters[band] = peaking(kCentres[band], kGains[band]);
  const double start = cpuSeconds();
  for (const Biquad& q : filters) {
    for (std::size_t channel = 0; channel < 2; ++channel) {
      double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
      for (std::size_t i = channel; i < samples.size(); i += 2) {
        const double x = samples[i];
        const double y = q.b0 * x + q.b1 * x1 + q.b2 * x2 - q.a1 * y1 - q.a2 * y2;
        x2 = x1, x1 = x, y2 = y1, y1 = y;
        samples[i] = float(y);
      }
    }
  }
  const double spent = cpuSeconds() - start;
  volatile float keep = samples[samples.size() / 2];
  (void)keep;
  return spent;
}

template <typename F>
double best(F run) {
  double least = 1e9;
  for (int round = 0; round < kRounds; ++round) least = std::min(least, run());
  return least;
}

}  // namespace

int main() {
  if (!BASS_Init(0, kRate, 0, nullptr, nullptr)) {
    std::fprintf(stderr, "engine did not start (error %d)\n", BASS_ErrorGetCode());
    return 1;
  }
  const std::vector<std::int16_t> pcm = minuteOfSound();
  const std::string path = "/tmp/tavelo_engine_eq_bench.wav";
  writeWav(path, pcm);
  const double plain = best([&] { return throughEngine(path, false); });
  const double bands = best([&] { return throughEngine(path, true); });
  const double loop = best([&] { return plainLoop(pcm); });
  std::remove(path.c_str());
  BASS_Free();
  std::printf("CPU seconds per minute of 44.1 kHz stereo (best of %d)\n", kRounds);
  std::printf("  engine, no effects        %.3f\n", plain);
  std::printf("  engine, seven bands       %.3f\n", bands);
  std::printf("  the bands' share          %.3f\n", bands - plain);
  std::printf("  plain biquad loop         %.3f\n", loop);
  std::printf("  bands / plain loop        %.2f   (target: at most 1.50)\n", (bands - plain) / loop);
  return 0;
}
