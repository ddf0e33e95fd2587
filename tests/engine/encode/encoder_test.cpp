// Encoders on real channels: the Debian encoders and the engine's own WAVE writer, fed from
// decode-only channels (at the reader's pace) and from channels playing on the "No sound" device.
#include "audio_files.h"
#include "engine_fixture.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <fstream>

namespace tavelo::test {
namespace {

using namespace std::chrono_literals;

struct SourceShape {
  const char* name;
  std::uint32_t rate;
  int channels;
};

constexpr SourceShape kShapes[] = {
    {"44.1 kHz stereo", 44100, 2},
    {"48 kHz stereo", 48000, 2},
    {"22.05 kHz mono", 22050, 1},
};

struct EncoderLine {
  const char* name;
  const char* extension;
  const char* line;           // OUT is the output file
  std::int64_t lengthSlack;   // frames a lossy codec may add or drop at the ends
  bool lossless;
};

const EncoderLine kEncoders[] = {
    {"lame", "mp3", "lame --quiet -m s --cbr -b 128 --ignorelength - OUT", 1152, false},
    {"ffmpeg aac", "aac", "ffmpeg -v error -y -f wav -ignore_length 1 -i - -c:a aac -b:a 96k -f adts OUT", 2048, false},
    {"oggenc", "ogg", "oggenc -Q --ignorelength -b 64 -o OUT -", 0, false},
    {"flac", "flac", "flac -f -5 -s --ignore-chunk-sizes -o OUT -", 0, true},
    {"wavpack", "wv", "wavpack -q -y -i - -o OUT", 0, true},
};

std::string withOutput(std::string line, const std::string& out) {
  line.replace(line.find("OUT"), 3, "\"" + out + "\"");
  return line;
}

std::string makeSource(const TempDir& dir, const SourceShape& shape, double seconds = 1.5) {
  const std::string path = dir.file(std::string("source-") + std::to_string(shape.rate) + "-" + std::to_string(shape.channels) + ".wav");
  writeWav(path, shape.rate, shape.channels, std::llround(seconds * shape.rate), sine(440, shape.rate));
  return path;
}

// Any encoded file back to 16-bit WAVE: Ogg through oggdec, which trims the stream's ends to
// its granule positions as players do; every other format through ffmpeg.
WavData decodeFile(const TempDir& dir, const std::string& encoded) {
  const std::string wav = dir.file("decoded.wav");
  const std::string command = encoded.ends_with(".ogg") ? "oggdec -Q -o '" + wav + "' '" + encoded + "'"
                                                         : "ffmpeg -v error -y -i '" + encoded + "' -c:a pcm_s16le '" + wav + "'";
  if (!run(command)) {
    return {};
  }
  return readWav(wav);
}

class EncoderTest : public EngineTest {
protected:
  static HSTREAM openDecoding(const std::string& path) { return openPlaying(path, BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT); }
  static HSTREAM openPlaying(const std::string& path, DWORD flags = 0) {
    return BASS_StreamCreateFile(0, path.c_str(), 0, 0, flags);
  }
  // Reads a decode-only channel to its end, `chunk` bytes at a time (as the player's runs do).
  static void readAll(HSTREAM stream, DWORD chunk = 10000) {
    std::vector<char> buffer(chunk);
    while (BASS_ChannelGetData(stream, buffer.data(), chunk) != DWORD(-1)) {
    }
  }
  TempDir dir_;
};

TEST_F(EncoderTest, EachEncoderKeepsRateChannelsAndLength) {
  for (const SourceShape& shape : kShapes) {
    const std::string source = makeSource(dir_, shape);
    const WavData original = readWav(source);
    for (const EncoderLine& encoder : kEncoders) {
      SCOPED_TRACE(std::string(encoder.name) + ", " + shape.name);
      const std::string out = dir_.file(std::string("out.") + encoder.extension);
      const HSTREAM stream = openDecoding(source);
      ASSERT_NE(stream, 0u);
      const HENCODE handle = BASS_Encode_Start(stream, withOutput(encoder.line, out).c_str(), BASS_ENCODE_FP_16BIT, nullptr, nullptr);
      ASSERT_NE(handle, 0u) << BASS_ErrorGetCode();
      EXPECT_EQ(BASS_Encode_IsActive(stream), 1u);
      readAll(stream);
      ASSERT_TRUE(BASS_Encode_Stop(stream)) << BASS_Encode_GetError(handle);
      BASS_StreamFree(stream);
      const WavData decoded = decodeFile(dir_, out);
      EXPECT_EQ(decoded.rate, shape.rate);
      EXPECT_EQ(decoded.channels, shape.channels);
      const auto frames = std::int64_t(decoded.samples.size()) / std::max(decoded.channels, 1);
      const auto expected = std::int64_t(original.samples.size()) / shape.channels;
      EXPECT_LE(std::abs(frames - expected), encoder.lengthSlack) << frames << " frames, not " << expected;
      if (encoder.lossless) {
        EXPECT_TRUE(decoded.samples == original.samples) << "the samples differ";
      }
    }
  }
}

TEST_F(EncoderTest, WithoutAHeaderFlacReadsRawSamples) {
  const std::string source = makeSource(dir_, kShapes[1]);
  const std::string out = dir_.file("raw.flac");
  const HSTREAM stream = openDecoding(source);
  const std::string line = "flac -f -s --force-raw-format --endian=little --sign=signed --channels=2 --bps=16 --sample-rate=48000 -o \"" + out + "\" -";
  const HENCODE handle = BASS_Encode_Start(stream, line.c_str(), BASS_ENCODE_FP_16BIT | BASS_ENCODE_NOHEAD, nullptr, nullptr);
  ASSERT_NE(handle, 0u);
  readAll(stream);
  ASSERT_TRUE(BASS_Encode_Stop(handle)) << BASS_Encode_GetError(handle);
  EXPECT_TRUE(decodeFile(dir_, out).samples == readWav(source).samples);
}

TEST_F(EncoderTest, ThePcmWriterWritesTheSamplesAndTheirSizes) {
  const std::string source = makeSource(dir_, kShapes[0]);
  const std::string out = dir_.file("copy.wav");
  const HSTREAM stream = openDecoding(source);
  const HENCODE handle = BASS_Encode_Start(stream, ("\"" + out + "\"").c_str(), BASS_ENCODE_PCM | BASS_ENCODE_FP_16BIT, nullptr, nullptr);
  ASSERT_NE(handle, 0u);
  readAll(stream);
  ASSERT_TRUE(BASS_Encode_Stop(handle));
  EXPECT_TRUE(readWav(out).samples == readWav(source).samples);
  struct stat st{};
  ASSERT_EQ(stat(source.c_str(), &st), 0);
  const auto sourceSize = st.st_size;
  ASSERT_EQ(stat(out.c_str(), &st), 0);
  EXPECT_EQ(st.st_size, sourceSize);
}

TEST_F(EncoderTest, ThePcmWriterKeepsItsHeaderCurrentWhileItRuns) {
  const std::string source = makeSource(dir_, kShapes[0], 4);
  const std::string out = dir_.file("live.wav");
  const HSTREAM stream = openPlaying(source);
  ASSERT_NE(BASS_Encode_Start(stream, out.c_str(), BASS_ENCODE_PCM | BASS_ENCODE_FP_16BIT | BASS_ENCODE_AUTOFREE, nullptr, nullptr), 0u);
  ASSERT_TRUE(BASS_ChannelPlay(stream, 0));
  std::this_thread::sleep_for(2500ms);
  // Not stopped: the file as a crash would leave it.
  const WavData partial = readWav(out);
  EXPECT_GE(partial.samples.size(), std::size_t(2 * 44100) * 2 * 3 / 4);
  EXPECT_EQ(partial.rate, 44100u);
  BASS_StreamFree(stream);
}

TEST_F(EncoderTest, AnEncoderThatExitsEarlyIsInactiveAndSaysWhy) {
  const std::string source = makeSource(dir_, kShapes[0]);
  const HSTREAM stream = openDecoding(source);
  const HENCODE handle = BASS_Encode_Start(stream, R"(sh -c "echo 'bad input' >&2; exit 3")", BASS_ENCODE_FP_16BIT, nullptr, nullptr);
  ASSERT_NE(handle, 0u);
  EXPECT_TRUE(waitFor([&] { return BASS_Encode_IsActive(handle) == 0; }, 5s));
  EXPECT_EQ(BASS_Encode_IsActive(stream), 0u);
  readAll(stream);  // the reader is not held up by an encoder that is gone
  EXPECT_FALSE(BASS_Encode_Stop(handle));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ENDED);
  ASSERT_NE(BASS_Encode_GetError(handle), nullptr);
  EXPECT_STREQ(BASS_Encode_GetError(handle), "exit status 3: bad input");
}

TEST_F(EncoderTest, AnEncoderThatTakesPartOfItsInputIsNoSuccess) {
  const std::string source = makeSource(dir_, kShapes[0], 8);  // more than the pipe holds
  const HSTREAM stream = openDecoding(source);
  const HENCODE handle = BASS_Encode_Start(stream, "head -c 1000", BASS_ENCODE_FP_16BIT, nullptr, nullptr);
  ASSERT_NE(handle, 0u);
  readAll(stream);
  EXPECT_FALSE(BASS_Encode_Stop(handle));
  EXPECT_STREQ(BASS_Encode_GetError(handle), "it stopped reading before the end");
}

TEST_F(EncoderTest, StartingFailsForAMissingProgramAFolderAndAnUnknownChannel) {
  const std::string source = makeSource(dir_, kShapes[0]);
  const HSTREAM stream = openDecoding(source);
  struct Case {
    const char* name;
    DWORD handle;
    std::string line;
    DWORD flags;
    int error;
  };
  const Case cases[] = {
      {"a program that is not there", stream, "no-such-encoder-here -", 0, BASS_ERROR_FILEOPEN},
      {"a WAVE file in a missing folder", stream, dir_.file("missing/x.wav"), BASS_ENCODE_PCM, BASS_ERROR_FILEOPEN},
      {"an unknown channel", 12345, "cat", 0, BASS_ERROR_HANDLE},
      {"an empty command", stream, "", 0, BASS_ERROR_ILLPARAM},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BASS_Encode_Start(c.handle, c.line.c_str(), c.flags, nullptr, nullptr), 0u) << c.name;
    EXPECT_EQ(BASS_ErrorGetCode(), c.error) << c.name;
  }
  EXPECT_EQ(BASS_Encode_IsActive(stream), 0u);
  EXPECT_FALSE(BASS_Encode_Stop(stream));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
}

