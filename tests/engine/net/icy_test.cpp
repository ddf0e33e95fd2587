// The parts of a net stream that need no server: metadata taken out of the sound however the
// bytes are split, the interval a server announces, status lines, playlists and their URLs.
#include "engine/net/icy.h"
#include "engine/net/playlist.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavelo::engine {
namespace {

std::string block(const std::string& text) {
  const std::size_t padded = (text.size() + 15) / 16 * 16;
  return std::string(1, char(padded / 16)) + text + std::string(padded - text.size(), '\0');
}

struct Stripped {
  std::string audio;
  std::vector<std::pair<std::string, std::uint64_t>> blocks;
};

Stripped strip(std::size_t interval, const std::string& bytes, std::size_t chunk) {
  Stripped out;
  IcyStripper stripper(
      interval, [&](const std::uint8_t* data, std::size_t length) { out.audio.append(reinterpret_cast<const char*>(data), length); },
      [&](std::string text, std::uint64_t offset) { out.blocks.emplace_back(std::move(text), offset); });
  for (std::size_t at = 0; at < bytes.size(); at += chunk) {
    const std::string piece = bytes.substr(at, chunk);
    stripper.feed(reinterpret_cast<const std::uint8_t*>(piece.data()), piece.size());
  }
  return out;
}

TEST(IcyStripperTest, EveryChunkSizeGivesTheSoundLessTheBlocksAndEachBlockAtItsPlace) {
  const std::string sound = "0123456789abcdefghijklmnopqrstuv";  // 32 bytes, interval 8
  const std::string bytes = sound.substr(0, 8) + block("StreamTitle='A';") + sound.substr(8, 8) + std::string(1, '\0') +
                            sound.substr(16, 8) + block("StreamTitle='It''s; Fine';") + sound.substr(24, 8) +
                            std::string(1, '\x01') + std::string("NUL\0junk after", 14) + std::string(2, '\0');
  for (std::size_t chunk = 1; chunk <= bytes.size(); ++chunk) {
    const Stripped out = strip(8, bytes, chunk);
    EXPECT_EQ(out.audio, sound) << "chunk " << chunk;
    ASSERT_EQ(out.blocks.size(), 3u) << "chunk " << chunk;
    EXPECT_EQ(out.blocks[0], std::make_pair(std::string("StreamTitle='A';"), std::uint64_t{8}));
    EXPECT_EQ(out.blocks[1], std::make_pair(std::string("StreamTitle='It''s; Fine';"), std::uint64_t{24}));
    EXPECT_EQ(out.blocks[2], std::make_pair(std::string("NUL"), std::uint64_t{32})) << "the text ends at its first NUL";
  }
}

TEST(IcyStripperTest, ALongestBlockIsTakenWholeAndNothingAfterIt) {
  const std::string text(255 * 16, 'x');  // 4080 bytes, no NUL, no closing quote
  const std::string bytes = "abcd" + std::string(1, '\xff') + text + "efgh";
  const Stripped out = strip(4, bytes, 100);
  EXPECT_EQ(out.audio, "abcdefgh");
  ASSERT_EQ(out.blocks.size(), 1u);
  EXPECT_EQ(out.blocks[0].first.size(), 4080u);
}

TEST(IcyStripperTest, IntervalZeroPassesEverything) {
  const std::string bytes = "ab\x01StreamTitle='x';";
  EXPECT_EQ(strip(0, bytes, 3).audio, bytes);
}

struct IntervalCase {
  const char* name;
  std::vector<std::string> headers;
  std::size_t interval;
};

class MetaIntervalTest : public testing::TestWithParam<IntervalCase> {};

TEST_P(MetaIntervalTest, OnlyAPlainPositiveNumberWithinReasonStripsBlocks) {
  EXPECT_EQ(metaInterval(GetParam().headers), GetParam().interval);
}

INSTANTIATE_TEST_SUITE_P(Headers, MetaIntervalTest, testing::Values(
    IntervalCase{"Usual", {"HTTP/1.0 200 OK", "icy-metaint: 16000"}, 16000},
    IntervalCase{"AnyCaseAndSpaces", {"ICY 200 OK", "Icy-MetaInt:8192  "}, 8192},
    IntervalCase{"Absent", {"HTTP/1.0 200 OK"}, 0},
    IntervalCase{"Zero", {"icy-metaint: 0"}, 0},
    IntervalCase{"Negative", {"icy-metaint: -16000"}, 0},
    IntervalCase{"Junk", {"icy-metaint: 16k"}, 0},
    IntervalCase{"Empty", {"icy-metaint:"}, 0},
    IntervalCase{"Huge", {"icy-metaint: 99999999999999999999"}, 0},
    IntervalCase{"LargerThanAnyServerUses", {"icy-metaint: 2000000"}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(StatusLineTest, HttpAndIcyRepliesAreRead) {
  EXPECT_EQ(statusCode("HTTP/1.1 404 Not Found"), 404);
  EXPECT_EQ(statusCode("ICY 200 OK"), 200);
  EXPECT_EQ(statusCode("HTTP/1.0 2x0 OK"), 0);
  EXPECT_EQ(statusCode("Hello"), 0);
  EXPECT_EQ(zeroTerminatedLines({"a", "b"}), std::string("a\0b\0\0", 5));
}

struct PlaylistCase {
  const char* name;
  std::string text;
  std::vector<std::string> entries;
};

class PlaylistTest : public testing::TestWithParam<PlaylistCase> {};

TEST_P(PlaylistTest, EntriesComeInOrder) { EXPECT_EQ(playlistEntries(GetParam().text), GetParam().entries); }

INSTANTIATE_TEST_SUITE_P(Texts, PlaylistTest, testing::Values(
    PlaylistCase{"Pls", "[playlist]\r\nNumberOfEntries=2\r\nFile1=http://a/1\r\nTitle1=x\r\nfile2 = \r\nFILE3=b.mp3\r\n", {"http://a/1", "b.mp3"}},
    PlaylistCase{"M3u", "#EXTM3U\n#EXTINF:-1,Radio\nhttp://a/1\n\n  /two  \n", {"http://a/1", "/two"}},
    PlaylistCase{"Empty", "", {}},
    PlaylistCase{"OnlyComments", "#EXTM3U\n#x\n", {}}),
    [](const auto& info) { return std::string(info.param.name); });

struct ResolveCase {
  const char* name;
  std::string base;
  std::string reference;
  std::optional<std::string> resolved;
};

class ResolveTest : public testing::TestWithParam<ResolveCase> {};

TEST_P(ResolveTest, WebAddressesResolveAndNothingLocalDoes) {
  EXPECT_EQ(resolveUrl(GetParam().base, GetParam().reference), GetParam().resolved);
}

INSTANTIATE_TEST_SUITE_P(Urls, ResolveTest, testing::Values(
    ResolveCase{"Absolute", "http://h/a/list.pls", "https://x/s", "https://x/s"},
    ResolveCase{"Relative", "http://h:8000/a/list.pls?x=1", "s.mp3", "http://h:8000/a/s.mp3"},
    ResolveCase{"HostRelative", "http://h/a/list.pls", "/s", "http://h/s"},
    ResolveCase{"SchemeRelative", "https://h/a", "//g/s", "https://g/s"},
    ResolveCase{"BaseWithoutScheme", "127.0.0.1:80/l.m3u", "s", "http://127.0.0.1:80/s"},
    ResolveCase{"FileUrl", "http://h/l", "file:///etc/passwd", std::nullopt},
    ResolveCase{"FileWithoutSlashes", "http://h/l", "file:/etc/passwd", std::nullopt},
    ResolveCase{"DrivePath", "http://h/l", "C:\\music\\a.mp3", std::nullopt},
    ResolveCase{"OtherScheme", "http://h/l", "ftp://h/a.mp3", std::nullopt},
    ResolveCase{"Empty", "http://h/l", "  ", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PlaylistReplyTest, KnownByItsTypeOrByItsNameWhenTheTypeIsNoSound) {
  EXPECT_TRUE(isPlaylistReply("audio/x-scpls", "http://h/x"));
  EXPECT_TRUE(isPlaylistReply("audio/x-mpegurl; charset=utf-8", "http://h/x"));
  EXPECT_TRUE(isPlaylistReply("text/plain", "http://h/radio.pls"));
  EXPECT_FALSE(isPlaylistReply("audio/mpeg", "http://h/radio.m3u"));
  EXPECT_FALSE(isPlaylistReply("audio/mpeg", "http://h/stream"));
}

}  // namespace
}  // namespace tavelo::engine
