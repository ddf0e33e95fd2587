// Ogg Vorbis through libvorbisfile: exact length from the granule positions, sample-exact seeking.
#pragma once

#include "engine/file_input.h"
#include "engine/source.h"

#include <memory>

namespace tavelo::engine {

// Takes over `file`; BASS_ERROR_FILEFORM when it is no Ogg Vorbis file (an Ogg file of another
// codec included).
SourceOpening openVorbisSource(std::unique_ptr<FileInput>& file);

}  // namespace tavelo::engine
