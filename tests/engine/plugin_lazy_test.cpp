// The FFmpeg and MIDI plug-ins map FFmpeg and FluidSynth only once a file needs them. What a
// process has mapped cannot be unmapped, so ctest runs every test here in a process of its own.
#include "audio_files.h"
#include "engine/engine.h"
#include "midi_files.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace tavelo::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kGmFont = "/usr/share/sounds/sf2/default-GM.sf2";
constexpr const char* kFfmpeg = "libavcodec.so";
constexpr const char* kFluidSynth = "libfluidsynth.so";
constexpr const char* kCurl = "libcurl.so";
constexpr std::int64_t kToneFrames = 44100;

bool mapped(const char* library) {
  std::ifstream maps("/proc/self/maps");
  const std::string text{std::istreambuf_iterator<char>(maps), {}};
  return text.find(library) != std::string::npos;
}

// Frames of a decode-only stream to its end, and whether any of them sounded.
struct Decoded {
  std::int64_t frames = 0;
  bool sounded = false;
};

Decoded decodeToEnd(HSTREAM stream) {
  Decoded decoded;
  std::vector<float> block(8192);
  for (DWORD got; (got = BASS_ChannelGetData(stream, block.data(), DWORD(block.size() * sizeof(float)) | BASS_DATA_FLOAT)) != DWORD(-1) && got > 0;) {
    decoded.frames += got / (2 * sizeof(float));
    for (std::size_t i = 0; i < got / sizeof(float); ++i) decoded.sounded |= block[i] > 0.01f;
  }
  return decoded;
}

std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void writeText(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

// A second of a 440 Hz tone as FLAC.
std::string writeTone(const TempDir& dir, const std::string& name) {
  const std::string wav = dir.file("tone.wav");
  writeWav(wav, 44100, 2, kToneFrames, sine(440, 44100));
  const std::string path = dir.file(name);
  EXPECT_TRUE(run("ffmpeg -v error -y -i '" + wav + "' -c:a flac -f flac '" + path + "'"));
  return path;
}

std::string writeTune(const TempDir& dir) {
  const std::string path = dir.file("tune.mid");
  writeBytes(path, makeSmf(arpeggio()));
  return path;
}

void loadPlugins(const std::string& folder) {
  for (const char* name : {"ffmpeg.so", "midi.so"}) {
    ASSERT_NE(BASS_PluginLoad((folder + "/" + name).c_str(), 0), 0u) << name << ": " << BASS_ErrorGetCode();
  }
}

class LazyPluginTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(BASS_Init(0, 44100, 0, nullptr, nullptr)) << BASS_ErrorGetCode();
    ASSERT_FALSE(mapped(kFfmpeg)) << "the engine itself must not bring FFmpeg";
    ASSERT_FALSE(mapped(kFluidSynth));
  }
  void TearDown() override {
    BASS_Free();
    BASS_PluginFree(0);
  }

  std::string tone(const std::string& name) { return writeTone(dir_, name); }
  std::string midiFile() { return writeTune(dir_); }

  TempDir dir_;
};

