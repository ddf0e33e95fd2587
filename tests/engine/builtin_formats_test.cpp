// The built-in decoders' own edges: MPEG audio with tags, VBR and gapless headers, other layers,
// rates and channel counts; WAVE and AIFF of every sample encoding and with awkward chunks;
// Ogg Vorbis channel order.
#include "audio_files.h"
#include "engine_fixture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

namespace tavelo::test {
namespace {

std::string readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}

std::string sizeBytes(std::uint32_t size, bool bigEndian) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) {
    bytes[std::size_t(bigEndian ? 3 - i : i)] = char((size >> (8 * i)) & 0xff);
  }
  return bytes;
}

// Encodes the test tone (2 s, 440 Hz, stereo, 44.1 kHz) with a shell command: "IN" and "OUT"
// stand for the files.
void encodeTone(const std::string& command, const std::string& out) {
  std::string line = command;
  line.replace(line.find("IN"), 2, "'" + mediaPath("tone.wav") + "'");
  line.replace(line.find("OUT"), 3, "'" + out + "'");
  ASSERT_TRUE(run(line)) << line;
}

// --- RIFF and IFF files taken apart and put together again

struct Chunk {
  std::string id;
  std::string body;
};

struct ChunkFile {
  std::string form;  // "RIFF....WAVE" or "FORM....AIFF": the size is rewritten on assembly
  std::vector<Chunk> chunks;
  bool bigEndian = false;
};

ChunkFile splitChunks(const std::string& bytes) {
  ChunkFile file{bytes.substr(0, 12), {}, bytes.compare(0, 4, "FORM") == 0};
  for (std::size_t at = 12; at + 8 <= bytes.size();) {
    std::uint32_t size = 0;
    for (int i = 0; i < 4; ++i) {
      const auto byte = std::uint8_t(bytes[at + 4 + std::size_t(file.bigEndian ? i : 3 - i)]);
      size = size << 8 | byte;
    }
    file.chunks.push_back({bytes.substr(at, 4), bytes.substr(at + 8, size)});
    at += 8 + size + (size & 1);
  }
  return file;
}

std::string joinChunks(const ChunkFile& file) {
  std::string body;
  for (const Chunk& chunk : file.chunks) {
    body += chunk.id + sizeBytes(std::uint32_t(chunk.body.size()), file.bigEndian) + chunk.body;
    body += chunk.body.size() % 2 == 1 ? std::string(1, '\0') : "";
  }
  return file.form.substr(0, 4) + sizeBytes(std::uint32_t(body.size() + 4), file.bigEndian) + file.form.substr(8, 4) + body;
}

Chunk* findChunk(ChunkFile& file, const char* id) {
  const auto it = std::find_if(file.chunks.begin(), file.chunks.end(), [id](const Chunk& c) { return c.id == id; });
  return it != file.chunks.end() ? &*it : nullptr;
}

// A chunk of odd size (with its pad byte) just before the sound.
void insertOddChunk(const std::string& from, const std::string& to, const char* id) {
  ChunkFile file = splitChunks(readBytes(from));
  const auto sound = std::find_if(file.chunks.begin(), file.chunks.end(), [](const Chunk& c) { return c.id == "data" || c.id == "SSND"; });
  file.chunks.insert(sound, {id, "odd"});
  writeBytes(to, joinChunks(file));
}

// The 16-bit stereo tone with a WAVE_FORMAT_EXTENSIBLE header (PCM sub-format, 16 valid bits).
void writeExtensibleTone(const std::string& path) {
  ChunkFile file = splitChunks(readBytes(mediaPath("tone.wav")));
  Chunk* format = findChunk(file, "fmt ");
  const char tail[] = "\x16\x00\x10\x00\x03\x00\x00\x00"                            // cbSize, valid bits, mask
                      "\x01\x00\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71";  // KSDATAFORMAT_SUBTYPE_PCM
  format->body = "\xFE\xFF" + format->body.substr(2) + std::string(tail, sizeof tail - 1);
  writeBytes(path, joinChunks(file));
}

// The whole tone's header on the first half of its sound: the data chunk claims twice what is there.
void writeOverclaimingWave(const std::string& path) {
  const std::string bytes = readBytes(mediaPath("tone.wav"));
  writeBytes(path, bytes.substr(0, 44 + std::size_t(kFrames) * 2));
}

// The tone as a writer into a pipe leaves it: the data chunk's size is 0.
void writeStreamedWave(const std::string& path) {
  std::string bytes = readBytes(mediaPath("tone.wav"));
  bytes.replace(40, 4, std::string(4, '\0'));
  writeBytes(path, bytes);
}

