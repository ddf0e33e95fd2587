// Damaged and wrong files: a clear error at creation, or a sound that ends early; never a hang.
#include "audio_files.h"
#include "engine_fixture.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

namespace tavelo::test {
namespace {

void writeText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::string copyWithChange(const std::string& name, const std::string& newName, double keepShare, std::size_t garbageBytes) {
  const std::string from = mediaPath(name);
  const std::string to = mediaPath(newName);
  std::ifstream in(from, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  bytes.resize(std::size_t(double(bytes.size()) * keepShare));
  std::mt19937 random(7);
  for (std::size_t i = 0; i < garbageBytes; ++i) {
    bytes.push_back(char(random()));
  }
  std::ofstream(to, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
  return to;
}

struct RefusedCase {
  const char* what;
  std::string path;
  int error;
};

TEST_F(EngineTest, FilesThatAreNotSoundAreRefusedWithAReason) {
  writeText(mediaPath("text.mp3"), "This is a shopping list, not a song.\nMilk\nBread\n");
  writeText(mediaPath("empty.mp3"), "");
  writeText(mediaPath("noise.ogg"), std::string(3000, '\x5a'));
  const std::vector<RefusedCase> cases{
      {"missing", mediaPath("no-such-file.mp3"), BASS_ERROR_FILEOPEN},
      {"a folder", std::filesystem::path(mediaPath("tone.wav")).parent_path().string(), BASS_ERROR_FILEOPEN},
      {"empty", mediaPath("empty.mp3"), BASS_ERROR_FILEFORM},
      {"text renamed .mp3", mediaPath("text.mp3"), BASS_ERROR_FILEFORM},
      {"noise renamed .ogg", mediaPath("noise.ogg"), BASS_ERROR_FILEFORM},
      {"only the first bytes", copyWithChange("tone.mp3", "stub.mp3", 0.001, 0), BASS_ERROR_FILEFORM},
  };
  for (const auto& c : cases) {
    for (const DWORD flags : {DWORD{0}, DWORD{BASS_STREAM_DECODE}}) {
      SCOPED_TRACE(std::string(c.what) + (flags != 0 ? " (decode)" : ""));
      EXPECT_EQ(BASS_StreamCreateFile(0, c.path.c_str(), 0, 0, flags), 0u);
      EXPECT_EQ(BASS_ErrorGetCode(), c.error);
    }
  }
  EXPECT_EQ(BASS_StreamCreateFile(0, nullptr, 0, 0, 0), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEOPEN);
}

struct DamagedCase {
  const char* source;
  const char* damaged;
  double keepShare;
  std::size_t garbage;
  double minSeconds;  // at least this much of the sound before the damage plays
  double maxSeconds;
};

TEST_F(EngineTest, DamagedFilesPlayUpToTheDamage) {
  const std::vector<DamagedCase> cases{
      {"tone.mp3", "half.mp3", 0.5, 0, 0.8, 1.2},
      {"tone.ogg", "cut.ogg", 0.75, 0, 0.6, 1.6},  // a tone packs small: half would cut the headers
      {"tone.flac", "half.flac", 0.5, 0, 0.6, 1.4},
      {"tone.m4a", "half.m4a", 0.5, 0, 0.0, 1.4},
      {"tone.wav", "half.wav", 0.5, 0, 0.95, 1.05},
      {"tone.mp3", "tail.mp3", 1.0, 200000, 1.95, 2.2},
      {"tone.wav", "tail.wav", 1.0, 200000, 1.99, 2.01},
      {"tone.flac", "tail.flac", 1.0, 200000, 1.95, 2.2},
      {"tone.wv", "holed.wv", 0.6, 5000, 0.5, 1.5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.damaged);
    const std::string path = copyWithChange(c.source, c.damaged, c.keepShare, c.garbage);
    const HSTREAM stream = BASS_StreamCreateFile(0, path.c_str(), 0, 0, BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT);
    if (stream == 0) {
      EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEFORM) << "refused at creation";
      EXPECT_EQ(c.minSeconds, 0.0) << "but sound came before the damage";
      continue;
    }
    BASS_CHANNELINFO info{};
    BASS_ChannelGetInfo(stream, &info);
    const double seconds = double(decodeToEnd(stream, info.chans)) / info.freq;
    EXPECT_GE(seconds, c.minSeconds);
    EXPECT_LE(seconds, c.maxSeconds);
    EXPECT_EQ(BASS_ChannelIsActive(stream), DWORD{BASS_ACTIVE_STOPPED});
    BASS_StreamFree(stream);
  }
}

std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string randomBytes(std::size_t count) {
  std::mt19937 random(11);
  std::string bytes(count, '\0');
  for (char& byte : bytes) {
    byte = char(random());
  }
  return bytes;
}

// A copy of `name` with `bytes` written at `offset` from the start of the first `after` text
// (from the file's start when `after` is empty).
std::string patched(const std::string& name, const std::string& newName, const std::string& after, std::size_t offset,
                    const std::string& bytes) {
  std::string file = readAll(mediaPath(name));
  file.replace((after.empty() ? 0 : file.find(after)) + offset, bytes.size(), bytes);
  writeText(mediaPath(newName), file);
  return mediaPath(newName);
}

// Headers whose numbers make no sense are refused, not believed: no division by zero, no huge
// buffer, no read past the end, no endless search.
TEST_F(EngineTest, HeadersThatMakeNoSenseAreRefused) {
  const std::string none(4, '\0');
  writeText(mediaPath("huge-id3.mp3"), std::string("ID3\x04\0\0\x7f\x7f\x7f\x7f", 10) + randomBytes(100000));
  writeText(mediaPath("random.mp3"), randomBytes(1 << 20));
  const std::vector<std::pair<const char*, std::string>> cases{
      {"WAVE without channels", patched("tone.wav", "no-channels.wav", "", 22, none.substr(0, 2))},
      {"WAVE of 5000 channels", patched("tone.wav", "many-channels.wav", "", 22, "\x88\x13")},
      {"WAVE without a rate", patched("tone.wav", "no-rate.wav", "", 24, none)},
      {"WAVE of 0-bit samples", patched("tone.wav", "no-bits.wav", "", 34, none.substr(0, 2))},
      {"WAVE format chunk past the end", patched("tone.wav", "long-fmt.wav", "", 16, "\xf0\xff\xff\xff")},
      {"AIFF without channels", patched("tone.aif", "no-channels.aif", "COMM", 8, none.substr(0, 2))},
      {"AIFF without frames", patched("tone.aif", "no-frames.aif", "COMM", 10, none)},
      {"AIFF sound offset past the end", patched("tone.aif", "far-sound.aif", "SSND", 8, "\x7f\xff\xff\xff")},
      {"ID3v2 tag larger than the file", mediaPath("huge-id3.mp3")},
      {"a megabyte of random bytes", mediaPath("random.mp3")},
  };
  for (const auto& [what, path] : cases) {
    SCOPED_TRACE(what);
    EXPECT_EQ(BASS_StreamCreateFile(0, path.c_str(), 0, 0, BASS_STREAM_DECODE), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEFORM);
  }
}

// Names that look like FFmpeg protocols are still plain files ("pipe:0" would read our stdin).
TEST_F(EngineTest, FileNamesAreNeverFollowedAsProtocols) {
  const std::filesystem::path folder = std::filesystem::path(mediaPath("tone.wav")).parent_path();
  for (const char* name : {"pipe:0", "concat:tone.wav|tone.wav", "http:tone.wav"}) {
    SCOPED_TRACE(name);
    std::filesystem::copy_file(folder / "tone.wav", folder / name, std::filesystem::copy_options::overwrite_existing);
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    const HSTREAM stream = BASS_StreamCreateFile(0, name, 0, 0, BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT);
    std::filesystem::current_path(previous);
    ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
    EXPECT_EQ(decodeToEnd(stream, 2), kFrames);
    BASS_StreamFree(stream);
  }
}

TEST_F(EngineTest, ATruncatedFileEndsItsPlaybackEarly) {
  const std::string path = copyWithChange("tone.mp3", "short.mp3", 0.25, 0);
  const HSTREAM stream = BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0);
  ASSERT_NE(stream, 0u);
  ASSERT_TRUE(BASS_ChannelPlay(stream, 0));
  EXPECT_TRUE(waitFor([&] { return BASS_ChannelIsActive(stream) == BASS_ACTIVE_STOPPED; }, std::chrono::seconds(2)));
  EXPECT_LT(positionSeconds(stream), 0.8);
  EXPECT_EQ(BASS_ChannelGetLength(stream, BASS_POS_BYTE), BASS_ChannelGetPosition(stream, BASS_POS_BYTE));
}

}  // namespace
}  // namespace tavelo::test
