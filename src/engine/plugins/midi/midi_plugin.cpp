// The MIDI plug-in: standard MIDI files played through SoundFonts by FluidSynth. Without fonts of
// its own a file plays through the system's General MIDI font.
#include "engine.h"
#include "midi_extension.h"
#include "plugin_api.h"
#include "smf.h"

#include <dlfcn.h>
#include <fluidsynth.h>

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
constexpr int kRate = 44100;
constexpr int kPlayerStep = 64;  // the synthesiser's block: the player acts once per block
constexpr double kGain = 0.6;  // FluidSynth's own 0.2 is far quieter than other files
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

std::mutex defaultsMutex;
FontSet defaults;

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

struct SettingsDeleter {
  void operator()(fluid_settings_t* s) const { delete_fluid_settings(s); }
};
struct SynthDeleter {
  void operator()(fluid_synth_t* s) const { delete_fluid_synth(s); }
};
struct PlayerDeleter {
  void operator()(fluid_player_t* p) const { delete_fluid_player(p); }
};

std::unique_ptr<fluid_settings_t, SettingsDeleter> makeSettings(bool effects) {
  std::unique_ptr<fluid_settings_t, SettingsDeleter> settings(new_fluid_settings());
  fluid_settings_setnum(settings.get(), "synth.sample-rate", kRate);
  fluid_settings_setnum(settings.get(), "synth.gain", kGain);
  fluid_settings_setint(settings.get(), "synth.reverb.active", effects ? 1 : 0);
  fluid_settings_setint(settings.get(), "synth.chorus.active", effects ? 1 : 0);
  fluid_settings_setint(settings.get(), "synth.threadsafe-api", 0);  // each source locks its own synth
  fluid_settings_setint(settings.get(), "synth.dynamic-sample-loading", 1);
  fluid_settings_setstr(settings.get(), "player.timing-source", "sample");
  return settings;
}

// Loads a font set into a synthesiser in place of the fonts it had; false when none loaded.
bool loadFonts(fluid_synth_t* synth, const FontSet& set) {
  for (int n = fluid_synth_sfcount(synth); n > 0; --n) {
    fluid_synth_sfunload(synth, fluid_sfont_get_id(fluid_synth_get_sfont(synth, 0)), 0);
  }
  if (set.empty()) {
    return fluid_synth_sfload(synth, kSystemFont, 1) != FLUID_FAILED;
  }
  bool loaded = false;
  for (auto it = set.rbegin(); it != set.rend(); ++it) {  // the last loaded is searched first
    const int id = fluid_synth_sfload(synth, it->font->path.c_str(), 1);
    if (id != FLUID_FAILED) {
      fluid_synth_set_bank_offset(synth, id, it->bank);
      loaded = true;
    }
  }
  return loaded;
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
    std::unique_ptr<MidiSource> source(new MidiSource(std::vector<std::uint8_t>(smf.begin(), smf.end()), *timeline,
                                                      (flags & BASS_MIDI_NOFX) == 0));
    FontSet fonts;
    {
      std::lock_guard lock(defaultsMutex);
      fonts = defaults;
    }
    if (!source->synth_ || !loadFonts(source->synth_.get(), fonts) || !source->startPlayer()) {
      *error = BASS_ERROR_NOTAVAIL;
      return nullptr;
    }
    return source;
  }

  std::int64_t length() const { return length_; }

  std::int64_t read(float* frames, std::int64_t count) {
    std::lock_guard lock(mutex_);
    const std::int64_t n = std::clamp<std::int64_t>(count, 0, length_ - position_);
    for (std::int64_t done = 0; done < n;) {
      const int block = static_cast<int>(std::min<std::int64_t>(n - done, 1 << 16));
      float* out = frames + 2 * done;
      fluid_synth_write_float(synth_.get(), block, out, 0, 2, out, 1, 2);
      done += block;
    }
    position_ += n;
    return n;
  }

  bool seek(std::int64_t frame) {
    std::lock_guard lock(mutex_);
    if (frame < 0 || frame > length_ || !seekPlayer(static_cast<int>(timeline_.tickAt(double(frame) / kRate)))) {
      return false;
    }
    fluid_synth_all_sounds_off(synth_.get(), -1);
    position_ = frame;
    return true;
  }

  std::uint64_t filePosition(std::uint32_t mode) const {
    return mode == BASS_FILEPOS_CURRENT || mode == BASS_FILEPOS_END ? smf_.size() : UINT64_MAX;
  }

  int setFonts(const FontSet& fonts) {
    std::lock_guard lock(mutex_);
    return loadFonts(synth_.get(), fonts) ? BASS_OK : BASS_ERROR_FILEOPEN;
  }

private:
  MidiSource(std::vector<std::uint8_t> smf, const SmfTimeline& timeline, bool effects)
      : smf_(std::move(smf)), timeline_(timeline), settings_(makeSettings(effects)),
        synth_(new_fluid_synth(settings_.get())),
        length_(std::llround(timeline_.seconds() * kRate)) {}

  // The player reads its file, and carries out a seek, when the synthesiser next renders; a
  // player that has finished is started afresh.
  bool seekPlayer(int tick) {
    if (fluid_player_get_status(player_.get()) != FLUID_PLAYER_PLAYING) {
      fluid_synth_system_reset(synth_.get());
      if (!startPlayer()) {
        return false;
      }
    }
    if (fluid_player_get_total_ticks(player_.get()) > 0 && fluid_player_seek(player_.get(), tick) == FLUID_OK) {
      return true;
    }
    renderUnheard();
    return fluid_player_seek(player_.get(), tick) == FLUID_OK;
  }

  void renderUnheard() {
    float scratch[2 * kPlayerStep];
    fluid_synth_write_float(synth_.get(), kPlayerStep, scratch, 0, 2, scratch, 1, 2);
  }

  bool startPlayer() {
    player_.reset(new_fluid_player(synth_.get()));
    return player_ && fluid_player_add_mem(player_.get(), smf_.data(), smf_.size()) == FLUID_OK &&
           fluid_player_play(player_.get()) == FLUID_OK;
  }

  const std::vector<std::uint8_t> smf_;
  const SmfTimeline timeline_;
  std::unique_ptr<fluid_settings_t, SettingsDeleter> settings_;
  std::unique_ptr<fluid_synth_t, SynthDeleter> synth_;
  std::unique_ptr<fluid_player_t, PlayerDeleter> player_;
  std::mutex mutex_;
  const std::int64_t length_;
  std::int64_t position_ = 0;
};