// --- MPEG audio

// An ID3v2.3 tag with a title and 4 KB of padding, as taggers leave it.
std::string id3v2Tag() {
  const std::string title = std::string("TIT2") + sizeBytes(6, true) + std::string("\0\0\0Tone", 7);
  const std::size_t size = title.size() + 4096;
  std::string tag("ID3\x03\x00\x00", 6);
  for (int shift = 21; shift >= 0; shift -= 7) {
    tag += char((size >> shift) & 0x7f);
  }
  return tag + title + std::string(4096, '\0');
}

// An APEv2 tag (header, one item, footer) and an ID3v1 tag, in that order, as at a file's end.
std::string apeAndId3v1Tags() {
  const std::string item = sizeBytes(4, false) + sizeBytes(0, false) + "Title" + std::string(1, '\0') + "Tone";
  const auto apeBlock = [&](std::uint32_t flags) {
    return "APETAGEX" + sizeBytes(2000, false) + sizeBytes(std::uint32_t(item.size() + 32), false) + sizeBytes(1, false) +
           sizeBytes(flags, false) + std::string(8, '\0');
  };
  std::string id3v1 = "TAG" + std::string("Tone");
  id3v1.resize(128, '\0');
  return apeBlock(0xA0000000u) + item + apeBlock(0x80000000u) + id3v1;
}

void writeTaggedMp3(const std::string& path) { writeBytes(path, id3v2Tag() + readBytes(mediaPath("tone.mp3")) + apeAndId3v1Tags()); }

void writeOneSecondMp3(const std::string& path) {
  const std::string wav = path + ".wav";
  writeWav(wav, kRate, 2, kRate, sine(kToneHz, kRate));
  ASSERT_TRUE(run("lame --quiet -b 128 '" + wav + "' '" + path + "'"));
}

struct DecodeCase {
  const char* name;
  void (*make)(const std::string& path);
  DWORD ctype;
  DWORD origres;
  DWORD rate;
  DWORD channels;
  std::int64_t frames;     // what the source recording had
  std::int64_t tolerance;  // of the announced and the decoded length
  double peak;             // of the decoded sound: its level shows scale and byte order
};

void expectDecodes(const DecodeCase& c) {
  SCOPED_TRACE(c.name);
  const std::string path = madeFile(c.name, c.make);
  const HSTREAM stream = BASS_StreamCreateFile(0, path.c_str(), 0, 0, BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT);
  ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
  BASS_CHANNELINFO info{};
  ASSERT_TRUE(BASS_ChannelGetInfo(stream, &info));
  EXPECT_EQ(info.ctype, c.ctype);
  EXPECT_EQ(info.origres, c.origres);
  EXPECT_EQ(info.freq, c.rate);
  EXPECT_EQ(info.chans, c.channels);
  EXPECT_EQ(info.plugin, 0u);
  const std::int64_t frameBytes = 4 * std::int64_t(c.channels);
  const auto announced = std::int64_t(BASS_ChannelGetLength(stream, BASS_POS_BYTE)) / frameBytes;
  EXPECT_NEAR(double(announced), double(c.frames), double(c.tolerance)) << "length before decoding";

  std::vector<float> samples;
  const std::int64_t decoded = decodeToEnd(stream, c.channels, &samples);
  EXPECT_NEAR(double(decoded), double(c.frames), double(c.tolerance)) << "frames decoded";
  EXPECT_EQ(std::int64_t(BASS_ChannelGetLength(stream, BASS_POS_BYTE)), decoded * frameBytes) << "exact at the end";
  std::vector<std::int16_t> pcm(samples.size());
  std::transform(samples.begin(), samples.end(), pcm.begin(), [](float v) { return std::int16_t(std::lround(v * 32767)); });
  for (int channel = 0; channel < int(c.channels); ++channel) {
    EXPECT_GT(toneShare(pcm, int(c.channels), channel, c.rate, kToneHz), 0.95) << "channel " << channel;
  }
  const float peak = samples.empty() ? 0.0f : *std::max_element(samples.begin(), samples.end());
  EXPECT_NEAR(peak, c.peak, 0.03);
  BASS_StreamFree(stream);
}

class BuiltInFormatTest : public EngineTest {};

