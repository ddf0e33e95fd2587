// The engine's WAVE and AIFF reader, through its own file input: any file is refused or opens
// to a source that reads to its end and seeks within its length.
#include "fuzz_input.h"
#include "engine/pcm_source.h"

#include <cstdlib>
#include <vector>

namespace {

using tavelo::engine::FileInput;
using tavelo::engine::SourceOpening;

constexpr std::int64_t kChunkFrames = 1024;
constexpr int kMaxChunks = 64;  // enough for every small input; a huge claimed length is not read out

void readThrough(tavelo::engine::Source& source) {
  const tavelo::engine::SourceFormat format = source.format();
  if (format.channels < 1 || format.channels > 64) std::abort();
  std::vector<float> buffer(std::size_t(kChunkFrames * format.channels));
  for (int chunk = 0; chunk < kMaxChunks; ++chunk) {
    const std::int64_t got = source.read(buffer.data(), kChunkFrames);
    if (got < 0 || got > kChunkFrames) std::abort();
    if (got == 0) break;
  }
  const std::int64_t length = source.lengthFrames();
  if (length > 0) source.seek(length / 2);
  source.read(buffer.data(), kChunkFrames);
  source.filePosition(0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = tavelo::fuzz::writeInputFile("sound", data, size);
  for (auto open : {tavelo::engine::openWaveSource, tavelo::engine::openAiffSource}) {
    auto file = std::make_unique<FileInput>(path.c_str());
    if (!file->valid()) std::abort();
    SourceOpening opening = open(file);
    if (opening.source) readThrough(*opening.source);
  }
  return 0;
}
