// The MIDI plug-in: standard MIDI files played through SoundFonts. Without fonts of its own a file
// plays through the system's General MIDI font. This library reads the files and checks the fonts;
// the synthesiser (FluidSynth) lives in a module loaded for the first MIDI stream.
#include "engine/engine.h"
#include "engine/plugins/midi/midi_extension.h"
#include "engine/plugins/module_beside.h"
#include "engine/plugin_api.h"
#include "engine/plugins/midi/smf.h"
#include "engine/plugins/midi/soundfont_check.h"
#include "engine/plugins/midi/synth_module.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tavelo::midi {
namespace {

constexpr std::uint32_t kPluginVersion = 0x01000000;
constexpr DWORD kCtypeMidi = 0x10d00;
constexpr std::streamsize kMaxFileBytes = 64 << 20;
constexpr const char* kSystemFont = "/usr/share/sounds/sf2/default-GM.sf2";

constexpr TaveloPluginFormat kFormats[] = {
    {kCtypeMidi, "MIDI", "*.mid;*.midi;*.rmi;*.kar"},
};

struct Font {
  std::string path;
};

struct FontChoice {
  std::shared_ptr<const Font> font;
  int bank = 0;
};
using FontSet = std::vector<FontChoice>;

class MidiSource;

// The plug-in's shared state. It is never destroyed: a stream still open when the process exits
// is closed by the engine's own teardown, which may come after this library's.
struct Shared {
  std::mutex defaultsMutex;
  FontSet defaults;
  std::mutex sourcesMutex;
  std::set<MidiSource*> openSources;  // so that a font call never reaches a closed source
};

Shared& shared() {
  static Shared* instance = new Shared;
  return *instance;
}

FontSet fontSetOf(const TaveloMidiFontRef* refs, std::uint32_t count) {
  FontSet set;
  for (std::uint32_t i = 0; i < count; ++i) {
    set.push_back({*static_cast<const std::shared_ptr<const Font>*>(refs[i].font), refs[i].bank});
  }
  return set;
}

bool validRefs(const TaveloMidiFontRef* refs, std::uint32_t count) {
  return (refs != nullptr || count == 0) &&
         std::all_of(refs, refs + count, [](const TaveloMidiFontRef& r) { return r.font != nullptr && r.preset == -1 && r.bank >= 0; });
}

// A MIDI file starts "MThd", or "RIFF" when wrapped as RMID; other files are not read whole.
bool looksLikeMidi(std::ifstream& in) {
  char magic[4] = {};
  in.read(magic, sizeof magic);
  return in && (std::string_view(magic, 4) == "MThd" || std::string_view(magic, 4) == "RIFF");
}

std::vector<std::uint8_t> readFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  if (!looksLikeMidi(in)) {
    return {};
  }
  in.seekg(0, std::ios::end);
  const std::streamsize size = in ? static_cast<std::streamsize>(in.tellg()) : -1;
  if (size <= 0 || size > kMaxFileBytes) {
    return {};
  }
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  in.seekg(0);
  in.read(reinterpret_cast<char*>(bytes.data()), size);
  return in ? bytes : std::vector<std::uint8_t>{};
}

// Null when the synthesiser's module is missing or broken; tried again next time.
const SynthModule* synthModule() {
  static std::mutex mutex;
  static const SynthModule* module = nullptr;
  std::lock_guard lock(mutex);
  if (module == nullptr) {
    const auto entry = reinterpret_cast<SynthModuleEntry>(
        plugins::loadModuleBeside(reinterpret_cast<const void*>(&synthModule), TAVELO_MIDI_SYNTH_PATH, TAVELO_MIDI_SYNTH_ENTRY));
    module = entry != nullptr ? entry() : nullptr;
  }
  return module;
}

// The files a font set names, in its order; an empty set means the system's General MIDI font.
std::vector<FontFile> filesOf(const FontSet& set) {
  if (set.empty()) {
    return {{kSystemFont, 0}};
  }
  std::vector<FontFile> files;
  for (const FontChoice& choice : set) {
    files.push_back({choice.font->path.c_str(), choice.bank});
  }
  return files;
}

bool loadFonts(Synth& synth, const FontSet& set) {
  const std::vector<FontFile> files = filesOf(set);
  return synth.loadFonts(files.data(), files.size());
}

class MidiSource {
public:
  static std::unique_ptr<MidiSource> open(const char* path, std::uint32_t flags, int* error) {
    std::vector<std::uint8_t> file = readFile(path);
    const auto smf = unwrapRmid(file);
    auto timeline = SmfTimeline::parse(smf);
    if (!timeline) {
      *error = BASS_ERROR_FILEFORM;
      return nullptr;
    }
    const SynthModule* module = synthModule();
    std::unique_ptr<Synth> synth(module != nullptr ? module->create(smf.data(), smf.size(), (flags & BASS_MIDI_NOFX) == 0) : nullptr);
    if (!synth) {
      *error = BASS_ERROR_NOTAVAIL;
      return nullptr;
    }
    FontSet fonts;
    {
      std::lock_guard lock(shared().defaultsMutex);
      fonts = shared().defaults;
    }
    if (!loadFonts(*synth, fonts)) {
      *error = BASS_ERROR_NOTAVAIL;  // no system font, or fonts whose insides are damaged
      return nullptr;
    }
    return std::unique_ptr<MidiSource>(new MidiSource(std::move(synth), *timeline, smf.size()));
  }

  std::int64_t length() const { return length_; }

  std::int64_t read(float* frames, std::int64_t count) {
    std::lock_guard lock(mutex_);
    const std::int64_t n = std::clamp<std::int64_t>(count, 0, length_ - position_);
    synth_->render(frames, n);
    position_ += n;
    return n;
  }