TEST_F(BuiltInFormatTest, MpegAudioDecodesToItsExactLength) {
  const DecodeCase cases[] = {
      // The encoder's delay and padding that the LAME header records are not heard.
      {"one-second.mp3", writeOneSecondMp3, BASS_CTYPE_STREAM_MP3, 0, kRate, 2, kRate, 0, 0.5},
      {"vbr.mp3", [](const std::string& p) { encodeTone("lame --quiet -V 4 IN OUT", p); }, BASS_CTYPE_STREAM_MP3, 0, kRate, 2,
       kFrames, 0, 0.5},
      // Tags at both ends are no sound: no click, no noise, no lost frame.
      {"tagged.mp3", writeTaggedMp3, BASS_CTYPE_STREAM_MP3, 0, kRate, 2, kFrames, 0, 0.5},
      {"mono.mp3", [](const std::string& p) { encodeTone("ffmpeg -v error -i IN -ac 1 -c:a libmp3lame -b:a 64k OUT", p); },
       BASS_CTYPE_STREAM_MP3, 0, kRate, 1, kFrames, 0, 0.5},
      // MPEG-2 at half the rate: its frames hold 576 samples.
      {"lsf.mp3", [](const std::string& p) { encodeTone("lame --quiet --resample 22.05 -b 64 IN OUT", p); },
       BASS_CTYPE_STREAM_MP3, 0, 22050, 2, kFrames / 2, 0, 0.5},
      // Without a LAME header the frames are counted: the encoder's delay and padding are sound.
      {"no-header.mp3", [](const std::string& p) { encodeTone("lame --quiet -t -b 128 IN OUT", p); }, BASS_CTYPE_STREAM_MP3, 0,
       kRate, 2, kFrames, 2 * 1152, 0.5},
      // Free format: the frames do not state their length.
      {"free-format.mp3", [](const std::string& p) { encodeTone("lame --quiet --freeformat -b 400 IN OUT", p); },
       BASS_CTYPE_STREAM_MP3, 0, kRate, 2, kFrames, 0, 0.5},
      // MPEG audio in a WAVE file (format 0x55): the frames play, the RIFF header is skipped.
      {"mp3-in.wav", [](const std::string& p) { encodeTone("ffmpeg -v error -i IN -c:a libmp3lame -b:a 128k OUT", p); },
       BASS_CTYPE_STREAM_MP3, 0, kRate, 2, kFrames, 2 * 1152, 0.5},
      {"mono48k.mp2", [](const std::string& p) { encodeTone("ffmpeg -v error -i IN -ac 1 -ar 48000 -c:a mp2 -b:a 128k OUT", p); },
       BASS_CTYPE_STREAM_MP2, 0, 48000, 1, 2 * 48000, 1152, 0.5},
  };
  for (const DecodeCase& c : cases) {
    expectDecodes(c);
  }
}

TEST_F(BuiltInFormatTest, TagsChangeNoSampleOfAnMp3) {
  const HSTREAM plain = open("tone.mp3", BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT);
  const HSTREAM tagged = BASS_StreamCreateFile(0, madeFile("tagged.mp3", writeTaggedMp3).c_str(), 0, 0, BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT);
  ASSERT_NE(plain, 0u);
  ASSERT_NE(tagged, 0u);
  std::vector<float> plainSamples, taggedSamples;
  decodeToEnd(plain, 2, &plainSamples);
  decodeToEnd(tagged, 2, &taggedSamples);
  EXPECT_EQ(plainSamples, taggedSamples);
}

// After a seek of a stereo file to `target`, the decoder gives the very samples that a reading
// from the start gives there.
void expectSeekLandsOnTheSamplesReadThrough(const std::string& path, std::int64_t target) {
  constexpr std::size_t kCompared = 2 * 2048;
  const HSTREAM through = BASS_StreamCreateFile(0, path.c_str(), 0, 0, BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT);
  const HSTREAM seeked = BASS_StreamCreateFile(0, path.c_str(), 0, 0, BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT);
  ASSERT_NE(through, 0u);
  ASSERT_NE(seeked, 0u);
  std::vector<float> all;
  decodeToEnd(through, 2, &all);
  ASSERT_GE(all.size(), 2 * std::size_t(target) + kCompared);
  ASSERT_TRUE(BASS_ChannelSetPosition(seeked, QWORD(target) * 8, BASS_POS_BYTE)) << BASS_ErrorGetCode();
  std::vector<float> after(kCompared);
  ASSERT_EQ(BASS_ChannelGetData(seeked, after.data(), DWORD(kCompared * sizeof(float)) | BASS_DATA_FLOAT),
            DWORD(kCompared * sizeof(float)));
  const auto from = all.begin() + 2 * target;
  const std::vector<float> expected(from, from + std::ptrdiff_t(kCompared));
  float largest = 0;
  for (std::size_t i = 0; i < kCompared; ++i) {
    largest = std::max(largest, std::fabs(after[i] - expected[i]));
  }
  EXPECT_LT(largest, 1e-4f);
  BASS_StreamFree(through);
  BASS_StreamFree(seeked);
}

