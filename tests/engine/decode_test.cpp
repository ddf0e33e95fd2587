// Decoding: every format's length, type and position; float and 16-bit channels; seeking.
#include "audio_files.h"
#include "engine_fixture.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace tavelo::test {
namespace {

class FormatTest : public EngineTest, public ::testing::WithParamInterface<MediaFile> {};

TEST_P(FormatTest, DecodesToItsLengthAndReportsItsFormat) {
  const MediaFile& m = GetParam();
  const HSTREAM stream = open(m.name, BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT);
  ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();

  BASS_CHANNELINFO info{};
  ASSERT_TRUE(BASS_ChannelGetInfo(stream, &info));
  EXPECT_EQ(info.ctype, m.ctype);
  EXPECT_EQ(info.freq, m.rate);
  EXPECT_EQ(info.chans, m.channels);
  EXPECT_EQ(info.flags, DWORD(BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT));
  EXPECT_EQ(info.plugin != 0, m.plugin);
  const std::int64_t frameBytes = 4 * m.channels;

  const auto announced = std::int64_t(BASS_ChannelGetLength(stream, BASS_POS_BYTE)) / frameBytes;
  EXPECT_NEAR(double(announced), double(m.frames), double(m.codecFrame)) << "length before decoding";

  std::vector<float> samples;
  const std::int64_t decoded = decodeToEnd(stream, m.channels, &samples);
  EXPECT_NEAR(double(decoded), double(m.frames), double(m.codecFrame)) << "frames decoded";
  if (m.tone()) {
    std::vector<std::int16_t> pcm(samples.size());
    std::transform(samples.begin(), samples.end(), pcm.begin(), [](float v) { return std::int16_t(v * 32767); });
    for (int channel = 0; channel < int(m.channels); ++channel) {
      EXPECT_GT(toneShare(pcm, int(m.channels), channel, m.rate, kToneHz), 0.95) << "channel " << channel;
    }
  } else {
    EXPECT_TRUE(std::all_of(samples.begin(), samples.end(), [](float v) { return v == 0.0f; })) << "silence";
  }
  EXPECT_EQ(std::int64_t(BASS_ChannelGetPosition(stream, BASS_POS_BYTE)), decoded * frameBytes);
  EXPECT_EQ(std::int64_t(BASS_ChannelGetLength(stream, BASS_POS_BYTE)), decoded * frameBytes) << "exact at the end";
  EXPECT_EQ(BASS_ChannelIsActive(stream), DWORD{BASS_ACTIVE_STOPPED});
  float buffer[64];
  EXPECT_EQ(BASS_ChannelGetData(stream, buffer, sizeof buffer), DWORD(-1));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ENDED);
}

TEST_P(FormatTest, SetPositionThenGetPositionAgree) {
  const MediaFile& m = GetParam();
  for (const DWORD flags : {DWORD{BASS_STREAM_DECODE}, DWORD{0}}) {
    const HSTREAM stream = open(m.name, flags);
    ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
    const QWORD target = BASS_ChannelSeconds2Bytes(stream, 1.25);
    ASSERT_TRUE(BASS_ChannelSetPosition(stream, target, BASS_POS_BYTE)) << BASS_ErrorGetCode();
    EXPECT_EQ(BASS_ChannelGetPosition(stream, BASS_POS_BYTE), target);
    EXPECT_DOUBLE_EQ(positionSeconds(stream), std::floor(1.25 * m.rate) / m.rate);
    BASS_StreamFree(stream);
  }
}

INSTANTIATE_TEST_SUITE_P(EveryFormat, FormatTest, ::testing::ValuesIn(mediaFormats()),
                         [](const auto& info) {
                           std::string name = info.param.name;
                           for (char& c : name) {
                             c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                           }
                           return name;
                         });

TEST_F(EngineTest, FloatAndSixteenBitChannelsCountTheirOwnBytes) {
  struct Case {
    DWORD flags;
    DWORD sampleBytes;
  };
  for (const Case c : {Case{0, 2}, Case{BASS_SAMPLE_FLOAT, 4}}) {
    SCOPED_TRACE(c.sampleBytes);
    const HSTREAM stream = open("tone.mp3", c.flags | BASS_STREAM_DECODE);
    ASSERT_NE(stream, 0u);
    BASS_CHANNELINFO info{};
    ASSERT_TRUE(BASS_ChannelGetInfo(stream, &info));
    EXPECT_EQ(info.flags & BASS_SAMPLE_FLOAT, c.flags);
    EXPECT_EQ(info.flags & BASS_SAMPLE_8BITS, 0u);
    const QWORD length = BASS_ChannelGetLength(stream, BASS_POS_BYTE);
    EXPECT_EQ(length % (2 * c.sampleBytes), 0u);
    EXPECT_NEAR(BASS_ChannelBytes2Seconds(stream, length), 2.0, 0.03);
    EXPECT_EQ(BASS_ChannelSeconds2Bytes(stream, 1.0), QWORD{44100} * 2 * c.sampleBytes);

    std::vector<char> buffer(10000);
    const DWORD got = BASS_ChannelGetData(stream, buffer.data(), DWORD(buffer.size()));
    EXPECT_EQ(got, DWORD(buffer.size() / (2 * c.sampleBytes) * 2 * c.sampleBytes));
    EXPECT_EQ(BASS_ChannelGetPosition(stream, BASS_POS_BYTE), got);
    float rate = 0;
    ASSERT_TRUE(BASS_ChannelGetAttribute(stream, BASS_ATTRIB_FREQ, &rate));
    EXPECT_EQ(rate, 44100.0f);
    BASS_StreamFree(stream);
  }
}

