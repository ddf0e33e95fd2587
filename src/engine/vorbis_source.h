// Ogg Vorbis through libvorbisfile: exact length from the granule positions, sample-exact seeking.
#pragma once

#include "engine/file_input.h"
#include "engine/net/stream_input.h"
#include "engine/source.h"

#include <memory>

namespace tavelo::engine {

// Takes over `file`; BASS_ERROR_FILEFORM when it is no Ogg Vorbis file (an Ogg file of another
// codec included).
SourceOpening openVorbisSource(std::unique_ptr<FileInput>& file);

// Ogg Vorbis arriving over time (a net stream), chained streams included: no length, no seeking.
// Each logical stream's comments are a mark (BASS_TAG_OGG) where its sound starts, with
// BASS_SYNC_OGG_CHANGE from the second on. `input` must outlive the source.
SourceOpening openVorbisStream(StreamInput& input);

}  // namespace tavelo::engine
