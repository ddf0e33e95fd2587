// The MIDI calls: font handles and font sets, on top of the MIDI plug-in's extension.
#include "engine/engine.h"

#include "engine/addon_support.h"
#include "engine/plugins/midi/midi_extension.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

namespace tavelo::engine {
namespace {

struct LoadedFont {
  std::shared_ptr<void> owner;  // the plug-in's extension, kept loaded while the font lives
  void* font;
};

struct MidiState {
  std::mutex mutex;
  std::map<HSOUNDFONT, LoadedFont> fonts;
  HSOUNDFONT nextFont = 0x30000;
  std::vector<BASS_MIDI_FONT> defaults;
  std::map<HSTREAM, void*> sources;  // the plug-in's source behind each MIDI stream
};

MidiState& state() {
  static MidiState instance;
  return instance;
}

template <typename T>
T answer(int error, T value) {
  setLastError(error);
  return value;
}

const TaveloMidiExtension* asExtension(const std::shared_ptr<void>& found) {
  const auto* extension = static_cast<const TaveloMidiExtension*>(found.get());
  return extension != nullptr && extension->size >= sizeof(TaveloMidiExtension) ? extension : nullptr;
}

std::shared_ptr<void> midiPlugin() { return pluginExtension(TAVELO_MIDI_EXTENSION); }

// Font records as the plug-in takes them; null when a record names no font of ours.
std::optional<std::vector<TaveloMidiFontRef>> pluginRefs(const MidiState& s, const BASS_MIDI_FONT* fonts, DWORD count) {
  std::vector<TaveloMidiFontRef> refs;
  for (DWORD i = 0; i < count; ++i) {
    const auto it = s.fonts.find(fonts[i].font);
    if (it == s.fonts.end()) {
      return std::nullopt;
    }
    refs.push_back({it->second.font, fonts[i].preset, fonts[i].bank});
  }
  return refs;
}

int setDefaults(MidiState& s, const TaveloMidiExtension& midi, std::vector<BASS_MIDI_FONT> fonts) {
  const auto refs = pluginRefs(s, fonts.data(), static_cast<DWORD>(fonts.size()));
  if (!refs) {
    return BASS_ERROR_HANDLE;
  }
  const int error = midi.set_default_fonts(refs->data(), static_cast<std::uint32_t>(refs->size()));
  if (error == BASS_OK) {
    s.defaults = std::move(fonts);
  }
  return error;
}

void* sourceOf(MidiState& s, HSTREAM handle) {
  std::erase_if(s.sources, [](const auto& entry) {
    BASS_CHANNELINFO info{};
    return !BASS_ChannelGetInfo(entry.first, &info);
  });
  const auto it = s.sources.find(handle);
  return it != s.sources.end() ? it->second : nullptr;
}

int setStreamFonts(MidiState& s, const TaveloMidiExtension& midi, HSTREAM handle, const BASS_MIDI_FONT* fonts, DWORD count) {
  const auto refs = pluginRefs(s, fonts, count);
  if (!refs) {
    return BASS_ERROR_HANDLE;
  }
  BASS_CHANNELINFO info{};
  if (!BASS_ChannelGetInfo(handle, &info)) {
    return BASS_ERROR_HANDLE;
  }
  void* source = sourceOf(s, handle);
  return source != nullptr ? midi.set_source_fonts(source, refs->data(), count) : BASS_ERROR_ILLTYPE;
}

}  // namespace
}  // namespace tavelo::engine

using namespace tavelo::engine;

extern "C" {

HSOUNDFONT BASS_MIDI_FontInit(const void* file, DWORD) {
  const auto plugin = midiPlugin();
  const TaveloMidiExtension* midi = asExtension(plugin);
  if (midi == nullptr) {
    return answer(BASS_ERROR_NOTAVAIL, HSOUNDFONT{0});
  }
  int error = BASS_ERROR_FILEOPEN;
  void* font = midi->font_open(static_cast<const char*>(file), &error);
  if (font == nullptr) {
    return answer(error, HSOUNDFONT{0});
  }
  MidiState& s = state();
  std::lock_guard lock(s.mutex);
  const HSOUNDFONT handle = s.nextFont++;
  s.fonts.emplace(handle, LoadedFont{plugin, font});
  return answer(BASS_OK, handle);
}

// A freed font leaves the defaults at once; streams that use it keep it until they are freed.
BOOL BASS_MIDI_FontFree(HSOUNDFONT handle) {
  MidiState& s = state();
  std::lock_guard lock(s.mutex);
  const auto it = s.fonts.find(handle);
  if (it == s.fonts.end()) {
    return answer(BASS_ERROR_HANDLE, BOOL{0});
  }
  const LoadedFont freed = it->second;
  const auto* midi = asExtension(freed.owner);
  std::vector<BASS_MIDI_FONT> rest = s.defaults;
  std::erase_if(rest, [handle](const BASS_MIDI_FONT& f) { return f.font == handle; });
  if (rest.size() != s.defaults.size()) {
    setDefaults(s, *midi, std::move(rest));
  }
  s.fonts.erase(it);
  midi->font_release(freed.font);
  return answer(BASS_OK, BOOL{1});
}

BOOL BASS_MIDI_StreamSetFonts(HSTREAM handle, const BASS_MIDI_FONT* fonts, DWORD count) {
  const auto plugin = midiPlugin();
  const TaveloMidiExtension* midi = asExtension(plugin);
  if (midi == nullptr) {
    return answer(BASS_ERROR_NOTAVAIL, BOOL{0});
  }
  if (fonts == nullptr && count > 0) {
    return answer(BASS_ERROR_ILLPARAM, BOOL{0});
  }
  MidiState& s = state();
  std::lock_guard lock(s.mutex);
  const int error = handle == 0 ? setDefaults(s, *midi, std::vector<BASS_MIDI_FONT>(fonts, fonts + count))
                                : setStreamFonts(s, *midi, handle, fonts, count);
  return answer(error, BOOL{error == BASS_OK});
}

HSTREAM BASS_MIDI_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags, DWORD) {
  const auto plugin = midiPlugin();
  const TaveloMidiExtension* midi = asExtension(plugin);
  if (midi == nullptr) {
    return answer(BASS_ERROR_NOTAVAIL, HSTREAM{0});
  }
  midi->take_last_opened();
  const HSTREAM stream = BASS_StreamCreateFile(mem, file, offset, length, flags);
  if (stream == 0) {
    return 0;  // the engine has said why
  }
  void* source = midi->take_last_opened();
  if (source == nullptr) {
    BASS_StreamFree(stream);  // another decoder took it: not a MIDI file
    return answer(BASS_ERROR_FILEFORM, HSTREAM{0});
  }
  MidiState& s = state();
  std::lock_guard lock(s.mutex);
  s.sources[stream] = source;
  return answer(BASS_OK, stream);
}

}  // extern "C"
