// The FFmpeg plug-in: the lossless and modern formats the engine does not play by itself. This
// library only names its formats and recognises their files; FFmpeg itself lives in the decoder
// module, loaded the first time such a file is opened.
#include "engine/plugins/ffmpeg/decoder_module.h"
#include "engine/engine.h"
#include "engine/plugins/ffmpeg/file_match.h"
#include "engine/plugins/module_beside.h"
#include "engine/plugin_api.h"

#include <mutex>

namespace {

using tavelo::engine::OpenDecoderSource;
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

Source* asSource(void* source) { return static_cast<Source*>(source); }

int64_t readFrames(void* source, float* frames, int64_t count) { return asSource(source)->read(frames, count); }
int seekFrame(void* source, int64_t frame) { return asSource(source)->seek(frame) ? 1 : 0; }
uint64_t filePosition(void* source, uint32_t mode) { return asSource(source)->filePosition(mode); }
int64_t lengthFrames(void* source) { return asSource(source)->lengthFrames(); }
void closeSource(void* source) { delete asSource(source); }

constexpr TaveloSourceOps kOps{sizeof(TaveloSourceOps), readFrames, seekFrame, filePosition, lengthFrames, closeSource, nullptr};

// Null when the module is missing or broken; tried again at the next file.
OpenDecoderSource decoder() {
  static std::mutex mutex;
  static OpenDecoderSource entry = nullptr;
  std::lock_guard lock(mutex);
  if (entry == nullptr) {
    entry = reinterpret_cast<OpenDecoderSource>(
        tavelo::plugins::loadModuleBeside(reinterpret_cast<const void*>(&decoder), TAVELO_FFMPEG_DECODER_PATH, TAVELO_FFMPEG_DECODER_ENTRY));
  }
  return entry;
}

void* openFile(const char* path, uint32_t, TaveloSourceInfo* info, int* error) {
  const OpenDecoderSource open = tavelo::ffmpeg::mayBeOurs(path, kFormats) ? decoder() : nullptr;
  *error = BASS_ERROR_FILEFORM;
  Source* source = open != nullptr ? open(path, error) : nullptr;
  if (source == nullptr) {
    return nullptr;
  }
  const auto format = source->format();
  info->rate = format.rate;
  info->channels = format.channels;
  info->ctype = format.ctype;
  info->origres = format.origres;
  info->length_frames = source->lengthFrames();
  return source;
}

constexpr TaveloPlugin kPlugin{sizeof(TaveloPlugin), kPluginVersion, std::size(kFormats), kFormats, &kOps, openFile, nullptr};

}  // namespace

extern "C" __attribute__((visibility("default"))) const TaveloPlugin* tavelo_plugin_entry(uint32_t engine_api_version) {
  return engine_api_version == TAVELO_PLUGIN_API_VERSION ? &kPlugin : nullptr;
}