// The sources that are open, so that a font call never reaches one that has closed.
std::mutex sourcesMutex;
std::set<MidiSource*> openSources;
thread_local MidiSource* lastOpened = nullptr;

MidiSource* asSource(void* source) { return static_cast<MidiSource*>(source); }

int64_t readFrames(void* source, float* frames, int64_t count) { return asSource(source)->read(frames, count); }
int seekFrame(void* source, int64_t frame) { return asSource(source)->seek(frame) ? 1 : 0; }
uint64_t filePosition(void* source, uint32_t mode) { return asSource(source)->filePosition(mode); }
int64_t lengthFrames(void* source) { return asSource(source)->length(); }

void closeSource(void* source) {
  {
    std::lock_guard lock(sourcesMutex);
    openSources.erase(asSource(source));
  }
  if (lastOpened == source) {
    lastOpened = nullptr;
  }
  delete asSource(source);
}

constexpr TaveloSourceOps kOps{sizeof(TaveloSourceOps), readFrames, seekFrame, filePosition, lengthFrames, closeSource};

void* openFile(const char* path, uint32_t flags, TaveloSourceInfo* info, int* error) {
  auto source = MidiSource::open(path, flags, error);
  if (!source) {
    return nullptr;
  }
  info->rate = kRate;
  info->channels = 2;
  info->ctype = kCtypeMidi;
  info->origres = 0;
  info->length_frames = source->length();
  std::lock_guard lock(sourcesMutex);
  lastOpened = source.get();
  openSources.insert(source.get());
  return source.release();
}

// Font handles handed out are owners of a shared font, so a font set keeps what it uses.
void* fontOpen(const char* path, int* error) {
  if (path == nullptr || !std::ifstream(path)) {
    *error = BASS_ERROR_FILEOPEN;
    return nullptr;
  }
  std::unique_ptr<fluid_settings_t, SettingsDeleter> settings(makeSettings(false));
  std::unique_ptr<fluid_synth_t, SynthDeleter> probe(new_fluid_synth(settings.get()));
  if (!fluid_is_soundfont(path) || !probe || fluid_synth_sfload(probe.get(), path, 0) == FLUID_FAILED) {
    *error = BASS_ERROR_FILEFORM;
    return nullptr;
  }
  return new std::shared_ptr<const Font>(std::make_shared<const Font>(Font{path}));
}

void fontRelease(void* font) { delete static_cast<std::shared_ptr<const Font>*>(font); }

int setDefaultFonts(const TaveloMidiFontRef* fonts, uint32_t count) {
  if (!validRefs(fonts, count)) {
    return BASS_ERROR_ILLPARAM;
  }
  FontSet set = fontSetOf(fonts, count);
  std::lock_guard lock(defaultsMutex);
  defaults.swap(set);
  return BASS_OK;
}

void* takeLastOpened() { return std::exchange(lastOpened, nullptr); }

int setSourceFonts(void* source, const TaveloMidiFontRef* fonts, uint32_t count) {
  if (!validRefs(fonts, count)) {
    return BASS_ERROR_ILLPARAM;
  }
  const FontSet set = fontSetOf(fonts, count);
  std::lock_guard lock(sourcesMutex);
  if (!openSources.contains(asSource(source))) {
    return BASS_ERROR_HANDLE;
  }
  return asSource(source)->setFonts(set);
}

constexpr TaveloMidiExtension kExtension{sizeof(TaveloMidiExtension), fontOpen, fontRelease, setDefaultFonts,
                                         takeLastOpened, setSourceFonts};

void* getExtension(const char* name) {
  return std::string_view(name) == TAVELO_MIDI_EXTENSION ? const_cast<TaveloMidiExtension*>(&kExtension) : nullptr;
}

constexpr TaveloPlugin kPlugin{sizeof(TaveloPlugin), kPluginVersion, std::size(kFormats), kFormats, &kOps, openFile, getExtension};

}  // namespace
}  // namespace tavelo::midi

// FluidSynth's SoundFont library registers GLib types that outlive it: unloaded and loaded again,
// it would register them twice. So once loaded, FluidSynth stays.
namespace {
void keepFluidSynthLoaded() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&new_fluid_synth), &info) != 0 && info.dli_fname != nullptr) {
    dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
  }
}
}  // namespace

extern "C" __attribute__((visibility("default"))) const TaveloPlugin* tavelo_plugin_entry(uint32_t engine_api_version) {
  if (engine_api_version != TAVELO_PLUGIN_API_VERSION) {
    return nullptr;
  }
  keepFluidSynthLoaded();
  for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG}) {
    fluid_set_log_function(level, nullptr, nullptr);  // failures come back as error codes instead
  }
  return &tavelo::midi::kPlugin;
}
