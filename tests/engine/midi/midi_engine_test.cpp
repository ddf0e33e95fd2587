// MIDI through the plug-in on FluidSynth: length, sound, seeking, the font calls and bad files.
#include "engine/engine.h"
#include "midi_files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

namespace tavelo::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kGmFont = "/usr/share/sounds/sf2/default-GM.sf2";
constexpr double kRate = 44100;

std::string pluginPath() { return TAVELO_TEST_PLUGIN_DIR "/midi.so"; }

// Samples of a decode-only stream, interleaved stereo float, to its end.
std::vector<float> render(HSTREAM stream) {
  std::vector<float> samples;
  std::vector<float> block(8192);
  for (;;) {
    const DWORD got = BASS_ChannelGetData(stream, block.data(), DWORD(block.size() * sizeof(float)) | BASS_DATA_FLOAT);
    if (got == DWORD(-1) || got == 0) {
      return samples;
    }
    samples.insert(samples.end(), block.begin(), block.begin() + got / sizeof(float));
  }
}

double rms(const std::vector<float>& samples, double fromSeconds, double toSeconds) {
  const auto from = std::min(samples.size(), std::size_t(fromSeconds * kRate) * 2);
  const auto to = std::min(samples.size(), std::size_t(toSeconds * kRate) * 2);
  double sum = 0;
  for (auto i = from; i < to; ++i) {
    sum += double(samples[i]) * samples[i];
  }
  return to > from ? std::sqrt(sum / double(to - from)) : 0;
}

double lengthSeconds(HSTREAM stream) { return BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetLength(stream, BASS_POS_BYTE)); }

class MidiTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(BASS_Init(0, 44100, 0, nullptr, nullptr)) << BASS_ErrorGetCode();
    ASSERT_NE(BASS_PluginLoad(pluginPath().c_str(), 0), 0u) << BASS_ErrorGetCode();
    dir_ = fs::temp_directory_path() / ("tavelo-midi-" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    for (HSOUNDFONT font : fonts_) {
      BASS_MIDI_FontFree(font);
    }
    BASS_Free();
    BASS_PluginFree(0);
    fs::remove_all(dir_);
  }

  std::string write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    const std::string path = (dir_ / name).string();
    writeBytes(path, bytes);
    return path;
  }

  HSOUNDFONT font(const char* path) {
    const HSOUNDFONT handle = BASS_MIDI_FontInit(path, 0);
    if (handle != 0) {
      fonts_.push_back(handle);
    }
    return handle;
  }

  // The GM font with its presets moved to `bank`: bank 0, where the file's piano is looked for,
  // is then empty, so a stream with only this font is silent.
  static BASS_MIDI_FONT at(HSOUNDFONT font, int bank) { return {font, -1, bank}; }

  fs::path dir_;
  std::vector<HSOUNDFONT> fonts_;
};