TEST_F(EncoderTest, TwoEncodersOnOneChannelStopIndependently) {
  const std::string source = makeSource(dir_, kShapes[0], 2);
  const HSTREAM stream = openDecoding(source);
  const HENCODE first = BASS_Encode_Start(stream, dir_.file("first.wav").c_str(), BASS_ENCODE_PCM | BASS_ENCODE_FP_16BIT, nullptr, nullptr);
  const HENCODE second = BASS_Encode_Start(stream, dir_.file("second.wav").c_str(), BASS_ENCODE_PCM | BASS_ENCODE_FP_16BIT, nullptr, nullptr);
  ASSERT_NE(first, 0u);
  ASSERT_NE(second, 0u);
  std::vector<float> half(44100 * 2);
  ASSERT_EQ(BASS_ChannelGetData(stream, half.data(), DWORD(half.size() * sizeof(float))), half.size() * sizeof(float));
  ASSERT_TRUE(BASS_Encode_Stop(first));
  EXPECT_EQ(BASS_Encode_IsActive(first), 0u);
  EXPECT_EQ(BASS_Encode_IsActive(second), 1u);
  EXPECT_EQ(BASS_Encode_IsActive(stream), 1u);
  readAll(stream);
  ASSERT_TRUE(BASS_Encode_Stop(stream));
  EXPECT_EQ(readWav(dir_.file("first.wav")).samples.size(), std::size_t(44100) * 2);
  EXPECT_EQ(readWav(dir_.file("second.wav")).samples.size(), std::size_t(2 * 44100) * 2);
}

