// The parametric equaliser on decode-only channels: measured gains against the peaking filter's
// response, a flat equaliser as no equaliser, removal, refused parameters, 16-bit saturation.
#include "audio_files.h"
#include "engine_fixture.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace tavelo::test {
namespace {

constexpr float kBandwidth = 18;  // semitones, as the player's bands have them
constexpr double kSeconds = 1.0;

// The magnitude response in dB of the audio-EQ cookbook's peaking filter at `hz`.
double cookbookGainDb(double rate, double centre, double bandwidth, double gainDb, double hz) {
  const double a = std::pow(10.0, gainDb / 40);
  const double w0 = 2 * std::numbers::pi * centre / rate;
  const double alpha = std::sin(w0) * std::sinh(std::log(2.0) / 2 * bandwidth / 12 * w0 / std::sin(w0));
  const std::complex<double> z1 = std::polar(1.0, -2 * std::numbers::pi * hz / rate);
  const std::complex<double> numerator = (1 + alpha * a) - 2 * std::cos(w0) * z1 + (1 - alpha * a) * z1 * z1;
  const std::complex<double> denominator = (1 + alpha / a) - 2 * std::cos(w0) * z1 + (1 - alpha / a) * z1 * z1;
  return 20 * std::log10(std::abs(numerator / denominator));
}

class EqualizerTest : public EngineTest {
protected:
  // A stereo tone file, the right channel at half the left's amplitude.
  std::string toneFile(std::uint32_t rate, double hz, double amplitude) {
    const std::string path = dir_.file("tone" + std::to_string(rate) + "_" + std::to_string(int(hz)) + "_" +
                                       std::to_string(int(amplitude * 1000)) + ".wav");
    writeWav(path, rate, 2, std::int64_t(kSeconds * rate),
             [=](std::int64_t frame, int channel) { return sine(hz, rate, amplitude)(frame, 0) / (channel + 1); });
    return path;
  }
  // Several tones at once: something no single gain can keep the same.
  std::string chordFile() {
    const std::string path = dir_.file("chord.wav");
    writeWav(path, 44100, 2, 44100, [](std::int64_t frame, int channel) {
      double sum = 0;
      for (const double hz : {60.0, 200.0, 1000.0, 5000.0, 15000.0}) {
        sum += sine(hz + channel, 44100, 0.15)(frame, 0);
      }
      return sum;
    });
    return path;
  }
  static HSTREAM openDecoding(const std::string& path, DWORD flags = BASS_SAMPLE_FLOAT) {
    return BASS_StreamCreateFile(0, path.c_str(), 0, 0, BASS_STREAM_DECODE | flags);
  }
  static std::vector<float> decodeAll(HSTREAM stream) {
    std::vector<float> samples;
    decodeToEnd(stream, 2, &samples);
    return samples;
  }
  static HFX addBand(HSTREAM stream, float centre, float gain) {
    const HFX fx = BASS_ChannelSetFX(stream, BASS_FX_DX8_PARAMEQ, 1);
    const BASS_DX8_PARAMEQ params{centre, kBandwidth, gain};
    EXPECT_TRUE(BASS_FXSetParameters(fx, &params)) << BASS_ErrorGetCode();
    return fx;
  }