TEST_F(MidiTest, FilesPlayForTheirLengthWithSoundWhereTheNotesAre) {
  SmfSpec slowAfterTwoBeats = arpeggio();
  slowAfterTwoBeats.tempoChangeAt = 2;
  slowAfterTwoBeats.secondTempo = 1000000;  // 60 beats per minute: the last two notes last 2 s
  struct Case {
    std::string name;
    std::vector<std::uint8_t> bytes;
    double seconds;
    double lastNoteAt;
  };
  const Case cases[] = {
      {"arpeggio.mid", makeSmf(arpeggio()), 2.0, 1.5},
      {"tempo.midi", makeSmf(slowAfterTwoBeats), 3.0, 2.0},
      {"wrapped.rmi", wrapRmid(makeSmf(arpeggio())), 2.0, 1.5},
      {"karaoke.kar", makeSmf(arpeggio()), 2.0, 1.5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const HSTREAM stream = BASS_MIDI_StreamCreateFile(0, write(c.name, c.bytes).c_str(), 0, 0, BASS_STREAM_DECODE | BASS_MIDI_NOFX, 0);
    ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
    BASS_CHANNELINFO info{};
    ASSERT_TRUE(BASS_ChannelGetInfo(stream, &info));
    EXPECT_EQ(info.ctype, DWORD{BASS_CTYPE_STREAM_MIDI});
    EXPECT_EQ(info.chans, 2u);
    EXPECT_NEAR(lengthSeconds(stream), c.seconds, 0.001);
    const std::vector<float> samples = render(stream);
    EXPECT_NEAR(double(samples.size()) / 2 / kRate, c.seconds, 0.001);
    EXPECT_GT(rms(samples, 0.1, 0.4), 0.01) << "the first note sounds";
    EXPECT_LT(rms(samples, c.lastNoteAt - 0.1, c.lastNoteAt - 0.02), rms(samples, c.lastNoteAt + 0.02, c.lastNoteAt + 0.1) / 2)
        << "the last note starts on time";
    BASS_StreamFree(stream);
  }
}

TEST_F(MidiTest, SilenceBetweenNotesIsSilent) {
  SmfSpec gap;
  gap.notes = {{0, 0.5, 60}, {3, 0.5, 67}};  // nothing from 0.25 s to 1.5 s but the release
  const HSTREAM stream = BASS_MIDI_StreamCreateFile(0, write("gap.mid", makeSmf(gap)).c_str(), 0, 0, BASS_STREAM_DECODE | BASS_MIDI_NOFX, 0);
  ASSERT_NE(stream, 0u);
  const std::vector<float> samples = render(stream);
  EXPECT_GT(rms(samples, 0.0, 0.25), 0.01);
  EXPECT_LT(rms(samples, 1.0, 1.45), 0.001);
  EXPECT_GT(rms(samples, 1.55, 1.75), 0.01);
}

// A note begun before the place sought stays unheard (as in other MIDI players); the next one
// starts on time.
TEST_F(MidiTest, SeekingPlaysOnFromThePlaceSought) {
  SmfSpec gap;
  gap.notes = {{0, 0.5, 60}, {4, 2, 67}};  // silence from 0.25 s, a note from 2 s to 3 s
  const HSTREAM stream = BASS_MIDI_StreamCreateFile(0, write("seek.mid", makeSmf(gap)).c_str(), 0, 0, BASS_STREAM_DECODE | BASS_MIDI_NOFX, 0);
  ASSERT_NE(stream, 0u);
  const auto seekAndListen = [&](double to) {
    SCOPED_TRACE(to);
    ASSERT_TRUE(BASS_ChannelSetPosition(stream, BASS_ChannelSeconds2Bytes(stream, to), BASS_POS_BYTE));
    EXPECT_NEAR(BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetPosition(stream, BASS_POS_BYTE)), to, 0.001);
    std::vector<float> block(std::size_t(0.5 * kRate) * 2);
    ASSERT_EQ(BASS_ChannelGetData(stream, block.data(), DWORD(block.size() * sizeof(float)) | BASS_DATA_FLOAT), block.size() * sizeof(float));
    const double noteAt = 2.0 - to;
    EXPECT_LT(rms(block, 0.02, noteAt - 0.02), 0.0001) << "after a short fade of what sounded, nothing before the note";
    EXPECT_GT(rms(block, noteAt + 0.02, noteAt + 0.15), 0.01) << "the note on time";
  };
  seekAndListen(1.8);
  seekAndListen(1.7);  // back, after reading on
  render(stream);
  seekAndListen(1.6);  // after the end
  const std::vector<float> rest = render(stream);
  EXPECT_NEAR(double(rest.size()) / 2 / kRate, 3.0 - 1.6 - 0.5, 0.001);
}

TEST_F(MidiTest, TheNoEffectsFlagTakesReverbAndChorusAway) {
  const std::string path = write("fx.mid", makeSmf(arpeggio()));
  const HSTREAM dry = BASS_MIDI_StreamCreateFile(0, path.c_str(), 0, 0, BASS_STREAM_DECODE | BASS_MIDI_NOFX, 0);
  const HSTREAM wet = BASS_MIDI_StreamCreateFile(0, path.c_str(), 0, 0, BASS_STREAM_DECODE, 0);
  ASSERT_NE(dry, 0u);
  ASSERT_NE(wet, 0u);
  const std::vector<float> drySamples = render(dry);
  const std::vector<float> wetSamples = render(wet);
  ASSERT_EQ(drySamples.size(), wetSamples.size());
  EXPECT_NE(drySamples, wetSamples);
}

TEST_F(MidiTest, FontInitOpensSoundFontsAndRefusesOtherFiles) {
  const std::string garbage = write("garbage.sf2", std::vector<std::uint8_t>(4096, 0x55));
  std::vector<std::uint8_t> head(100000);
  std::ifstream(kGmFont, std::ios::binary).read(reinterpret_cast<char*>(head.data()), std::streamsize(head.size()));
  const std::string truncated = write("truncated.sf2", head);
  const std::string midiFile = write("a.mid", makeSmf(arpeggio()));
  struct Case {
    std::string path;
    int error;
  };
  for (const Case& c : {Case{(dir_ / "missing.sf2").string(), BASS_ERROR_FILEOPEN}, Case{dir_.string(), BASS_ERROR_FILEFORM},
                        Case{garbage, BASS_ERROR_FILEFORM}, Case{truncated, BASS_ERROR_FILEFORM}, Case{midiFile, BASS_ERROR_FILEFORM}}) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(BASS_MIDI_FontInit(c.path.c_str(), 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), c.error);
  }
  const HSOUNDFONT gm = BASS_MIDI_FontInit(kGmFont, 0);
  ASSERT_NE(gm, 0u) << BASS_ErrorGetCode();
  EXPECT_TRUE(BASS_MIDI_FontFree(gm));
  EXPECT_FALSE(BASS_MIDI_FontFree(gm)) << "a handle is freed once";
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
}

