// The FFmpeg plug-in: the lossless and modern formats the engine does not play by itself.
#include "engine.h"
#include "ffmpeg_source.h"
#include "plugin_api.h"

extern "C" {
#include <libavcodec/codec_id.h>
}

#include <cstring>

namespace {

using tavelo::engine::Source;

constexpr std::uint32_t kPluginVersion = 0x01000000;

constexpr TaveloPluginFormat kFormats[] = {
    {BASS_CTYPE_STREAM_FLAC, "FLAC", "*.flac"},
    {BASS_CTYPE_STREAM_APE, "Monkey's Audio", "*.ape"},
    {BASS_CTYPE_STREAM_WV, "WavPack", "*.wv"},
    {BASS_CTYPE_STREAM_AAC, "Advanced Audio Coding", "*.aac;*.m4a;*.mp4"},
    {BASS_CTYPE_STREAM_OPUS, "Opus", "*.opus"},
    {BASS_CTYPE_STREAM_WMA, "Windows Media Audio", "*.wma"},
};

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

Source* asSource(void* source) { return static_cast<Source*>(source); }

int64_t readFrames(void* source, float* frames, int64_t count) { return asSource(source)->read(frames, count); }
int seekFrame(void* source, int64_t frame) { return asSource(source)->seek(frame) ? 1 : 0; }
uint64_t filePosition(void* source, uint32_t mode) { return asSource(source)->filePosition(mode); }
int64_t lengthFrames(void* source) { return asSource(source)->lengthFrames(); }
void closeSource(void* source) { delete asSource(source); }

constexpr TaveloSourceOps kOps{sizeof(TaveloSourceOps), readFrames, seekFrame, filePosition, lengthFrames, closeSource};

void* openFile(const char* path, uint32_t, TaveloSourceInfo* info, int* error) {
  auto opened = tavelo::engine::openFfmpegSource(path, classify);
  if (!opened.source) {
    *error = opened.error;
    return nullptr;
  }
  const auto format = opened.source->format();
  info->rate = format.rate;
  info->channels = format.channels;
  info->ctype = format.ctype;
  info->origres = format.origres;
  info->length_frames = opened.source->lengthFrames();
  return opened.source.release();
}

constexpr TaveloPlugin kPlugin{sizeof(TaveloPlugin), kPluginVersion, std::size(kFormats), kFormats, &kOps, openFile, nullptr};

}  // namespace

extern "C" __attribute__((visibility("default"))) const TaveloPlugin* tavelo_plugin_entry(uint32_t engine_api_version) {
  return engine_api_version == TAVELO_PLUGIN_API_VERSION ? &kPlugin : nullptr;
}
