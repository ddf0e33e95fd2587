// Uncompressed sound files read by the engine itself: WAVE (integer PCM of 8 to 32 bits, IEEE
// float, WAVE_FORMAT_EXTENSIBLE) and AIFF/AIFC (big-endian PCM, "sowt", "fl32", "fl64").
#pragma once

#include "engine/file_input.h"
#include "engine/source.h"

#include <memory>

namespace tavelo::engine {

// Takes over `file` when it is a WAVE file of those encodings; BASS_ERROR_FILEFORM otherwise.
SourceOpening openWaveSource(std::unique_ptr<FileInput>& file);
// Likewise for AIFF and AIFC.
SourceOpening openAiffSource(std::unique_ptr<FileInput>& file);

}  // namespace tavelo::engine
