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
using tavelo::engine::OpenDecoderStream;
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

// The decoder module's entry of that name; null when the module is missing or broken (tried
// again at the next file).
template <typename Entry>
Entry decoderEntry(const char* name) {
  static std::mutex mutex;
  std::lock_guard lock(mutex);
  return reinterpret_cast<Entry>(
      tavelo::plugins::loadModuleBeside(reinterpret_cast<const void*>(&decoderEntry<Entry>), TAVELO_FFMPEG_DECODER_PATH, name));
}

// Fills in what the engine is told about an opened source.
void* describe(Source* source, TaveloSourceInfo* info) {
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

void* openFile(const char* path, uint32_t, TaveloSourceInfo* info, int* error) {
  const auto open = tavelo::ffmpeg::mayBeOurs(path, kFormats) ? decoderEntry<OpenDecoderSource>(TAVELO_FFMPEG_DECODER_ENTRY) : nullptr;
  *error = BASS_ERROR_FILEFORM;
  return describe(open != nullptr ? open(path, error) : nullptr, info);
}

void* openStream(const TaveloByteStream* stream, const char* contentType, uint32_t, TaveloSourceInfo* info, int* error) {
  const auto open = decoderEntry<OpenDecoderStream>(TAVELO_FFMPEG_DECODER_STREAM_ENTRY);
  *error = BASS_ERROR_FILEFORM;
  return describe(open != nullptr ? open(stream, contentType, error) : nullptr, info);
}

constexpr TaveloPlugin kPlugin{sizeof(TaveloPlugin), kPluginVersion, std::size(kFormats), kFormats, &kOps, openFile, nullptr, openStream};

}  // namespace

extern "C" __attribute__((visibility("default"))) const TaveloPlugin* tavelo_plugin_entry(uint32_t engine_api_version) {
  return engine_api_version == TAVELO_PLUGIN_API_VERSION ? &kPlugin : nullptr;
}
