// The formats the engine plays without plug-ins: MPEG audio layers 1-3, Ogg Vorbis, WAVE, AIFF.
#pragma once

#include "engine/source.h"

namespace tavelo::engine {

// Opens `path` as one of them; BASS_ERROR_FILEFORM when it is none (a plug-in may take it),
// BASS_ERROR_FILEOPEN when it cannot be read.
SourceOpening openBuiltInSource(const char* path);

}  // namespace tavelo::engine