TEST_F(EncoderTest, FreeingTheChannelStopsAutofreeEncodersAndLeavesTheOthers) {
  const std::string source = makeSource(dir_, kShapes[0]);
  const HSTREAM stream = openDecoding(source);
  const HENCODE freed = BASS_Encode_Start(stream, dir_.file("freed.wav").c_str(), BASS_ENCODE_PCM | BASS_ENCODE_FP_16BIT | BASS_ENCODE_AUTOFREE, nullptr, nullptr);
  const HENCODE kept = BASS_Encode_Start(stream, "cat", BASS_ENCODE_FP_16BIT, nullptr, nullptr);
  ASSERT_NE(freed, 0u);
  ASSERT_NE(kept, 0u);
  readAll(stream);
  ASSERT_TRUE(BASS_StreamFree(stream));
  EXPECT_TRUE(waitFor([&] { return BASS_Encode_IsActive(freed) == 0; }, 5s));
  EXPECT_TRUE(waitFor([&] { return readWav(dir_.file("freed.wav")).samples.size() == std::size_t(66150) * 2; }, 5s));
  EXPECT_EQ(BASS_Encode_IsActive(kept), 1u);
  EXPECT_TRUE(BASS_Encode_Stop(kept));
  EXPECT_EQ(BASS_Encode_IsActive(kept), 0u);
}