TEST_F(LazyPluginTest, LoadingThePluginsAndTheirFontsMapsNeitherLibrary) {
  loadPlugins(TAVELO_TEST_PLUGIN_DIR);
  const HPLUGIN first = BASS_PluginLoad(TAVELO_TEST_PLUGIN_DIR "/ffmpeg.so", 0);
  EXPECT_EQ(first, 0u) << "loaded already";
  const HSOUNDFONT font = BASS_MIDI_FontInit(kGmFont, 0);
  ASSERT_NE(font, 0u) << BASS_ErrorGetCode();
  const BASS_MIDI_FONT record{font, -1, 0};
  EXPECT_TRUE(BASS_MIDI_StreamSetFonts(0, &record, 1));

  // Files of neither plug-in are turned away without them: text, and a picture named like sound.
  writeText(dir_.file("notes.txt"), "not a sound");
  writeText(dir_.file("picture.mp3"), "\x89PNG\r\n\x1a\n and so on");
  for (const char* name : {"notes.txt", "picture.mp3"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(BASS_StreamCreateFile(0, dir_.file(name).c_str(), 0, 0, BASS_STREAM_DECODE), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEFORM);
  }
  EXPECT_FALSE(mapped(kFfmpeg));
  EXPECT_FALSE(mapped(kFluidSynth));
  EXPECT_TRUE(BASS_MIDI_FontFree(font));
}

TEST_F(LazyPluginTest, AMidiFileBringsFluidSynthAloneAndPlays) {
  loadPlugins(TAVELO_TEST_PLUGIN_DIR);
  const HSTREAM stream = BASS_StreamCreateFile(0, midiFile().c_str(), 0, 0, BASS_STREAM_DECODE | BASS_MIDI_NOFX);
  ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
  EXPECT_TRUE(mapped(kFluidSynth));
  EXPECT_FALSE(mapped(kFfmpeg)) << "the FFmpeg plug-in, asked first, did not take it";
  const Decoded decoded = decodeToEnd(stream);
  EXPECT_EQ(decoded.frames, 2 * 44100) << "the arpeggio lasts 2 s";
  EXPECT_TRUE(decoded.sounded);
}

TEST_F(LazyPluginTest, AFlacFileBringsFfmpegAndDecodesWhateverItIsCalled) {
  loadPlugins(TAVELO_TEST_PLUGIN_DIR);
  for (const char* name : {"tone.flac", "tone.dat"}) {
    SCOPED_TRACE(name);
    const HSTREAM stream = BASS_StreamCreateFile(0, tone(name).c_str(), 0, 0, BASS_STREAM_DECODE);
    ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
    EXPECT_TRUE(mapped(kFfmpeg));
    BASS_CHANNELINFO info{};
    ASSERT_TRUE(BASS_ChannelGetInfo(stream, &info));
    EXPECT_EQ(info.ctype, DWORD{BASS_CTYPE_STREAM_FLAC});
    const Decoded decoded = decodeToEnd(stream);
    EXPECT_EQ(decoded.frames, kToneFrames);
    EXPECT_TRUE(decoded.sounded);
  }
  EXPECT_FALSE(mapped(kFluidSynth));
}

// A copy of the plug-ins whose modules are missing, broken or of another kind.
TEST_F(LazyPluginTest, WithoutTheirModulesThePluginsFailCleanly) {
  const std::string built = TAVELO_TEST_PLUGIN_DIR;
  const fs::path folder = fs::path(dir_.path()) / "Plug-ins";
  fs::create_directories(folder / "ffmpeg");
  fs::create_directories(folder / "midi");
  fs::copy_file(built + "/ffmpeg.so", folder / "ffmpeg.so");
  fs::copy_file(built + "/midi.so", folder / "midi.so");
  loadPlugins(folder.string());
  const std::string flac = tone("tone.flac");
  const std::string midi = midiFile();
  std::string dls = "RIFF....DLS colh";
  const std::string dlsPath = dir_.file("collection.dls");
  writeText(dlsPath, dls);

  const auto expectCleanFailures = [&] {
    EXPECT_EQ(BASS_StreamCreateFile(0, flac.c_str(), 0, 0, BASS_STREAM_DECODE), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEFORM);
    EXPECT_EQ(BASS_MIDI_StreamCreateFile(0, midi.c_str(), 0, 0, BASS_STREAM_DECODE, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOTAVAIL);
    EXPECT_EQ(BASS_MIDI_FontInit(dlsPath.c_str(), 0), 0u) << "a font only the synthesiser could check";
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEFORM);
    const HSOUNDFONT font = BASS_MIDI_FontInit(kGmFont, 0);
    EXPECT_NE(font, 0u) << "a SoundFont is checked without the synthesiser";
    BASS_MIDI_FontFree(font);
  };
  {
    SCOPED_TRACE("missing");
    expectCleanFailures();
  }
  {
    SCOPED_TRACE("not libraries");
    writeText((folder / "ffmpeg" / "decoder.so").string(), "not a library");
    writeText((folder / "midi" / "synth.so").string(), "not a library");
    expectCleanFailures();
  }
  {
    SCOPED_TRACE("libraries without the entry");
    fs::copy_file(built + "/midi.so", folder / "ffmpeg" / "decoder.so", fs::copy_options::overwrite_existing);
    fs::copy_file(built + "/ffmpeg.so", folder / "midi" / "synth.so", fs::copy_options::overwrite_existing);
    expectCleanFailures();
  }
  {
    SCOPED_TRACE("the real ones, put in place afterwards");
    fs::copy_file(built + "/ffmpeg/decoder.so", folder / "ffmpeg" / "decoder.so", fs::copy_options::overwrite_existing);
    fs::copy_file(built + "/midi/synth.so", folder / "midi" / "synth.so", fs::copy_options::overwrite_existing);
    EXPECT_NE(BASS_StreamCreateFile(0, flac.c_str(), 0, 0, BASS_STREAM_DECODE), 0u) << BASS_ErrorGetCode();
    EXPECT_NE(BASS_MIDI_StreamCreateFile(0, midi.c_str(), 0, 0, BASS_STREAM_DECODE, 0), 0u) << BASS_ErrorGetCode();
  }
}

TEST_F(LazyPluginTest, TheModulesAreNoPlugins) {
  for (const char* module : {"/ffmpeg/decoder.so", "/midi/synth.so", "/net/download.so"}) {
    SCOPED_TRACE(module);
    EXPECT_EQ(BASS_PluginLoad((std::string(TAVELO_TEST_PLUGIN_DIR) + module).c_str(), 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEFORM);
  }
}

TEST_F(LazyPluginTest, TheFirstUrlBringsLibcurlAndFilesDoNot) {
  ASSERT_FALSE(mapped(kCurl)) << "the engine itself must not bring libcurl";
  const HSTREAM file = BASS_StreamCreateFile(0, tone("tone.flac").c_str(), 0, 0, BASS_STREAM_DECODE);
  EXPECT_EQ(file, 0u) << "no plug-in loaded";
  EXPECT_FALSE(mapped(kCurl));
  const std::string nobody = "http://127.0.0.1:1/";
  EXPECT_EQ(BASS_StreamCreateURL(nobody.c_str(), 0, BASS_STREAM_DECODE, nullptr, nullptr), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NONET) << "the module was found and tried";
  EXPECT_TRUE(mapped(kCurl));
  EXPECT_FALSE(mapped(kFfmpeg));
}

// A player may exit with streams open: the engine's teardown then closes them after the plug-ins'
// own teardown has run. The engine starts in a child, as threads do not survive a fork.
TEST(LazyPluginExitTest, ExitingWithStreamsOpenDoesNoHarm) {
  const TempDir dir;
  const std::string midi = writeTune(dir);
  const std::string flac = writeTone(dir, "tone.flac");
  const pid_t child = fork();
  if (child == 0) {
    const bool opened = BASS_Init(0, 44100, 0, nullptr, nullptr) &&
                        BASS_PluginLoad(TAVELO_TEST_PLUGIN_DIR "/ffmpeg.so", 0) != 0 &&
                        BASS_PluginLoad(TAVELO_TEST_PLUGIN_DIR "/midi.so", 0) != 0 &&
                        BASS_StreamCreateFile(0, midi.c_str(), 0, 0, 0) != 0 && BASS_StreamCreateFile(0, flac.c_str(), 0, 0, 0) != 0;
    std::exit(opened ? 0 : 3);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status)) << "signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

// Fonts the plug-in checks by their chunks: a font cut short or out of shape fails at once, one
// whose chunks are in shape but whose insides FluidSynth refuses fails when a stream needs it.
TEST_F(LazyPluginTest, SoundFontsAreCheckedByTheirChunks) {
  loadPlugins(TAVELO_TEST_PLUGIN_DIR);
  const std::string gm = readAll(kGmFont);
  ASSERT_GT(gm.size(), 100000u);
  const auto changed = [&](const std::string& name, auto change) {
    std::string bytes = gm;
    change(bytes);
    writeText(dir_.file(name), bytes);
    return dir_.file(name);
  };
  const auto chunk = [&](const std::string& id) { return gm.find(id); };
  ASSERT_NE(chunk("phdr"), std::string::npos);
  const auto setSize = [](std::string& bytes, std::size_t at, std::uint32_t size) {
    for (int i = 0; i < 4; ++i) bytes[at + 4 + i] = char((size >> (8 * i)) & 0xFF);
  };
  struct Case {
    std::string path;
    int error;
  };
  const Case refused[] = {
      {changed("cut.sf2", [](std::string& b) { b.resize(b.size() - 1000); }), BASS_ERROR_FILEFORM},
      {changed("trailing.sf2", [](std::string& b) { b += "more"; }), BASS_ERROR_FILEFORM},
      {changed("wave.sf2", [](std::string& b) { b.replace(8, 4, "WAVE"); }), BASS_ERROR_FILEFORM},
      {changed("nopresets.sf2", [&](std::string& b) { b.replace(chunk("phdr"), 4, "xxxx"); }), BASS_ERROR_FILEFORM},
      {changed("oddpresets.sf2", [&](std::string& b) { setSize(b, chunk("phdr"), 37); }), BASS_ERROR_FILEFORM},
      {changed("longsamples.sf2", [&](std::string& b) { setSize(b, chunk("smpl"), 0x7FFFFFFF); }), BASS_ERROR_FILEFORM},
  };
  for (const Case& c : refused) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(BASS_MIDI_FontInit(c.path.c_str(), 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), c.error);
  }
  EXPECT_FALSE(mapped(kFluidSynth));

  // Presets that point past their zones: the chunks are in shape, the contents are not.
  const std::string inside = changed("inside.sf2", [&](std::string& b) {
    const std::size_t firstBag = chunk("phdr") + 8 + 24;
    b[firstBag] = char(0xFF);
    b[firstBag + 1] = char(0x7F);
  });
  const HSOUNDFONT font = BASS_MIDI_FontInit(inside.c_str(), 0);
  ASSERT_NE(font, 0u) << BASS_ErrorGetCode();
  const BASS_MIDI_FONT record{font, -1, 0};
  ASSERT_TRUE(BASS_MIDI_StreamSetFonts(0, &record, 1));
  EXPECT_EQ(BASS_MIDI_StreamCreateFile(0, midiFile().c_str(), 0, 0, BASS_STREAM_DECODE, 0), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOTAVAIL);
  EXPECT_TRUE(BASS_MIDI_FontFree(font));
}

}  // namespace
}  // namespace tavelo::test
