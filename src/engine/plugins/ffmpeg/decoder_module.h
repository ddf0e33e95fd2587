// The FFmpeg plug-in's decoding half, a separate shared module ("ffmpeg/decoder.so" beside the
// plug-in) so that FFmpeg is mapped only once a file is really opened through the plug-in.
#pragma once

#include "engine/plugin_api.h"
#include "engine/source.h"

#include <cstdint>

namespace tavelo::engine {

// Opens a file the plug-in plays; null with *error set to an engine error code. The module stays
// loaded for as long as the process runs, so the source may outlive every plug-in handle.
using OpenDecoderSource = Source* (*)(const char* path, int* error);
// Opens bytes that arrive over time (a net stream) that the plug-in plays, with the server's
// content type (may be null); the stream stays valid until the source is closed.
using OpenDecoderStream = Source* (*)(const TaveloByteStream* stream, const char* contentType, int* error);

}  // namespace tavelo::engine

// The symbol name carries the interface version: a module built for another one is not found.
#define TAVELO_FFMPEG_DECODER_ENTRY "tavelo_ffmpeg_decoder_open_v1"
#define TAVELO_FFMPEG_DECODER_STREAM_ENTRY "tavelo_ffmpeg_decoder_open_stream_v1"
#define TAVELO_FFMPEG_DECODER_PATH "ffmpeg/decoder.so"
