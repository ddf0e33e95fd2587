// Decodes a file with FFmpeg into interleaved float frames, frame-exact in length and seeking.
#pragma once

#include "engine/plugin_api.h"
#include "engine/source.h"

namespace tavelo::engine {

// Decides whether a stream is ours to play: returns the channel type for an accepted codec
// (FFmpeg codec id) inside a container (FFmpeg demuxer name), 0 to refuse it.
using CodecClassifier = std::uint32_t (*)(int codecId, const char* demuxer);

SourceOpening openFfmpegSource(const char* path, CodecClassifier classify);

// Bytes that arrive over time, read once in order through a custom input (no seeking, no length);
// an AAC content type ("audio/aac", "audio/aacp") names the ADTS format, else the bytes are probed.
SourceOpening openFfmpegStream(const TaveloByteStream* stream, const char* contentType, CodecClassifier classify);

}  // namespace tavelo::engine
