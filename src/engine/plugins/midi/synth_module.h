// The MIDI plug-in's synthesiser half, a separate shared module ("midi/synth.so" beside the
// plug-in): the only part that links FluidSynth, loaded for the first MIDI stream, or the first
// font the plug-in cannot check by itself.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tavelo::midi {

inline constexpr int kSynthRate = 44100;  // frames per second of every synthesiser

// A font of a font set: bank is the bank its bank 0 becomes.
struct FontFile {
  const char* path;
  int bank;
};

// One MIDI file being played. Not thread-safe: its owner serialises the calls.
class Synth {
public:
  virtual ~Synth() = default;
  // Replaces the fonts; the first listed wins where several have a preset. False when none loaded.
  virtual bool loadFonts(const FontFile* fonts, std::size_t count) = 0;
  // Renders interleaved stereo float frames.
  virtual void render(float* frames, std::int64_t count) = 0;
  // Plays on from a tick, what sounded silenced; false when the file cannot get there.
  virtual bool seekTick(int tick) = 0;
};

struct SynthModule {
  // The file as a standard MIDI file's bytes (copied); null when no player can start on them.
  Synth* (*create)(const std::uint8_t* smf, std::size_t size, bool effects);
  // Whether the synthesiser opens a font file (for the font kinds the plug-in cannot check itself).
  bool (*opensFont)(const char* path);
};

using SynthModuleEntry = const SynthModule* (*)();

}  // namespace tavelo::midi

// The symbol name carries the interface version: a module built for another one is not found.
#define TAVELO_MIDI_SYNTH_ENTRY "tavelo_midi_synth_module_v1"
#define TAVELO_MIDI_SYNTH_PATH "midi/synth.so"