std::size_t entriesIn(const char* folder) {
  std::size_t count = 0;
  if (DIR* dir = opendir(folder)) {
    while (readdir(dir) != nullptr) {
      ++count;
    }
    closedir(dir);
  }
  return count;
}

TEST_F(EncoderTest, AHundredStartsAndStopsLeaveNoDescriptorThreadOrProcess) {
  const std::string source = makeSource(dir_, kShapes[0], 0.2);
  const auto cycle = [&] {
    const HSTREAM stream = openDecoding(source);
    const HENCODE handle = BASS_Encode_Start(stream, "cat", BASS_ENCODE_FP_16BIT, nullptr, nullptr);
    readAll(stream);
    const bool stopped = BASS_Encode_Stop(handle);
    BASS_StreamFree(stream);
    return handle != 0 && stopped;
  };
  ASSERT_TRUE(cycle());  // whatever is made once (the reaper's work) is made before counting
  std::this_thread::sleep_for(200ms);
  const std::size_t descriptors = entriesIn("/proc/self/fd");
  const std::size_t threads = entriesIn("/proc/self/task");
  for (int i = 0; i < 100; ++i) {
    ASSERT_TRUE(cycle()) << "cycle " << i;
  }
  // The last stream's file is closed on the engine's reaper, a moment after its free returns.
  EXPECT_TRUE(waitFor([&] { return entriesIn("/proc/self/task") <= threads; }, 2s));
  EXPECT_TRUE(waitFor([&] { return entriesIn("/proc/self/fd") <= descriptors; }, 2s))
      << entriesIn("/proc/self/fd") << " descriptors, " << descriptors << " before";
  errno = 0;
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1) << "a child is left";
  EXPECT_EQ(errno, ECHILD);
}

TEST_F(EncoderTest, APlayingChannelKeepsRealTimeWhenItsEncoderNeverReads) {
  const std::string source = makeSource(dir_, kShapes[0], 6);
  const HSTREAM stream = openPlaying(source, BASS_SAMPLE_FLOAT);
  const HENCODE handle = BASS_Encode_Start(stream, "sleep 60", 0, nullptr, nullptr);  // float: the pipe fills in 3 s
  ASSERT_NE(handle, 0u);
  ASSERT_TRUE(BASS_ChannelPlay(stream, 0));
  const auto started = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(5s);
  const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  EXPECT_NEAR(positionSeconds(stream), elapsed, 0.5);
  EXPECT_EQ(BASS_ChannelIsActive(stream), DWORD(BASS_ACTIVE_PLAYING));
  // It never read, so it is killed at the stop's deadline.
  EXPECT_FALSE(BASS_Encode_Stop(handle));
  EXPECT_STREQ(BASS_Encode_GetError(handle), "killed by signal 9");
}

}  // namespace
}  // namespace tavelo::test
