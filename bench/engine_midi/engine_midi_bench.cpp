// engine_midi_bench [FILE.mid]  renders a MIDI file (by default one minute of four-voice chords
// written here) through the engine's MIDI plug-in and through plain FluidSynth with the same
// settings, best of 3, and shows what opening a font and a stream costs in time and memory.
#include "engine/engine.h"
#include "midi_files.h"

#include <fluidsynth.h>

#include <algorithm>
#include <cmath>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRounds = 3;
constexpr const char* kGmFont = "/usr/share/sounds/sf2/default-GM.sf2";
constexpr int kBlockFrames = 4096;

double msSince(Clock::time_point start) { return std::chrono::duration<double, std::milli>(Clock::now() - start).count(); }

long residentKb() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return 0;
}

std::string writeMinuteOfChords() {
  tavelo::test::SmfSpec spec;
  for (int beat = 0; beat < 120; ++beat) {
    for (int voice : {0, 4, 7, 12}) spec.notes.push_back({double(beat), 1, 48 + beat % 12 + voice});
  }
  const std::string path = "/tmp/engine_midi_bench.mid";
  tavelo::test::writeBytes(path, tavelo::test::makeSmf(spec));
  return path;
}

float peak = 0;  // of the engine's rendering: the synthesiser's gain against full scale

std::int64_t renderWithEngine(const std::string& path) {
  const HSTREAM stream = BASS_MIDI_StreamCreateFile(0, path.c_str(), 0, 0, BASS_STREAM_DECODE | BASS_MIDI_NOFX, 0);
  if (stream == 0) {
    std::fprintf(stderr, "engine cannot open %s (error %d)\n", path.c_str(), BASS_ErrorGetCode());
    std::exit(1);
  }
  std::vector<float> block(kBlockFrames * 2);
  std::int64_t frames = 0;
  for (DWORD got; (got = BASS_ChannelGetData(stream, block.data(), DWORD(block.size() * sizeof(float)) | BASS_DATA_FLOAT)) != DWORD(-1);) {
    frames += got / (2 * sizeof(float));
    for (std::size_t i = 0; i < got / sizeof(float); ++i) peak = std::max(peak, std::abs(block[i]));
  }
  BASS_StreamFree(stream);
  return frames;
}

// FluidSynth on its own: the same synthesiser settings, its player driven by the rendering.
std::int64_t renderWithFluidSynth(const std::string& path, std::int64_t frames) {
  fluid_settings_t* settings = new_fluid_settings();
  fluid_settings_setnum(settings, "synth.sample-rate", 44100);
  fluid_settings_setint(settings, "synth.reverb.active", 0);
  fluid_settings_setint(settings, "synth.chorus.active", 0);
  fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
  fluid_settings_setstr(settings, "player.timing-source", "sample");
  fluid_synth_t* synth = new_fluid_synth(settings);
  fluid_synth_sfload(synth, kGmFont, 1);
  fluid_player_t* player = new_fluid_player(synth);
  fluid_player_add(player, path.c_str());
  fluid_player_play(player);
  std::vector<float> block(kBlockFrames * 2);
  for (std::int64_t done = 0; done < frames; done += kBlockFrames) {
    fluid_synth_write_float(synth, kBlockFrames, block.data(), 0, 2, block.data(), 1, 2);
  }
  delete_fluid_player(player);
  delete_fluid_synth(synth);
  delete_fluid_settings(settings);
  return frames;
}

template <typename F>
double bestMs(F run) {
  double best = 1e18;
  for (int round = 0; round < kRounds; ++round) {
    const auto start = Clock::now();
    run();
    best = std::min(best, msSince(start));
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG}) fluid_set_log_function(level, nullptr, nullptr);
  const std::string path = argc > 1 ? argv[1] : writeMinuteOfChords();
  if (!BASS_Init(0, 44100, 0, nullptr, nullptr) || BASS_PluginLoad(TAVELO_BENCH_PLUGIN_DIR "/midi.so", 0) == 0) {
    std::fprintf(stderr, "engine or MIDI plug-in not ready (error %d)\n", BASS_ErrorGetCode());
    return 1;
  }
  const long before = residentKb();
  auto start = Clock::now();
  const HSOUNDFONT font = BASS_MIDI_FontInit(kGmFont, 0);
  const double fontMs = msSince(start);
  start = Clock::now();
  BASS_MIDI_FontFree(BASS_MIDI_FontInit(kGmFont, 0));
  const double againMs = msSince(start);
  const BASS_MIDI_FONT record{font, -1, 0};
  BASS_MIDI_StreamSetFonts(0, &record, 1);
  start = Clock::now();
  const HSTREAM held = BASS_MIDI_StreamCreateFile(0, path.c_str(), 0, 0, BASS_STREAM_DECODE | BASS_MIDI_NOFX, 0);
  const double streamMs = msSince(start);
  std::vector<float> second(44100 * 2);
  BASS_ChannelGetData(held, second.data(), DWORD(second.size() * sizeof(float)) | BASS_DATA_FLOAT);
  const long withStream = residentKb();

  std::int64_t frames = 0;
  const double engineMs = bestMs([&] { frames = renderWithEngine(path); });
  const double fluidMs = bestMs([&] { renderWithFluidSynth(path, frames); });
  const double seconds = double(frames) / 44100;
  std::printf("MIDI file: %s, %.1f s of music, system GM font\n", path.c_str(), seconds);
  std::printf("font init %.1f ms (first) and %.1f ms (again), stream open %.1f ms\n", fontMs, againMs, streamMs);
  std::printf("memory of the font and one stream after 1 s: %ld kB; peak sample %.2f of full scale\n",
              withStream - before, peak);
  std::printf("%-22s %10s %14s\n", "render (best of 3)", "ms", "x real time");
  std::printf("%-22s %10.1f %14.0f\n", "engine (MIDI plug-in)", engineMs, seconds * 1000 / engineMs);
  std::printf("%-22s %10.1f %14.0f\n", "plain FluidSynth", fluidMs, seconds * 1000 / fluidMs);
  BASS_StreamFree(held);
  BASS_MIDI_FontFree(font);
  BASS_Free();
  BASS_PluginFree(0);
  return 0;
}