  bool seek(std::int64_t frame) {
    std::lock_guard lock(mutex_);
    if (frame < 0 || frame > length_ || !synth_->seekTick(static_cast<int>(timeline_.tickAt(double(frame) / kSynthRate)))) {
      return false;
    }
    position_ = frame;
    return true;
  }

  std::uint64_t filePosition(std::uint32_t mode) const {
    return mode == BASS_FILEPOS_CURRENT || mode == BASS_FILEPOS_END ? smfBytes_ : UINT64_MAX;
  }

  int setFonts(const FontSet& fonts) {
    std::lock_guard lock(mutex_);
    return loadFonts(*synth_, fonts) ? BASS_OK : BASS_ERROR_FILEOPEN;
  }

private:
  MidiSource(std::unique_ptr<Synth> synth, const SmfTimeline& timeline, std::size_t smfBytes)
      : synth_(std::move(synth)), timeline_(timeline), smfBytes_(smfBytes),
        length_(std::llround(timeline_.seconds() * kSynthRate)) {}

  const std::unique_ptr<Synth> synth_;
  const SmfTimeline timeline_;
  const std::size_t smfBytes_;
  std::mutex mutex_;
  const std::int64_t length_;
  std::int64_t position_ = 0;
};

thread_local MidiSource* lastOpened = nullptr;

MidiSource* asSource(void* source) { return static_cast<MidiSource*>(source); }

int64_t readFrames(void* source, float* frames, int64_t count) { return asSource(source)->read(frames, count); }
int seekFrame(void* source, int64_t frame) { return asSource(source)->seek(frame) ? 1 : 0; }
uint64_t filePosition(void* source, uint32_t mode) { return asSource(source)->filePosition(mode); }
int64_t lengthFrames(void* source) { return asSource(source)->length(); }

void closeSource(void* source) {
  {
    std::lock_guard lock(shared().sourcesMutex);
    shared().openSources.erase(asSource(source));
  }
  if (lastOpened == source) {
    lastOpened = nullptr;
  }
  delete asSource(source);
}

constexpr TaveloSourceOps kOps{sizeof(TaveloSourceOps), readFrames, seekFrame, filePosition, lengthFrames, closeSource, nullptr};

void* openFile(const char* path, uint32_t flags, TaveloSourceInfo* info, int* error) {
  auto source = MidiSource::open(path, flags, error);
  if (!source) {
    return nullptr;
  }
  info->rate = kSynthRate;
  info->channels = 2;
  info->ctype = kCtypeMidi;
  info->origres = 0;
  info->length_frames = source->length();
  std::lock_guard lock(shared().sourcesMutex);
  lastOpened = source.get();
  shared().openSources.insert(source.get());
  return source.release();
}

// Whether a font file opens: a SoundFont is checked here, by its chunks, and loaded into a
// synthesiser only when a stream needs it; other kinds need the synthesiser to tell.
int fontFileError(const char* path) {
  if (path == nullptr || !std::ifstream(path)) {
    return BASS_ERROR_FILEOPEN;
  }
  switch (checkFontFile(path)) {
    case FontKind::SoundFont: return BASS_OK;
    case FontKind::Unusable: return BASS_ERROR_FILEFORM;
    case FontKind::Other: break;
  }
  const SynthModule* module = synthModule();
  return module != nullptr && module->opensFont(path) ? BASS_OK : BASS_ERROR_FILEFORM;
}

// Font handles handed out are owners of a shared font, so a font set keeps what it uses.
void* fontOpen(const char* path, int* error) {
  *error = fontFileError(path);
  return *error == BASS_OK ? new std::shared_ptr<const Font>(std::make_shared<const Font>(Font{path})) : nullptr;
}

void fontRelease(void* font) { delete static_cast<std::shared_ptr<const Font>*>(font); }

int setDefaultFonts(const TaveloMidiFontRef* fonts, uint32_t count) {
  if (!validRefs(fonts, count)) {
    return BASS_ERROR_ILLPARAM;
  }
  FontSet set = fontSetOf(fonts, count);
  std::lock_guard lock(shared().defaultsMutex);
  shared().defaults.swap(set);
  return BASS_OK;
}

void* takeLastOpened() { return std::exchange(lastOpened, nullptr); }

int setSourceFonts(void* source, const TaveloMidiFontRef* fonts, uint32_t count) {
  if (!validRefs(fonts, count)) {
    return BASS_ERROR_ILLPARAM;
  }
  const FontSet set = fontSetOf(fonts, count);
  std::lock_guard lock(shared().sourcesMutex);
  if (!shared().openSources.contains(asSource(source))) {
    return BASS_ERROR_HANDLE;
  }
  return asSource(source)->setFonts(set);
}

constexpr TaveloMidiExtension kExtension{sizeof(TaveloMidiExtension), fontOpen, fontRelease, setDefaultFonts,
                                         takeLastOpened, setSourceFonts};

void* getExtension(const char* name) {
  return std::string_view(name) == TAVELO_MIDI_EXTENSION ? const_cast<TaveloMidiExtension*>(&kExtension) : nullptr;
}

constexpr TaveloPlugin kPlugin{sizeof(TaveloPlugin), kPluginVersion, std::size(kFormats), kFormats, &kOps, openFile, getExtension, nullptr};

}  // namespace
}  // namespace tavelo::midi

extern "C" __attribute__((visibility("default"))) const TaveloPlugin* tavelo_plugin_entry(uint32_t engine_api_version) {
  return engine_api_version == TAVELO_PLUGIN_API_VERSION ? &tavelo::midi::kPlugin : nullptr;
}