  TempDir dir_;
};

// RMS of one channel past the filter's settling (the first fifth of the file).
double rms(const std::vector<float>& samples, int channel) {
  double sum = 0;
  std::size_t count = 0;
  const std::size_t settled = samples.size() / 2 / 5;
  for (std::size_t i = settled * 2 + std::size_t(channel); i < samples.size(); i += 2, ++count) {
    sum += double(samples[i]) * samples[i];
  }
  return std::sqrt(sum / double(count));
}

struct GainCase {
  const char* name;
  std::uint32_t rate;
  double toneHz;
  float centre;
  float gainDb;
};

class EqualizerGainTest : public EqualizerTest, public ::testing::WithParamInterface<GainCase> {};

TEST_P(EqualizerGainTest, MeasuredGainFollowsThePeakingResponse) {
  const GainCase& c = GetParam();
  const std::string path = toneFile(c.rate, c.toneHz, 0.1);
  const std::vector<float> plain = decodeAll(openDecoding(path));
  const HSTREAM stream = openDecoding(path);
  ASSERT_NE(stream, 0u);
  addBand(stream, c.centre, c.gainDb);
  const std::vector<float> shaped = decodeAll(stream);
  const double expected = cookbookGainDb(c.rate, c.centre, kBandwidth, c.gainDb, c.toneHz);
  for (const int channel : {0, 1}) {
    EXPECT_NEAR(20 * std::log10(rms(shaped, channel) / rms(plain, channel)), expected, 0.2) << "channel " << channel;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Bands, EqualizerGainTest,
    ::testing::Values(GainCase{"ABandRaisesItsOwnCentre", 44100, 1000, 1000, 12},
                      GainCase{"ANeighbourRisesLessA440HzToneUnder1kHz", 44100, 440, 1000, 12},
                      GainCase{"ABandAboveLeavesALowToneNearlyAlone", 44100, 80, 2400, 15},
                      GainCase{"ALowBandCutsItsCentre", 44100, 80, 80, -15},
                      GainCase{"AHighBandAt48kHz", 48000, 14000, 14000, 15},
                      GainCase{"ABandAt22kHzCutsAToneBelowIt", 22050, 4000, 5600, -10},
                      GainCase{"ABandAt8kHz", 8000, 440, 440, 6},
                      GainCase{"AHalfDecibelStep", 44100, 190, 190, 0.5f}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EqualizerTest, ANeighbourToneRisesAboutThreeAndAHalfDecibels) {
  EXPECT_NEAR(cookbookGainDb(44100, 1000, kBandwidth, 12, 440), 3.4, 0.15);  // the table's reference, checked once
}

TEST_F(EqualizerTest, SevenFlatBandsChangeNoSample) {
  const std::string path = chordFile();
  const std::vector<float> plain = decodeAll(openDecoding(path));
  const HSTREAM stream = openDecoding(path);
  for (const float centre : {80.0f, 190.0f, 440.0f, 1000.0f, 2400.0f, 5600.0f, 14000.0f}) {
    addBand(stream, centre, 0);
  }
  EXPECT_EQ(decodeAll(stream), plain);
}

TEST_F(EqualizerTest, RemovingTheBandsRestoresTheInputFromThereOn) {
  const std::string path = chordFile();
  const std::vector<float> plain = decodeAll(openDecoding(path));
  const HSTREAM stream = openDecoding(path);
  const HFX low = addBand(stream, 80, 12);
  const HFX high = addBand(stream, 5600, -12);
  std::vector<float> head(8192);
  ASSERT_EQ(BASS_ChannelGetData(stream, head.data(), DWORD(head.size() * 4) | BASS_DATA_FLOAT), head.size() * 4);
  EXPECT_FALSE(std::equal(head.begin(), head.end(), plain.begin())) << "the bands were at work";
  EXPECT_TRUE(BASS_ChannelRemoveFX(stream, low));
  EXPECT_TRUE(BASS_ChannelRemoveFX(stream, high));
  const std::vector<float> rest = decodeAll(stream);
  EXPECT_TRUE(std::equal(rest.begin(), rest.end(), plain.begin() + std::ptrdiff_t(head.size())));
  EXPECT_FALSE(BASS_ChannelRemoveFX(stream, low)) << "removed once only";
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
}

TEST_F(EqualizerTest, SettingTheSameParametersMidwayKeepsTheFilterRunning) {
  const std::string path = chordFile();
  const HSTREAM whole = openDecoding(path);
  addBand(whole, 190, 9);
  const std::vector<float> uninterrupted = decodeAll(whole);
  const HSTREAM stream = openDecoding(path);
  const HFX fx = addBand(stream, 190, 9);
  std::vector<float> pieces;
  std::vector<float> block(1000);
  for (DWORD got; (got = BASS_ChannelGetData(stream, block.data(), DWORD(block.size() * 4) | BASS_DATA_FLOAT)) != DWORD(-1);) {
    pieces.insert(pieces.end(), block.begin(), block.begin() + got / 4);
    const BASS_DX8_PARAMEQ same{190, kBandwidth, 9};
    ASSERT_TRUE(BASS_FXSetParameters(fx, &same));
  }
  EXPECT_EQ(pieces, uninterrupted);
}

TEST_F(EqualizerTest, RefusedParametersFailAndLeaveTheBandAsItWas) {
  const HSTREAM stream = openDecoding(toneFile(8000, 440, 0.1));
  const HFX fx = addBand(stream, 1000, 3);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const struct {
    const char* name;
    BASS_DX8_PARAMEQ params;
  } refused[] = {
      {"centre 0", {0, 18, 0}},
      {"negative centre", {-80, 18, 0}},
      {"centre at half the rate", {4000, 18, 0}},
      {"a band above half the rate (5600 Hz at 8 kHz)", {5600, 18, 0}},
      {"centre NaN", {nan, 18, 0}},
      {"bandwidth below 1", {1000, 0.5f, 0}},
      {"bandwidth above 36", {1000, 37, 0}},
      {"bandwidth NaN", {1000, nan, 0}},
      {"gain above 15", {1000, 18, 15.5f}},
      {"gain below -15", {1000, 18, -16}},
      {"gain infinite", {1000, 18, inf}},
      {"gain NaN", {1000, 18, nan}},
  };
  for (const auto& c : refused) {
    EXPECT_FALSE(BASS_FXSetParameters(fx, &c.params)) << c.name;
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM) << c.name;
    BASS_DX8_PARAMEQ now{};
    ASSERT_TRUE(BASS_FXGetParameters(fx, &now));
    EXPECT_EQ(now.fCenter, 1000) << c.name;
    EXPECT_EQ(now.fBandwidth, kBandwidth) << c.name;
    EXPECT_EQ(now.fGain, 3) << c.name;
  }
  EXPECT_FALSE(BASS_FXSetParameters(fx, nullptr));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
}

TEST_F(EqualizerTest, ACentreJustUnderHalfTheRateNeverGivesNaNOrABlowUp) {
  const HSTREAM stream = openDecoding(chordFile());
  const HFX fx = BASS_ChannelSetFX(stream, BASS_FX_DX8_PARAMEQ, 1);
  for (const float centre : {22049.99f, 22049.0f, 22000.0f}) {
    const BASS_DX8_PARAMEQ params{centre, 36, 15};
    BASS_FXSetParameters(fx, &params);  // taken or refused, the sound stays sound
  }
  const std::vector<float> out = decodeAll(stream);
  EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](float v) { return std::isfinite(v) && std::fabs(v) < 8; }));
}