// MPEG audio decodes the frames before the target that its bit reservoir needs.
TEST_F(BuiltInFormatTest, ASeekLandsOnTheSameSamplesAsReadingThrough) {
  for (const char* name : {"tone.mp3", "tone.mp2", "tone.ogg", "tone.aif", "tone-float.wav"}) {
    SCOPED_TRACE(name);
    expectSeekLandsOnTheSamplesReadThrough(mediaPath(name), 33333);
  }
}

// 3 s of loud noise, then 17 s of a quiet tone: VBR frames of 320 kb/s first, far smaller after.
void writeVbrWithoutHeader(const std::string& path) {
  const std::string wav = path + ".wav";
  const auto tone = sine(kToneHz, kRate, 0.1);
  writeWav(wav, kRate, 2, 20 * kRate, [&](std::int64_t frame, int channel) {
    const auto noise = double(((frame * 2 + channel) * 1103515245 + 12345) & 0xffff) / 32768.0 - 1.0;
    return frame < 3 * kRate ? 0.8 * noise : tone(frame, channel);
  });
  ASSERT_TRUE(run("lame --quiet -V 2 -t '" + wav + "' '" + path + "'"));
  std::remove(wav.c_str());
}

// The length is not guessed from the first frame's bit rate: here that would be a third of it,
// the bar would be full at 7 s and a seek past it refused.
TEST_F(BuiltInFormatTest, AVbrMp3WithoutAHeaderHasItsTrueLengthAndASeekLandsRight) {
  const std::string path = madeFile("vbr-no-header.mp3", writeVbrWithoutHeader);
  const std::string bytes = readBytes(path);
  ASSERT_EQ(bytes.find("Xing"), std::string::npos);
  ASSERT_EQ(bytes.find("Info"), std::string::npos);
  for (const DWORD flags : {DWORD{BASS_STREAM_DECODE}, DWORD{0}}) {
    const HSTREAM stream = BASS_StreamCreateFile(0, path.c_str(), 0, 0, flags | BASS_SAMPLE_FLOAT);
    ASSERT_NE(stream, 0u);
    const double seconds = BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetLength(stream, BASS_POS_BYTE));
    EXPECT_NEAR(seconds, 20.0, 2 * 1152.0 / kRate) << "the encoder's delay and padding are all it adds";
    ASSERT_TRUE(BASS_ChannelSetPosition(stream, BASS_ChannelSeconds2Bytes(stream, seconds / 2), BASS_POS_BYTE));
    EXPECT_NEAR(positionSeconds(stream), seconds / 2, 0.001);
    if (flags == BASS_STREAM_DECODE) {
      const std::int64_t announced = std::int64_t(BASS_ChannelGetLength(stream, BASS_POS_BYTE)) / 8;
      BASS_ChannelSetPosition(stream, 0, BASS_POS_BYTE);
      EXPECT_NEAR(double(decodeToEnd(stream, 2)), double(announced), 1152) << "what decoding gives, within a frame";
    }
    BASS_StreamFree(stream);
  }
  expectSeekLandsOnTheSamplesReadThrough(path, 10 * kRate);
}

