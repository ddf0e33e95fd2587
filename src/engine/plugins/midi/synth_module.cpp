// The MIDI plug-in's synthesiser: FluidSynth playing a standard MIDI file from memory.
#include "engine/plugins/midi/synth_module.h"

#include <fluidsynth.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <type_traits>
#include <vector>

namespace tavelo::midi {
namespace {

constexpr int kPlayerStep = 64;  // the synthesiser's block: the player acts once per block
constexpr double kGain = 0.6;    // FluidSynth's own 0.2 is far quieter than other files

struct SettingsDeleter {
  void operator()(fluid_settings_t* s) const { delete_fluid_settings(s); }
};
struct SynthDeleter {
  void operator()(fluid_synth_t* s) const { delete_fluid_synth(s); }
};
struct PlayerDeleter {
  void operator()(fluid_player_t* p) const { delete_fluid_player(p); }
};
using SettingsPtr = std::unique_ptr<fluid_settings_t, SettingsDeleter>;
using SynthPtr = std::unique_ptr<fluid_synth_t, SynthDeleter>;

void silenceFluidSynthLog() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG}) {
      fluid_set_log_function(level, nullptr, nullptr);  // failures come back as error codes instead
    }
  });
}

SettingsPtr makeSettings(bool effects) {
  silenceFluidSynthLog();
  SettingsPtr settings(new_fluid_settings());
  fluid_settings_setnum(settings.get(), "synth.sample-rate", kSynthRate);
  fluid_settings_setnum(settings.get(), "synth.gain", kGain);
  fluid_settings_setint(settings.get(), "synth.reverb.active", effects ? 1 : 0);
  fluid_settings_setint(settings.get(), "synth.chorus.active", effects ? 1 : 0);
  fluid_settings_setint(settings.get(), "synth.threadsafe-api", 0);  // the owner serialises the calls
  fluid_settings_setint(settings.get(), "synth.dynamic-sample-loading", 1);
  fluid_settings_setstr(settings.get(), "player.timing-source", "sample");
  return settings;
}

class FluidSynth final : public Synth {
public:
  static std::unique_ptr<FluidSynth> create(const std::uint8_t* smf, std::size_t size, bool effects) {
    std::unique_ptr<FluidSynth> synth(new FluidSynth(std::vector<std::uint8_t>(smf, smf + size), effects));
    return synth->synth_ && synth->startPlayer() ? std::move(synth) : nullptr;
  }

  bool loadFonts(const FontFile* fonts, std::size_t count) override {
    for (int n = fluid_synth_sfcount(synth_.get()); n > 0; --n) {
      fluid_synth_sfunload(synth_.get(), fluid_sfont_get_id(fluid_synth_get_sfont(synth_.get(), 0)), 0);
    }
    bool loaded = false;
    for (std::size_t i = count; i-- > 0;) {  // the last loaded is searched first
      const int id = fluid_synth_sfload(synth_.get(), fonts[i].path, 1);
      if (id != FLUID_FAILED) {
        fluid_synth_set_bank_offset(synth_.get(), id, fonts[i].bank);
        loaded = true;
      }
    }
    return loaded;
  }

  void render(float* frames, std::int64_t count) override {
    for (std::int64_t done = 0; done < count;) {
      const int block = static_cast<int>(std::min<std::int64_t>(count - done, 1 << 16));
      float* out = frames + 2 * done;
      fluid_synth_write_float(synth_.get(), block, out, 0, 2, out, 1, 2);
      done += block;
    }
  }

  // The player reads its file, and carries out a seek, when the synthesiser next renders; a
  // player that has finished is started afresh.
  bool seekTick(int tick) override {
    if (fluid_player_get_status(player_.get()) != FLUID_PLAYER_PLAYING) {
      fluid_synth_system_reset(synth_.get());
      if (!startPlayer()) {
        return false;
      }
    }
    if (fluid_player_get_total_ticks(player_.get()) <= 0 || fluid_player_seek(player_.get(), tick) != FLUID_OK) {
      renderUnheard();
      if (fluid_player_seek(player_.get(), tick) != FLUID_OK) {
        return false;
      }
    }
    fluid_synth_all_sounds_off(synth_.get(), -1);
    return true;
  }

private:
  FluidSynth(std::vector<std::uint8_t> smf, bool effects)
      : smf_(std::move(smf)), settings_(makeSettings(effects)), synth_(new_fluid_synth(settings_.get())) {}

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
  SettingsPtr settings_;
  SynthPtr synth_;
  std::unique_ptr<fluid_player_t, PlayerDeleter> player_;
};

Synth* createSynth(const std::uint8_t* smf, std::size_t size, bool effects) {
  return FluidSynth::create(smf, size, effects).release();
}

bool opensFont(const char* path) {
  const SettingsPtr settings = makeSettings(false);
  const SynthPtr probe(new_fluid_synth(settings.get()));
  return fluid_is_soundfont(path) && probe && fluid_synth_sfload(probe.get(), path, 0) != FLUID_FAILED;
}

constexpr SynthModule kModule{createSynth, opensFont};

}  // namespace
}  // namespace tavelo::midi

extern "C" __attribute__((visibility("default"))) const tavelo::midi::SynthModule* tavelo_midi_synth_module_v1() {
  return &tavelo::midi::kModule;
}

static_assert(std::is_same_v<decltype(&tavelo_midi_synth_module_v1), tavelo::midi::SynthModuleEntry>);
