// Stations on a real icecast2 server played by the engine and heard at a PulseAudio pipe sink
// that keeps real time: what the listener hears is the station's own sound.
#include "audio_files.h"
#include "engine/engine.h"
#include "icecast_fixture.h"
#include "pipe_sink.h"
#include "sound_level.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <thread>

namespace tavelo::test {
namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t kRate = 44100;
constexpr auto kListen = 2500ms;

struct StationCase {
  const char* name;  // of the test
  Mount mount;
  std::vector<double> hz;  // the tones the station plays (the Ogg station's songs each have one)
};

const StationCase kStations[] = {
    {"TheToneStationIsHeardAs1kHz", Mount::Tone, {1000}},
    {"TheOggStationIsHeardAsItsSongsTones", Mount::Ogg, {550, 770}},
    {"TheAacStationIsHeardThroughTheFfmpegPlugin", Mount::Aac, {660}},
};

void PrintTo(const StationCase& c, std::ostream* out) { *out << c.name; }

// One second of what was heard (stereo), from the first sample above a tenth of full scale on.
std::vector<std::int16_t> firstSecondOfSound(const WavData& heard) {
  const auto loud = std::find_if(heard.samples.begin(), heard.samples.end(),
                                 [](std::int16_t s) { return std::abs(int(s)) > 3277; });
  const auto from = std::size_t(loud - heard.samples.begin()) & ~std::size_t(1);
  const std::size_t length = std::min<std::size_t>(heard.samples.size() - from, kRate * 2);
  return {heard.samples.begin() + std::ptrdiff_t(from), heard.samples.begin() + std::ptrdiff_t(from + length)};
}

class RadioSound : public ::testing::TestWithParam<StationCase> {
protected:
  static void SetUpTestSuite() {
    server_ = std::make_unique<IcecastFixture>();
    plugin_ = BASS_PluginLoad(TAVELO_TEST_PLUGIN_DIR "/ffmpeg.so", 0);
  }
  static void TearDownTestSuite() { server_.reset(); }

  static std::unique_ptr<IcecastFixture> server_;
  static HPLUGIN plugin_;
};
std::unique_ptr<IcecastFixture> RadioSound::server_;
HPLUGIN RadioSound::plugin_ = 0;

TEST_P(RadioSound, IsHeardAtTheSinkAsTheStationsOwnSound) {
  const StationCase& c = GetParam();
  ASSERT_NE(plugin_, 0u) << "the FFmpeg plug-in loads";
  TempDir dir;
  PipeSink sink(dir.file("sink.fifo"));
  ASSERT_TRUE(sink.ready()) << "no pipe sink";
  ASSERT_TRUE(BASS_Init(PipeSink::device(), kRate, 0, nullptr, nullptr)) << BASS_ErrorGetCode();
  const HSTREAM stream = BASS_StreamCreateURL(server_->url(c.mount).c_str(), 0, 0, nullptr, nullptr);
  EXPECT_NE(stream, 0u) << "error " << BASS_ErrorGetCode();
  if (stream != 0) {
    EXPECT_TRUE(BASS_ChannelPlay(stream, 0)) << BASS_ErrorGetCode();
    std::this_thread::sleep_for(kListen);
    BASS_StreamFree(stream);
  }
  BASS_Free();
  const std::vector<std::int16_t> sound = firstSecondOfSound(sink.stop());
  ASSERT_GE(sound.size(), kRate * 2) << "a second of sound heard";
  double share = 0;
  for (const double hz : c.hz) {
    share += toneShare(sound, 2, 0, kRate, hz);
  }
  EXPECT_GT(share, 0.9);
  EXPECT_NEAR(rmsLevel(sound, kRate / 10 * 2), kHalfScaleSineLevel, 0.03) << "heard at the station's level";
}

INSTANTIATE_TEST_SUITE_P(Stations, RadioSound, ::testing::ValuesIn(kStations),
                         [](const ::testing::TestParamInfo<StationCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tavelo::test