TEST_F(MidiTest, DefaultFontsReachStreamsCreatedLater) {
  const std::string path = write("a.mid", makeSmf(arpeggio()));
  const HSOUNDFONT gm = font(kGmFont);
  ASSERT_NE(gm, 0u);
  const auto openAndMeasure = [&] {
    const HSTREAM stream = BASS_MIDI_StreamCreateFile(0, path.c_str(), 0, 0, BASS_STREAM_DECODE | BASS_MIDI_NOFX, 0);
    EXPECT_NE(stream, 0u) << BASS_ErrorGetCode();
    return stream;
  };
  const HSTREAM before = openAndMeasure();  // the system font: no defaults yet

  const BASS_MIDI_FONT elsewhere = at(gm, 5);
  ASSERT_TRUE(BASS_MIDI_StreamSetFonts(0, &elsewhere, 1)) << BASS_ErrorGetCode();
  const HSTREAM after = openAndMeasure();
  EXPECT_GT(rms(render(before), 0.1, 0.4), 0.01) << "a stream keeps the fonts it opened with";
  EXPECT_LT(rms(render(after), 0.1, 1.9), 0.0001) << "the new defaults hold no bank 0 piano";

  const BASS_MIDI_FONT home = at(gm, 0);
  ASSERT_TRUE(BASS_MIDI_StreamSetFonts(0, &home, 1));
  EXPECT_GT(rms(render(openAndMeasure()), 0.1, 0.4), 0.01);
}

TEST_F(MidiTest, FontsOfAnOpenStreamChangeAtOnce) {
  const HSOUNDFONT gm = font(kGmFont);
  ASSERT_NE(gm, 0u);
  const BASS_MIDI_FONT elsewhere = at(gm, 5);
  ASSERT_TRUE(BASS_MIDI_StreamSetFonts(0, &elsewhere, 1));
  const HSTREAM stream = BASS_MIDI_StreamCreateFile(0, write("a.mid", makeSmf(arpeggio())).c_str(), 0, 0, BASS_STREAM_DECODE | BASS_MIDI_NOFX, 0);
  ASSERT_NE(stream, 0u);
  const BASS_MIDI_FONT home = at(gm, 0);
  ASSERT_TRUE(BASS_MIDI_StreamSetFonts(stream, &home, 1)) << BASS_ErrorGetCode();
  EXPECT_GT(rms(render(stream), 0.1, 0.4), 0.01);
}

TEST_F(MidiTest, AFreedFontLeavesTheDefaultsForTheSystemFont) {
  const std::string path = write("a.mid", makeSmf(arpeggio()));
  const HSOUNDFONT gm = BASS_MIDI_FontInit(kGmFont, 0);
  ASSERT_NE(gm, 0u);
  const BASS_MIDI_FONT elsewhere = at(gm, 5);
  ASSERT_TRUE(BASS_MIDI_StreamSetFonts(0, &elsewhere, 1));
  const HSTREAM using_ = BASS_MIDI_StreamCreateFile(0, path.c_str(), 0, 0, BASS_STREAM_DECODE | BASS_MIDI_NOFX, 0);
  ASSERT_TRUE(BASS_MIDI_FontFree(gm));
  const HSTREAM later = BASS_MIDI_StreamCreateFile(0, path.c_str(), 0, 0, BASS_STREAM_DECODE | BASS_MIDI_NOFX, 0);
  ASSERT_NE(later, 0u) << BASS_ErrorGetCode();
  EXPECT_GT(rms(render(later), 0.1, 0.4), 0.01);
  EXPECT_LT(rms(render(using_), 0.1, 1.9), 0.0001) << "the stream that used the font plays on with it";
}

