// The decoding half of the FFmpeg plug-in: the only part that links FFmpeg.
#include "engine/plugins/ffmpeg/decoder_module.h"

#include "engine/engine.h"
#include "engine/plugins/ffmpeg/ffmpeg_source.h"

extern "C" {
#include <libavcodec/codec_id.h>
}

#include <cstring>
#include <type_traits>

namespace {

std::uint32_t classify(int codecId, const char* demuxer) {
  switch (codecId) {
    case AV_CODEC_ID_FLAC: return BASS_CTYPE_STREAM_FLAC;
    case AV_CODEC_ID_APE: return BASS_CTYPE_STREAM_APE;
    case AV_CODEC_ID_WAVPACK: return BASS_CTYPE_STREAM_WV;
    case AV_CODEC_ID_AAC:
    case AV_CODEC_ID_ALAC: return std::strcmp(demuxer, "aac") == 0 ? BASS_CTYPE_STREAM_AAC : BASS_CTYPE_STREAM_MP4;
    case AV_CODEC_ID_OPUS: return BASS_CTYPE_STREAM_OPUS;
    case AV_CODEC_ID_WMAV1:
    case AV_CODEC_ID_WMAV2:
    case AV_CODEC_ID_WMAPRO:
    case AV_CODEC_ID_WMALOSSLESS: return BASS_CTYPE_STREAM_WMA;
    default: return 0;
  }
}

}  // namespace

extern "C" __attribute__((visibility("default"))) tavelo::engine::Source* tavelo_ffmpeg_decoder_open_v1(const char* path, int* error) {
  auto opened = tavelo::engine::openFfmpegSource(path, classify);
  *error = opened.error;
  return opened.source.release();
}

static_assert(std::is_same_v<decltype(&tavelo_ffmpeg_decoder_open_v1), tavelo::engine::OpenDecoderSource>);

extern "C" __attribute__((visibility("default"))) tavelo::engine::Source* tavelo_ffmpeg_decoder_open_stream_v1(
    const TaveloByteStream* stream, const char* contentType, int* error) {
  auto opened = tavelo::engine::openFfmpegStream(stream, contentType, classify);
  *error = opened.error;
  return opened.source.release();
}

static_assert(std::is_same_v<decltype(&tavelo_ffmpeg_decoder_open_stream_v1), tavelo::engine::OpenDecoderStream>);
