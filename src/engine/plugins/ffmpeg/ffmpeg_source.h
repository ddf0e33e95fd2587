// Decodes a file with FFmpeg into interleaved float frames, frame-exact in length and seeking.
#pragma once

#include "engine/source.h"

namespace tavelo::engine {

// Decides whether a stream is ours to play: returns the channel type for an accepted codec
// (FFmpeg codec id) inside a container (FFmpeg demuxer name), 0 to refuse it.
using CodecClassifier = std::uint32_t (*)(int codecId, const char* demuxer);

SourceOpening openFfmpegSource(const char* path, CodecClassifier classify);

}  // namespace tavelo::engine
