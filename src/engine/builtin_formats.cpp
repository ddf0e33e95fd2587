#include "builtin_formats.h"

#include "engine.h"

extern "C" {
#include <libavcodec/codec_id.h>
}

#include <cstring>

namespace tavelo::engine {
namespace {

bool isPcm(int codecId) {
  return codecId >= AV_CODEC_ID_FIRST_AUDIO && codecId < AV_CODEC_ID_ADPCM_IMA_QT;
}

bool isFloatPcm(int codecId) {
  return codecId == AV_CODEC_ID_PCM_F32LE || codecId == AV_CODEC_ID_PCM_F32BE || codecId == AV_CODEC_ID_PCM_F64LE ||
         codecId == AV_CODEC_ID_PCM_F64BE;
}

}  // namespace

std::uint32_t classifyBuiltIn(int codecId, const char* demuxer) {
  switch (codecId) {
    case AV_CODEC_ID_MP3: return BASS_CTYPE_STREAM_MP3;
    case AV_CODEC_ID_MP2: return BASS_CTYPE_STREAM_MP2;
    case AV_CODEC_ID_MP1: return BASS_CTYPE_STREAM_MP1;
    case AV_CODEC_ID_VORBIS: return std::strcmp(demuxer, "ogg") == 0 ? std::uint32_t{BASS_CTYPE_STREAM_OGG} : 0;
    default: break;
  }
  if (!isPcm(codecId)) {
    return 0;
  }
  if (std::strcmp(demuxer, "wav") == 0) {
    return isFloatPcm(codecId) ? BASS_CTYPE_STREAM_WAV_FLOAT : BASS_CTYPE_STREAM_WAV_PCM;
  }
  return std::strcmp(demuxer, "aiff") == 0 ? std::uint32_t{BASS_CTYPE_STREAM_AIFF} : 0;
}

}  // namespace tavelo::engine
