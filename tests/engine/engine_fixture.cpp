#include "engine_fixture.h"

namespace tavelo::test {

std::int64_t decodeToEnd(HSTREAM stream, std::uint32_t channels, std::vector<float>* samples) {
  std::vector<float> buffer(4096);
  const DWORD request = DWORD(buffer.size() * sizeof(float)) | BASS_DATA_FLOAT;
  std::int64_t bytes = 0;
  while (true) {
    const DWORD got = BASS_ChannelGetData(stream, buffer.data(), request);
    if (got == DWORD(-1)) {
      break;
    }
    bytes += got;
    if (samples != nullptr) {
      samples->insert(samples->end(), buffer.begin(), buffer.begin() + got / sizeof(float));
    }
  }
  return bytes / std::int64_t(channels * sizeof(float));
}

bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) {
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

double positionSeconds(HSTREAM stream) {
  return BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetPosition(stream, BASS_POS_BYTE));
}

}  // namespace tavelo::test
