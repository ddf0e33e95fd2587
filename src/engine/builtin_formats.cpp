#include "engine/builtin_formats.h"

#include "engine/engine.h"
#include "engine/file_input.h"
#include "engine/mpeg_source.h"
#include "engine/pcm_source.h"
#include "engine/vorbis_source.h"

#include <cstring>

namespace tavelo::engine {
namespace {

using Opener = SourceOpening (*)(std::unique_ptr<FileInput>&);

// The opener that the file's first bytes name; MPEG audio has no such mark.
Opener openerByMark(const FileInput& file) {
  char head[12] = {};
  file.readAt(0, head, sizeof head);
  if (std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WAVE", 4) == 0) {
    return openWaveSource;
  }
  if (std::memcmp(head, "FORM", 4) == 0) {
    return openAiffSource;
  }
  if (std::memcmp(head, "OggS", 4) == 0) {
    return openVorbisSource;
  }
  return nullptr;
}

}  // namespace

SourceOpening openBuiltInSource(const char* path) {
  auto file = std::make_unique<FileInput>(path);
  if (!file->valid()) {
    return {nullptr, file->error()};
  }
  if (const Opener opener = openerByMark(*file)) {
    SourceOpening opened = opener(file);
    if (opened.error != BASS_ERROR_FILEFORM) {
      return opened;
    }
  }
  // Also for a WAVE file of another encoding: it may carry MPEG audio.
  return openMpegSource(file);
}

}  // namespace tavelo::engine