TEST_F(BuiltInFormatTest, WaveAndAiffDecodeEverySampleEncoding) {
  const auto ffmpeg = [](const char* args) { return std::string("ffmpeg -v error -i IN ") + args + " OUT"; };
  static const std::string s24 = ffmpeg("-c:a pcm_s24le"), s32 = ffmpeg("-c:a pcm_s32le"), u8 = ffmpeg("-c:a pcm_u8"),
                           f64 = ffmpeg("-c:a pcm_f64le"), s24be = ffmpeg("-c:a pcm_s24be -f aiff"),
                           sowt = ffmpeg("-c:a pcm_s16le -f aiff"), fl32 = ffmpeg("-c:a pcm_f32be -f aiff");
  constexpr DWORD kPcm = BASS_CTYPE_STREAM_WAV_PCM, kFloat = BASS_CTYPE_STREAM_WAV_FLOAT, kAiff = BASS_CTYPE_STREAM_AIFF;
  const DecodeCase cases[] = {
      {"u8.wav", [](const std::string& p) { encodeTone(u8, p); }, kPcm, 8, kRate, 2, kFrames, 0, 0.5},
      {"s24.wav", [](const std::string& p) { encodeTone(s24, p); }, kPcm, 24, kRate, 2, kFrames, 0, 0.5},
      {"s32.wav", [](const std::string& p) { encodeTone(s32, p); }, kPcm, 32, kRate, 2, kFrames, 0, 0.5},
      {"f64.wav", [](const std::string& p) { encodeTone(f64, p); }, kFloat, 64, kRate, 2, kFrames, 0, 0.5},
      {"extensible.wav", writeExtensibleTone, kPcm, 16, kRate, 2, kFrames, 0, 0.5},
      {"odd-chunk.wav", [](const std::string& p) { insertOddChunk(mediaPath("tone.wav"), p, "junk"); }, kPcm, 16, kRate, 2,
       kFrames, 0, 0.5},
      // What the file holds, not what its data chunk claims.
      {"overclaiming.wav", writeOverclaimingWave, kPcm, 16, kRate, 2, kFrames / 2, 0, 0.5},
      {"streamed.wav", writeStreamedWave, kPcm, 16, kRate, 2, kFrames, 0, 0.5},
      {"s8.aiff", [](const std::string& p) { encodeTone("sox IN -b 8 OUT", p); }, kAiff, 8, kRate, 2, kFrames, 0, 0.5},
      {"s24.aiff", [](const std::string& p) { encodeTone(s24be, p); }, kAiff, 24, kRate, 2, kFrames, 0, 0.5},
      {"none.aifc", [](const std::string& p) { encodeTone("sox IN OUT", p); }, kAiff, 16, kRate, 2, kFrames, 0, 0.5},
      {"sowt.aifc", [](const std::string& p) { encodeTone(sowt, p); }, kAiff, 16, kRate, 2, kFrames, 0, 0.5},
      {"fl32.aifc", [](const std::string& p) { encodeTone(fl32, p); }, kAiff, 32, kRate, 2, kFrames, 0, 0.5},
      {"FL32.aifc",
       [](const std::string& p) {
         encodeTone(fl32, p);
         std::string bytes = readBytes(p);
         bytes.replace(bytes.find("fl32"), 4, "FL32");
         writeBytes(p, bytes);
       },
       kAiff, 32, kRate, 2, kFrames, 0, 0.5},
      {"odd-chunk.aiff", [](const std::string& p) { insertOddChunk(mediaPath("tone.aif"), p, "ANNO"); }, kAiff, 16, kRate, 2,
       kFrames, 0, 0.5},
  };
  for (const DecodeCase& c : cases) {
    expectDecodes(c);
  }
}

TEST_F(BuiltInFormatTest, WaveAndAiffOfOtherEncodingsAreLeftToPlugins) {
  struct Case {
    const char* name;
    const char* command;
  };
  for (const Case c : {Case{"alaw.wav", "ffmpeg -v error -i IN -c:a pcm_alaw OUT"},
                       Case{"adpcm.wav", "ffmpeg -v error -i IN -c:a adpcm_ms OUT"},
                       Case{"ulaw.aifc", "ffmpeg -v error -i IN -c:a pcm_mulaw -f aiff OUT"}}) {
    SCOPED_TRACE(c.name);
    encodeTone(c.command, mediaPath(c.name));
    EXPECT_EQ(BASS_StreamCreateFile(0, mediaPath(c.name).c_str(), 0, 0, BASS_STREAM_DECODE), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEFORM);
  }
}

// A six-channel Vorbis file whose centre alone sounds: the engine gives it as the third channel,
// where WAVE files have it, whatever order Vorbis keeps inside.
TEST_F(BuiltInFormatTest, VorbisChannelsComeInWaveOrder) {
  const std::string path = madeFile("centre.ogg", [](const std::string& p) {
    const std::string wav = p + ".wav";
    writeWav(wav, kRate, 6, kRate, [](std::int64_t f, int c) { return c == 2 ? sine(kToneHz, kRate)(f, c) : 0.0; });
    ASSERT_TRUE(run("ffmpeg -v error -i '" + wav + "' -channel_layout 5.1 -c:a libvorbis -q:a 4 '" + p + "'"));
  });
  const HSTREAM stream = BASS_StreamCreateFile(0, path.c_str(), 0, 0, BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT);
  ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
  std::vector<float> samples;
  decodeToEnd(stream, 6, &samples);
  std::vector<float> peaks(6);
  for (std::size_t i = 0; i < samples.size(); ++i) {
    peaks[i % 6] = std::max(peaks[i % 6], std::fabs(samples[i]));
  }
  EXPECT_GT(peaks[2], 0.4f);
  for (const int quiet : {0, 1, 3, 4, 5}) {
    EXPECT_LT(peaks[std::size_t(quiet)], 0.05f) << "channel " << quiet;
  }
}

}  // namespace
}  // namespace tavelo::test