TEST_F(EqualizerTest, ANewBandIsFlatAndTheCallsCheckTheirHandles) {
  const HSTREAM stream = openDecoding(chordFile());
  EXPECT_EQ(BASS_ChannelSetFX(stream, 8, 1), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLTYPE);
  EXPECT_EQ(BASS_ChannelSetFX(0x7fffffff, BASS_FX_DX8_PARAMEQ, 1), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);

  const HFX first = BASS_ChannelSetFX(stream, BASS_FX_DX8_PARAMEQ, 1);
  ASSERT_NE(first, 0u);
  BASS_DX8_PARAMEQ fresh{};
  ASSERT_TRUE(BASS_FXGetParameters(first, &fresh));
  EXPECT_EQ(fresh.fGain, 0);
  ASSERT_TRUE(BASS_ChannelRemoveFX(stream, first));
  const HFX second = BASS_ChannelSetFX(stream, BASS_FX_DX8_PARAMEQ, 1);
  EXPECT_NE(second, first) << "a handle is never handed out twice";
  EXPECT_FALSE(BASS_FXGetParameters(first, &fresh));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);

  const HSTREAM other = openDecoding(chordFile());
  EXPECT_FALSE(BASS_ChannelRemoveFX(other, second)) << "not that stream's effect";
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);

  ASSERT_TRUE(BASS_StreamFree(stream));
  const BASS_DX8_PARAMEQ params{1000, 18, 6};
  EXPECT_FALSE(BASS_FXSetParameters(second, &params));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
  EXPECT_FALSE(BASS_FXGetParameters(second, &fresh));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
}

TEST_F(EqualizerTest, SixteenBitOutputSaturatesInsteadOfWrappingAround) {
  const std::string path = toneFile(44100, 1000, 0.9);
  const HSTREAM asFloat = openDecoding(path);
  addBand(asFloat, 1000, 15);
  const std::vector<float> floats = decodeAll(asFloat);
  const HSTREAM as16 = openDecoding(path, 0);
  addBand(as16, 1000, 15);
  std::vector<std::int16_t> ints;
  std::vector<std::int16_t> block(4096);
  for (DWORD got; (got = BASS_ChannelGetData(as16, block.data(), DWORD(block.size() * 2))) != DWORD(-1);) {
    ints.insert(ints.end(), block.begin(), block.begin() + got / 2);
  }
  ASSERT_EQ(ints.size(), floats.size());
  ASSERT_GT(*std::max_element(floats.begin(), floats.end()), 1.5f) << "the band drives the tone past full scale";
  for (std::size_t i = 0; i < ints.size(); ++i) {
    if (floats[i] >= 1) {
      ASSERT_EQ(ints[i], 32767) << "sample " << i;
    } else if (floats[i] <= -1) {
      ASSERT_EQ(ints[i], -32768) << "sample " << i;
    }
  }
}

}  // namespace
}  // namespace tavelo::test
