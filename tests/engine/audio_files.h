// Makes the audio files the engine tests play: WAVE files written here, every other format
// encoded from them by the Debian command-line encoders at test time.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tavelo::test {

// One sample of channel `channel` at frame `frame`, in -1..1.
using SampleFunction = std::function<double(std::int64_t frame, int channel)>;

SampleFunction sine(double hz, std::uint32_t rate, double amplitude = 0.5);

// 16-bit PCM WAVE.
void writeWav(const std::string& path, std::uint32_t rate, int channels, std::int64_t frames, const SampleFunction& sample);

struct WavData {
  std::uint32_t rate = 0;
  int channels = 0;
  std::vector<std::int16_t> samples;  // interleaved
};
// Reads a 16-bit PCM WAVE (as parecord writes it); empty samples when unreadable.
WavData readWav(const std::string& path);

// Runs a command line through the shell; true when it exits with 0.
bool run(const std::string& commandLine);

// A fresh folder under the system's temporary folder, removed with its contents by the destructor.
class TempDir {
public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  const std::string& path() const { return path_; }

private:
  std::string path_;
};

// The frequency of a tone in one channel, from its upward zero crossings over whole periods
// (0 when there are fewer than two).
double zeroCrossingHz(const std::vector<std::int16_t>& interleaved, int channels, int channel, std::uint32_t rate);

// Strength of `hz` in the samples of one channel relative to their whole energy (0..1).
double toneShare(const std::vector<std::int16_t>& interleaved, int channels, int channel, std::uint32_t rate, double hz);

}  // namespace tavelo::test
