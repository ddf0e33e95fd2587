// The icecast fixture serves what the radio tests rely on: each mount live with its content type,
// its station headers and its sound, titles set through the admin interface, nothing left behind.
#include "audio_files.h"
#include "icecast_fixture.h"
#include "sound_level.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <vector>

namespace tavelo::test {
namespace {

constexpr const char* kIcyMetadata = "Icy-MetaData: 1\r\n";
// Over a second of sound at 128 kb/s, and within what icecast sends a new listener at once.
constexpr std::size_t kSoundBytes = 24 * 1024;

class IcecastFixtureTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() { server_ = std::make_unique<IcecastFixture>(); }
  static void TearDownTestSuite() { server_.reset(); }

  static std::unique_ptr<IcecastFixture> server_;
};
std::unique_ptr<IcecastFixture> IcecastFixtureTest::server_;

// Decodes the first bytes of a mount with ffmpeg, 44.1 kHz stereo.
WavData decoded(const std::string& bytes) {
  TempDir dir;
  std::ofstream(dir.file("in"), std::ios::binary) << bytes;
  if (!run("ffmpeg -v quiet -y -i '" + dir.file("in") + "' -ac 2 -ar 44100 '" + dir.file("out.wav") + "'")) {
    return {};
  }
  return readWav(dir.file("out.wav"));
}

// The titles of the metadata blocks in the first seconds of an MP3 mount asked for them (a block
// comes only with a change, so the first says what plays and the last what plays now).
std::vector<std::string> streamTitles(int port, const std::string& path) {
  const std::string start = "StreamTitle='";
  const HttpReply head = httpGet(port, path, kIcyMetadata);
  const std::size_t interval = std::stoul("0" + head.header("icy-metaint"));
  if (interval == 0) {
    return {"(no icy-metaint)"};
  }
  // icecast's burst and a second more, in real time
  const std::string body = httpGet(port, path, kIcyMetadata, 96 * 1024).body;
  std::vector<std::string> titles;
  for (std::size_t at = interval; at < body.size(); at += interval + 1 + std::size_t(std::uint8_t(body[at])) * 16) {
    const std::string block = body.substr(at + 1, std::size_t(std::uint8_t(body[at])) * 16);
    const auto from = block.find(start);
    const auto to = block.find("';", from);
    if (from != std::string::npos && to != std::string::npos) {
      titles.push_back(block.substr(from + start.size(), to - from - start.size()));
    }
  }
  return titles;
}

struct MountCase {
  const char* name;
  Mount mount;
  const char* contentType;
  const char* icyName;
  const char* icyBitrate;  // empty: the source does not say
  double hz;               // the tone it plays; 0: digital silence
  double level;            // RMS, of full scale
};

const MountCase kMounts[] = {
    {"the MP3 station plays its two tones under its name at 128 kb/s", Mount::Mp3, "audio/mpeg", kMp3StationName, "128", 440, 0.3},
    {"the Ogg station plays its songs", Mount::Ogg, "application/ogg", "Tavelo Test Ogg", "", 550, kHalfScaleSineLevel},
    {"the AAC station plays 660 Hz", Mount::Aac, "audio/aac", "Tavelo Test AAC", "", 660, kHalfScaleSineLevel},
    {"the tone station plays 1 kHz", Mount::Tone, "audio/mpeg", "Tavelo Test Tone", "128", 1000, kHalfScaleSineLevel},
    {"the silent station is live but silent", Mount::Silent, "audio/mpeg", "Tavelo Test Silence", "128", 0, 0},
};

TEST_F(IcecastFixtureTest, EveryMountAnswersWithItsTypeHeadersAndSound) {
  for (const MountCase& c : kMounts) {
    SCOPED_TRACE(c.name);
    const HttpReply reply = httpGet(server_->port(), server_->path(c.mount), {}, kSoundBytes);
    EXPECT_EQ(reply.statusLine, "HTTP/1.0 200 OK");
    EXPECT_EQ(reply.header("Content-Type"), c.contentType);
    EXPECT_EQ(reply.header("icy-name"), c.icyName);
    EXPECT_EQ(reply.header("icy-br"), c.icyBitrate);
    EXPECT_EQ(reply.header("icy-metaint"), "") << "only to a client that asks";
    ASSERT_EQ(reply.body.size(), kSoundBytes) << "the source sends";
    const WavData sound = decoded(reply.body);
    ASSERT_GT(sound.samples.size(), 44100u) << "over half a second of sound";
    EXPECT_NEAR(rmsLevel(sound.samples, sound.rate / 10 * 2), c.level, 0.03);
    if (c.hz != 0) {
      EXPECT_GT(toneShare(sound.samples, 2, 0, sound.rate, c.hz), 0.3);
    }
  }
}

TEST_F(IcecastFixtureTest, AnMp3MountAskedForTitlesInterleavesThemAtItsInterval) {
  const HttpReply reply = httpGet(server_->port(), server_->path(Mount::Mp3), kIcyMetadata);
  EXPECT_EQ(reply.header("icy-metaint"), "16000");
  EXPECT_EQ(reply.header("icy-name"), kMp3StationName);
}

TEST_F(IcecastFixtureTest, AnAdminTitleChangeShowsInTheMp3MountsMetadata) {
  ASSERT_TRUE(server_->setTitle(kMp3FirstTitle));
  std::vector<std::string> titles = streamTitles(server_->port(), server_->path(Mount::Mp3));
  ASSERT_FALSE(titles.empty());
  EXPECT_EQ(titles.back(), kMp3FirstTitle);
  const std::string title = "Café Del Mar - Ünïcode Title";
  ASSERT_TRUE(server_->setTitle(title));
  titles = streamTitles(server_->port(), server_->path(Mount::Mp3));
  ASSERT_FALSE(titles.empty());
  EXPECT_EQ(titles.back(), title);
  ASSERT_TRUE(server_->setTitle(kMp3FirstTitle));
}

TEST_F(IcecastFixtureTest, TheOggMountCarriesBothSongsCommentsAfterTheEncoders) {
  // Songs of 5 s: both are heard within 6 s of joining, whichever plays then.
  const std::string heard = httpGetUntil(server_->port(), server_->path(Mount::Ogg), {}, [](const std::string& body) {
    return body.find("TITLE=Song 1") != std::string::npos && body.find("TITLE=Song 2") != std::string::npos;
  }, 12000).body;
  for (const OggSong& song : kOggSongs) {
    SCOPED_TRACE(song.title);
    const auto artist = heard.find(std::string("ARTIST=") + song.artist);
    ASSERT_NE(artist, std::string::npos);
    EXPECT_NE(heard.find(std::string("TITLE=") + song.title, artist), std::string::npos);
    const auto encoder = heard.rfind("encoder=", artist);
    ASSERT_NE(encoder, std::string::npos);
    EXPECT_LT(artist - encoder, 64u) << "the encoder's comment comes first in the same header";
  }
}

TEST(IcecastFixtureLifetime, TheServerIsGoneOnceTheFixtureIs) {
  int port = 0;
  {
    const IcecastFixture server;
    port = server.port();
    EXPECT_EQ(httpGet(port, server.path(Mount::Tone), {}, 1024).body.size(), 1024u);
  }
  EXPECT_EQ(httpGet(port, "/tone.mp3").statusLine, "") << "nobody listens any more";
}

}  // namespace
}  // namespace tavelo::test