TEST_F(EngineTest, SixteenBitDataIsTheSoundScaledAndClipped) {
  const std::string path = madeFile("loud.wav", [](const std::string& p) {
    writeWav(p, kRate, 1, 4, [](std::int64_t f, int) { return std::array{1.0, -1.0, 0.5, 0.0}[std::size_t(f)]; });
  });
  const HSTREAM stream = BASS_StreamCreateFile(0, path.c_str(), 0, 0, BASS_STREAM_DECODE);
  ASSERT_NE(stream, 0u);
  std::int16_t samples[4] = {};
  ASSERT_EQ(BASS_ChannelGetData(stream, samples, sizeof samples), DWORD(sizeof samples));
  EXPECT_EQ(samples[0], 32767);
  EXPECT_EQ(samples[1], -32767);
  EXPECT_NEAR(samples[2], 16384, 1);
  EXPECT_EQ(samples[3], 0);
}

// A seek lands on the very frame asked for: the samples after it are those of the recording.
TEST_F(EngineTest, SeekingAWaveIsFrameExact) {
  const HSTREAM stream = open("tone.wav", BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT);
  ASSERT_NE(stream, 0u);
  const std::int64_t frame = 33333;
  ASSERT_TRUE(BASS_ChannelSetPosition(stream, QWORD(frame) * 8, BASS_POS_BYTE));
  float samples[2 * 16];
  ASSERT_EQ(BASS_ChannelGetData(stream, samples, sizeof samples), DWORD(sizeof samples));
  const auto tone = sine(kToneHz, kRate);
  for (int i = 0; i < 16; ++i) {
    EXPECT_NEAR(samples[2 * i], std::round(tone(frame + i, 0) * 32767) / 32768, 1e-4) << i;
  }
  EXPECT_EQ(BASS_ChannelGetPosition(stream, BASS_POS_BYTE), QWORD(frame + 16) * 8);
}

TEST_F(EngineTest, SeekingBackAndForthKeepsTheRestOfTheLength) {
  for (const char* name : {"tone.mp3", "tone.ogg", "tone.flac", "tone.m4a"}) {
    SCOPED_TRACE(name);
    const HSTREAM stream = open(name, BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT);
    ASSERT_NE(stream, 0u);
    decodeToEnd(stream, 2);
    const QWORD length = BASS_ChannelGetLength(stream, BASS_POS_BYTE);
    ASSERT_TRUE(BASS_ChannelSetPosition(stream, BASS_ChannelSeconds2Bytes(stream, 0.5), BASS_POS_BYTE));
    EXPECT_EQ(BASS_ChannelIsActive(stream), DWORD{BASS_ACTIVE_PLAYING}) << "a seek after the end revives it";
    const std::int64_t rest = decodeToEnd(stream, 2);
    EXPECT_NEAR(double(rest), 1.5 * kRate, 2048);
    EXPECT_EQ(BASS_ChannelGetLength(stream, BASS_POS_BYTE), length);
  }
}

TEST_F(EngineTest, PositionsOutsideTheSoundAreRefused) {
  const HSTREAM stream = open("tone.wav");
  ASSERT_NE(stream, 0u);
  const QWORD length = BASS_ChannelGetLength(stream, BASS_POS_BYTE);
  EXPECT_FALSE(BASS_ChannelSetPosition(stream, length + 4, BASS_POS_BYTE));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_POSITION);
  EXPECT_FALSE(BASS_ChannelSetPosition(stream, 0, 1));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOTAVAIL);
  EXPECT_EQ(BASS_ChannelGetPosition(stream, BASS_POS_BYTE), 0u);
}

TEST_F(EngineTest, FilePositionFollowsTheReading) {
  const HSTREAM stream = open("tone.wav", BASS_STREAM_DECODE);
  ASSERT_NE(stream, 0u);
  const QWORD size = 44 + kFrames * 4;
  EXPECT_EQ(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_END), size);
  const QWORD start = BASS_StreamGetFilePosition(stream, BASS_FILEPOS_CURRENT);
  std::vector<char> buffer(40000);
  for (int i = 0; i < 6; ++i) {
    BASS_ChannelGetData(stream, buffer.data(), DWORD(buffer.size()));
  }
  const QWORD later = BASS_StreamGetFilePosition(stream, BASS_FILEPOS_CURRENT);
  EXPECT_GT(later, start);
  EXPECT_LE(later, size);
  EXPECT_EQ(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_CONNECTED), QWORD(-1));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOTFILE);
}

TEST_F(EngineTest, PlaybackChannelsRefuseDataReadsAndDecodeChannelsRefusePlay) {
  const HSTREAM playback = open("tone.wav");
  const HSTREAM decode = open("tone.wav", BASS_STREAM_DECODE);
  char buffer[64];
  EXPECT_EQ(BASS_ChannelGetData(playback, buffer, sizeof buffer), DWORD(-1));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOTAVAIL);
  EXPECT_FALSE(BASS_ChannelPlay(decode, 0));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DECODE);
  EXPECT_EQ(BASS_ChannelIsActive(decode), DWORD{BASS_ACTIVE_PLAYING}) << "a decode channel is active until its end";
}

}  // namespace
}  // namespace tavelo::test