TEST_F(MidiTest, FontSetsNamingWhatIsNotThereAreRefused) {
  const HSOUNDFONT gm = font(kGmFont);
  ASSERT_NE(gm, 0u);
  const HSTREAM midi = BASS_MIDI_StreamCreateFile(0, write("a.mid", makeSmf(arpeggio())).c_str(), 0, 0, BASS_STREAM_DECODE, 0);
  // The same file opened as a plain stream, and a stream of another kind.
  const HSTREAM plain = BASS_StreamCreateFile(0, (dir_ / "a.mid").c_str(), 0, 0, BASS_STREAM_DECODE);
  ASSERT_NE(midi, 0u);
  ASSERT_NE(plain, 0u);
  const BASS_MIDI_FONT good = at(gm, 0);
  const BASS_MIDI_FONT unknownFont = at(gm + 1000, 0);
  const BASS_MIDI_FONT allPresetsOnly = {gm, 3, 0};
  struct Case {
    const char* what;
    HSTREAM stream;
    const BASS_MIDI_FONT* fonts;
    DWORD count;
    int error;
  };
  for (const Case& c : {Case{"unknown font", midi, &unknownFont, 1, BASS_ERROR_HANDLE},
                        Case{"unknown font as a default", 0, &unknownFont, 1, BASS_ERROR_HANDLE},
                        Case{"one preset of a font", midi, &allPresetsOnly, 1, BASS_ERROR_ILLPARAM},
                        Case{"no records", 0, nullptr, 1, BASS_ERROR_ILLPARAM},
                        Case{"unknown stream", 0xDEAD, &good, 1, BASS_ERROR_HANDLE},
                        Case{"stream not made as MIDI", plain, &good, 1, BASS_ERROR_ILLTYPE}}) {
    SCOPED_TRACE(c.what);
    EXPECT_FALSE(BASS_MIDI_StreamSetFonts(c.stream, c.fonts, c.count));
    EXPECT_EQ(BASS_ErrorGetCode(), c.error);
  }
  BASS_StreamFree(midi);
  EXPECT_FALSE(BASS_MIDI_StreamSetFonts(midi, &good, 1)) << "a freed stream";
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
}

TEST_F(MidiTest, DamagedMidiFilesAndOtherFilesFailCleanly) {
  std::vector<std::uint8_t> smf = makeSmf(arpeggio());
  std::vector<std::uint8_t> truncated(smf.begin(), smf.end() - 10);
  std::vector<std::uint8_t> noTracks = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 0, 1, 0xE0};
  std::vector<std::uint8_t> strayData = smf;
  strayData[23] = 0x40;  // the tempo track's first event loses its status byte
  std::vector<std::uint8_t> hugeLength = smf;
  hugeLength[18] = 0x7F;  // the first track claims far more than the file holds
  std::vector<std::uint8_t> wav = {'R', 'I', 'F', 'F', 36, 0, 0, 0, 'W', 'A', 'V', 'E'};
  struct Case {
    const char* name;
    std::vector<std::uint8_t> bytes;
  };
  for (const Case& c : {Case{"truncated.mid", truncated}, Case{"notracks.mid", noTracks}, Case{"stray.mid", strayData},
                        Case{"huge.mid", hugeLength}, Case{"text.mid", {'h', 'e', 'l', 'l', 'o'}}, Case{"riff.rmi", wav}}) {
    SCOPED_TRACE(c.name);
    const std::string path = write(c.name, c.bytes);
    EXPECT_EQ(BASS_MIDI_StreamCreateFile(0, path.c_str(), 0, 0, BASS_STREAM_DECODE, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEFORM);
    EXPECT_EQ(BASS_StreamCreateFile(0, path.c_str(), 0, 0, BASS_STREAM_DECODE), 0u);
  }
  EXPECT_EQ(BASS_MIDI_StreamCreateFile(0, (dir_ / "missing.mid").c_str(), 0, 0, 0, 0), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEOPEN);
}

TEST_F(MidiTest, APlayingStreamRunsInRealTimeAndEnds) {
  SmfSpec shortTune;
  shortTune.notes = {{0, 0.5, 60}, {0.5, 0.5, 64}};  // half a second
  const HSTREAM stream = BASS_MIDI_StreamCreateFile(0, write("short.mid", makeSmf(shortTune)).c_str(), 0, 0, BASS_MIDI_NOFX, 0);
  ASSERT_NE(stream, 0u);
  ASSERT_TRUE(BASS_ChannelPlay(stream, 0));
  const auto start = std::chrono::steady_clock::now();
  while (BASS_ChannelIsActive(stream) != BASS_ACTIVE_STOPPED && std::chrono::steady_clock::now() - start < std::chrono::seconds(5)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_EQ(BASS_ChannelIsActive(stream), DWORD{BASS_ACTIVE_STOPPED});
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(400)) << "not faster than real time";
  EXPECT_NEAR(BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetPosition(stream, BASS_POS_BYTE)), 0.5, 0.01);
}

TEST(MidiWithoutPluginTest, TheMidiCallsSayTheyAreNotAvailable) {
  ASSERT_TRUE(BASS_Init(0, 44100, 0, nullptr, nullptr));
  const BASS_MIDI_FONT record = {1, -1, 0};
  EXPECT_EQ(BASS_MIDI_FontInit(kGmFont, 0), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOTAVAIL);
  EXPECT_FALSE(BASS_MIDI_StreamSetFonts(0, &record, 1));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOTAVAIL);
  EXPECT_EQ(BASS_MIDI_StreamCreateFile(0, "/nonexistent.mid", 0, 0, 0, 0), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOTAVAIL);
  EXPECT_FALSE(BASS_MIDI_FontFree(1));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
  BASS_Free();
}

}  // namespace
}  // namespace tavelo::test
