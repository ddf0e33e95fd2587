// MPEG audio layers 1 to 3 through libmpg123: gapless (the encoder's delay and padding that a
// LAME/Xing header records are dropped), sample-exact seeking.
#pragma once

#include "engine/file_input.h"
#include "engine/net/stream_input.h"
#include "engine/source.h"

#include <memory>

namespace tavelo::engine {

// True when the file's sound starts (after ID3v2 tags and a little junk) with a run of MPEG audio
// frames that follow one another: what tells an MP3 from text or from another format's data.
bool looksLikeMpegAudio(const FileInput& file);

// Takes over `file`; BASS_ERROR_FILEFORM when it holds no MPEG audio.
SourceOpening openMpegSource(std::unique_ptr<FileInput>& file);

// MPEG audio arriving over time (a net stream), read through `input` as it comes: no length, no
// seeking. Returns once the first frame's format is known; BASS_ERROR_FILEFORM when the first
// `searchBytes` hold no MPEG audio. `input` must outlive the source.
SourceOpening openMpegStream(StreamInput& input, std::size_t searchBytes);

}  // namespace tavelo::engine
