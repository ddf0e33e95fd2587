// Net streams against a real HTTP server on 127.0.0.1 (the scripted server of the net tests),
// played on the "No sound" device or read decode-only.
#include "../engine_fixture.h"
#include "script_server_process.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>

namespace tavelo::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kMetaInt = 4000;

std::string readFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), {}};
}

// Six seconds of a 440 Hz tone at 128 kb/s constant bit rate: 16000 bytes a second.
void writeSixSecondsMp3(const std::string& path) {
  const std::string command = "ffmpeg -v error -y -f lavfi -i sine=frequency=440:sample_rate=44100:duration=6 -ac 2 "
                              "-c:a libmp3lame -b:a 128k -write_xing 0 -id3v2_version 0 '" + path + "'";
  ASSERT_EQ(std::system(command.c_str()), 0);
}

std::string sixSecondsMp3() { return madeFile("six-seconds.mp3", writeSixSecondsMp3); }

std::string reply(const std::string& statusLine, const std::string& headers) {
  return R"({"send": )" + jsonText(statusLine + "\r\n" + headers + "\r\n") + "}";
}

std::string streamStep(const std::string& file, int metaint, const std::string& metaJson, int chunk, int bytesPerSecond) {
  return R"({"stream": )" + jsonText(file) + R"(, "metaint": )" + std::to_string(metaint) + R"(, "meta": )" + metaJson +
         R"(, "chunk": )" + std::to_string(chunk) + R"(, "bytes_per_second": )" + std::to_string(bytesPerSecond) + "}";
}

std::string mp3Route(int metaint, const std::string& metaJson = "[]", int chunk = 0, int pace = 0, const std::string& after = "") {
  const std::string headers = "Content-Type: audio/mpeg\r\nicy-br: 128\r\nicy-name: Test Radio\r\n" +
                              (metaint > 0 ? "icy-metaint: " + std::to_string(metaint) + "\r\n" : std::string());
  return "[" + reply("HTTP/1.0 200 OK", headers) + "," + streamStep(sixSecondsMp3(), metaint, metaJson, chunk, pace) + after + "]";
}

// What the download callback heard.
struct Heard {
  std::mutex mutex;
  std::string data;
  int headerBlocks = 0;
  int ends = 0;
  static void proc(const void* buffer, DWORD length, void* user) {
    auto* heard = static_cast<Heard*>(user);
    std::lock_guard lock(heard->mutex);
    if (buffer == nullptr) {
      ++heard->ends;
    } else if (length == 0) {
      ++heard->headerBlocks;
    } else {
      heard->data.append(static_cast<const char*>(buffer), length);
    }
  }
  int endCount() {
    std::lock_guard lock(mutex);
    return ends;
  }
};

std::vector<std::string> lines(const char* tags) {
  std::vector<std::string> out;
  while (tags != nullptr && *tags != '\0') {
    out.emplace_back(tags);
    tags += out.back().size() + 1;
  }
  return out;
}

class NetStreamTest : public EngineTest {
protected:
  void SetUp() override {
    EngineTest::SetUp();
    BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, 1500);
    BASS_SetConfig(BASS_CONFIG_NET_READTIMEOUT, 1500);
    BASS_SetConfig(BASS_CONFIG_NET_PLAYLIST, 1);
    BASS_SetConfigPtr(BASS_CONFIG_NET_PROXY, nullptr);
  }
};

TEST_F(NetStreamTest, CallbackBytesAreTheSoundLessTheMetadataForEveryChunkSize) {
  const std::string sound = readFile(sixSecondsMp3());
  for (const int chunk : {1, 7, 1000, 4001, 65536}) {
    ScriptServer server({{"/radio", mp3Route(kMetaInt, R"(["StreamTitle='One';", "", "StreamTitle='Two';"])", chunk)}});
    Heard heard;
    const HSTREAM stream = BASS_StreamCreateURL(server.url("/radio").c_str(), 0, BASS_STREAM_DECODE | BASS_STREAM_STATUS, Heard::proc, &heard);
    ASSERT_NE(stream, 0u) << "chunk " << chunk << " error " << BASS_ErrorGetCode();
    BASS_CHANNELINFO info{};
    ASSERT_TRUE(BASS_ChannelGetInfo(stream, &info));
    EXPECT_EQ(info.ctype, DWORD{BASS_CTYPE_STREAM_MP3});
    const std::int64_t frames = decodeToEnd(stream, 2);
    EXPECT_NEAR(double(frames) / 44100, 6.0, 0.1) << "chunk " << chunk;
    EXPECT_TRUE(waitFor([&] { return heard.endCount() == 1; }, 2000ms));
    {
      std::lock_guard lock(heard.mutex);
      EXPECT_EQ(heard.data, sound) << "chunk " << chunk;
      EXPECT_EQ(heard.headerBlocks, 1);
    }
    EXPECT_STREQ(BASS_ChannelGetTags(stream, BASS_TAG_META), "StreamTitle='Two';");
    EXPECT_EQ(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_DOWNLOAD), sound.size());
    EXPECT_EQ(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_CURRENT), sound.size());
    EXPECT_EQ(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_CONNECTED), 0u) << "the download has ended";
    EXPECT_EQ(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_WMA_BUFFER), QWORD(-1));
    BASS_StreamFree(stream);
    EXPECT_EQ(heard.endCount(), 1);
  }
}

TEST_F(NetStreamTest, HeadersAreTagsOfTheirKind) {
  ScriptServer server({{"/http", mp3Route(0)},
                       {"/icy", "[" + reply("ICY 200 OK", "icy-name: Old School\r\ncontent-type: audio/mpeg\r\n") + "," +
                                    streamStep(sixSecondsMp3(), 0, "[]", 0, 0) + "]"}});
  const HSTREAM http = BASS_StreamCreateURL(server.url("/http").c_str(), 0, BASS_STREAM_DECODE, nullptr, nullptr);
  ASSERT_NE(http, 0u) << BASS_ErrorGetCode();
  const std::vector<std::string> httpLines = lines(BASS_ChannelGetTags(http, BASS_TAG_HTTP));
  ASSERT_FALSE(httpLines.empty());
  EXPECT_EQ(httpLines.front(), "HTTP/1.0 200 OK");
  EXPECT_NE(std::find(httpLines.begin(), httpLines.end(), "icy-name: Test Radio"), httpLines.end());
  EXPECT_EQ(BASS_ChannelGetTags(http, BASS_TAG_ICY), nullptr);
  EXPECT_EQ(BASS_ChannelGetTags(http, BASS_TAG_META), nullptr) << "no metadata interval, no titles";
  EXPECT_GT(BASS_StreamGetFilePosition(http, BASS_FILEPOS_END), 0u);

  const std::string schemeless = "127.0.0.1:" + std::to_string(server.port()) + "/icy";  // as station lists write it
  const HSTREAM icy = BASS_StreamCreateURL(schemeless.c_str(), 0, BASS_STREAM_DECODE, nullptr, nullptr);
  ASSERT_NE(icy, 0u) << BASS_ErrorGetCode();
  EXPECT_EQ(lines(BASS_ChannelGetTags(icy, BASS_TAG_ICY)), (std::vector<std::string>{"ICY 200 OK", "icy-name: Old School", "content-type: audio/mpeg"}));
  EXPECT_EQ(BASS_ChannelGetTags(icy, BASS_TAG_HTTP), nullptr);
}

TEST_F(NetStreamTest, ATitleIsToldWhenItIsHeard) {
  // The second block follows 2 x 24000 bytes of sound: three seconds in.
  ScriptServer server({{"/radio", mp3Route(24000, R"(["StreamTitle='First';", "StreamTitle='Second';"])", 1000, 64000)}});
  const HSTREAM stream = BASS_StreamCreateURL(server.url("/radio").c_str(), 0, 0, nullptr, nullptr);
  ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
  struct Told {
    std::mutex mutex;
    std::vector<std::pair<std::string, double>> titles;
  } told;
  ASSERT_NE(BASS_ChannelSetSync(stream, BASS_SYNC_META, 0, [](HSYNC, DWORD channel, DWORD, void* user) {
    auto* t = static_cast<Told*>(user);
    const char* title = BASS_ChannelGetTags(channel, BASS_TAG_META);
    const double at = positionSeconds(channel);
    std::lock_guard lock(t->mutex);
    t->titles.emplace_back(title != nullptr ? title : "", at);
  }, &told), 0u);
  ASSERT_TRUE(BASS_ChannelPlay(stream, 0));
  ASSERT_TRUE(waitFor([&] { std::lock_guard lock(told.mutex); return told.titles.size() == 2; }, 8000ms));
  std::lock_guard lock(told.mutex);
  EXPECT_EQ(told.titles[0].first, "StreamTitle='First';");
  EXPECT_NEAR(told.titles[0].second, 1.5, 0.2);
  EXPECT_EQ(told.titles[1].first, "StreamTitle='Second';");
  EXPECT_NEAR(told.titles[1].second, 3.0, 0.2);
}

TEST_F(NetStreamTest, FreeingReturnsAtOnceAndTheEndIsToldBeforeIt) {
  ScriptServer server({{"/hold", mp3Route(0, "[]", 0, 0, R"(, {"hold": true})")},
                       {"/silent", R"([{"hold": true}])"}});
  Heard heard;
  const HSTREAM stream = BASS_StreamCreateURL(server.url("/hold").c_str(), 0, BASS_STREAM_STATUS, Heard::proc, &heard);
  ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
  EXPECT_EQ(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_CONNECTED), 1u);
  ASSERT_TRUE(BASS_ChannelPlay(stream, 0));
  std::this_thread::sleep_for(300ms);
  const auto started = Clock::now();
  EXPECT_TRUE(BASS_StreamFree(stream));
  EXPECT_LT(Clock::now() - started, 100ms);
  EXPECT_EQ(heard.endCount(), 1);

  // A creation waiting for a reply that never comes is abandoned from another thread.
  Heard waiting;
  std::atomic<int> error{0};
  std::thread creator([&] {
    const HSTREAM none = BASS_StreamCreateURL(server.url("/silent").c_str(), 0, 0, Heard::proc, &waiting);
    error = none == 0 ? BASS_ErrorGetCode() : -1;
  });
  std::this_thread::sleep_for(300ms);
  const auto abandoned = Clock::now();
  BASS_StreamAbortCreateURL();
  creator.join();
  EXPECT_LT(Clock::now() - abandoned, 100ms);
  EXPECT_EQ(error.load(), BASS_ERROR_ENDED);
  EXPECT_EQ(waiting.endCount(), 1);
}

TEST_F(NetStreamTest, AStalledDownloadStallsTheChannelAndBasFreeReturnsAtOnce) {
  ScriptServer server({{"/hold", mp3Route(0, "[]", 0, 0, R"(, {"hold": true})")}});
  BASS_SetConfig(BASS_CONFIG_NET_READTIMEOUT, 60000);
  const HSTREAM stream = BASS_StreamCreateURL(server.url("/hold").c_str(), 0, 0, nullptr, nullptr);
  ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
  ASSERT_TRUE(BASS_ChannelPlay(stream, 0));
  EXPECT_TRUE(waitFor([&] { return BASS_ChannelIsActive(stream) == BASS_ACTIVE_STALLED; }, 9000ms));
  EXPECT_EQ(BASS_ChannelGetLevel(stream), 0u);
  const auto started = Clock::now();
  EXPECT_TRUE(BASS_Free());
  EXPECT_LT(Clock::now() - started, 100ms);
  ASSERT_TRUE(BASS_Init(0, 44100, 0, nullptr, nullptr));
}

struct RefusalCase {
  const char* name;
  std::string steps;  // of the route "/"
  int error;
};

class NetRefusalTest : public NetStreamTest, public testing::WithParamInterface<RefusalCase> {};

TEST_P(NetRefusalTest, EachBadReplyFailsCleanlyWithItsCode) {
  ScriptServer server({{"/", GetParam().steps},
                       {"/loop", "[" + reply("HTTP/1.0 302 Found", "Location: /loop\r\n") + "]"},
                       {"/deep1.m3u", "[" + reply("HTTP/1.0 200 OK", "Content-Type: audio/x-mpegurl\r\n") + R"(, {"send": "/deep2.m3u\n"}])"},
                       {"/deep2.m3u", "[" + reply("HTTP/1.0 200 OK", "Content-Type: audio/x-mpegurl\r\n") + R"(, {"send": "/radio\n"}])"},
                       {"/radio", mp3Route(0)},
                       {"/self.pls", "[" + reply("HTTP/1.0 200 OK", "Content-Type: audio/x-scpls\r\n") + R"(, {"send": "[playlist]\nFile1=/self.pls\n"}])"}});
  Heard heard;
  const HSTREAM stream = BASS_StreamCreateURL(server.url("/").c_str(), 0, BASS_STREAM_STATUS, Heard::proc, &heard);
  EXPECT_EQ(stream, 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), GetParam().error);
  EXPECT_EQ(heard.endCount(), 1);
}

INSTANTIATE_TEST_SUITE_P(Replies, NetRefusalTest, testing::Values(
    RefusalCase{"NotFound", "[" + reply("HTTP/1.0 404 Not Found", "Content-Type: text/html\r\n") + "]", BASS_ERROR_FILEOPEN},
    RefusalCase{"ServerError", "[" + reply("HTTP/1.1 500 Internal Server Error", "") + "]", BASS_ERROR_FILEOPEN},
    RefusalCase{"WebPage", "[" + reply("HTTP/1.0 200 OK", "Content-Type: text/html\r\n") + R"(, {"send": "<html><body>hi</body></html>"}])", BASS_ERROR_FILEFORM},
    RefusalCase{"HeaderOver8KB", "[" + reply("HTTP/1.0 200 OK", "X-Pad: " + std::string(9000, 'a') + "\r\n") + "]", BASS_ERROR_FILEOPEN},
    RefusalCase{"RedirectLoop", "[" + reply("HTTP/1.0 302 Found", "Location: /loop\r\n") + "]", BASS_ERROR_FILEOPEN},
    RefusalCase{"RedirectToAFile", "[" + reply("HTTP/1.0 302 Found", "Location: file:///etc/passwd\r\n") + "]", BASS_ERROR_FILEOPEN},
    RefusalCase{"EmptyPlaylist", "[" + reply("HTTP/1.0 200 OK", "Content-Type: audio/x-mpegurl\r\n") + R"(, {"send": "#EXTM3U\n"}])", BASS_ERROR_FILEOPEN},
    RefusalCase{"PlaylistOfLocalFiles", "[" + reply("HTTP/1.0 200 OK", "Content-Type: audio/x-mpegurl\r\n") + R"(, {"send": "file:///etc/passwd\n/etc/passwd.pls\n"}])", BASS_ERROR_FILEOPEN},
    RefusalCase{"PlaylistsNestedTwice", "[" + reply("HTTP/1.0 200 OK", "Content-Type: audio/x-mpegurl\r\n") + R"(, {"send": "/deep1.m3u\n"}])", BASS_ERROR_FILEOPEN},
    RefusalCase{"SelfReferringPlaylist", "[" + reply("HTTP/1.0 302 Found", "Location: /self.pls\r\n") + "]", BASS_ERROR_FILEOPEN},
    RefusalCase{"OversizedPlaylist", "[" + reply("HTTP/1.0 200 OK", "Content-Type: audio/x-scpls\r\n") + R"(, {"send": )" + jsonText("[playlist]\n" + std::string(70000, '#')) + "}]", BASS_ERROR_FILEOPEN},
    RefusalCase{"SilentServer", R"([{"hold": true}])", BASS_ERROR_TIMEOUT},
    RefusalCase{"SilenceAfterTheHeaders", "[" + reply("HTTP/1.0 200 OK", "Content-Type: audio/mpeg\r\n") + R"(, {"hold": true}])", BASS_ERROR_TIMEOUT}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(NetStreamTest, AnUnreachableHostOrProxyIsNoNet) {
  Heard heard;
  const std::string closed = "http://127.0.0.1:" + std::to_string(closedPort()) + "/";
  EXPECT_EQ(BASS_StreamCreateURL(closed.c_str(), 0, 0, Heard::proc, &heard), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NONET);
  EXPECT_EQ(BASS_StreamCreateURL("http://no-such-host.invalid/", 0, 0, nullptr, nullptr), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NONET);
  ScriptServer server({{"/radio", mp3Route(0)}});
  const std::string deadProxy = "127.0.0.1:" + std::to_string(closedPort());
  BASS_SetConfigPtr(BASS_CONFIG_NET_PROXY, deadProxy.c_str());
  EXPECT_EQ(BASS_StreamCreateURL(server.url("/radio").c_str(), 0, 0, nullptr, nullptr), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NONET);
  EXPECT_EQ(heard.endCount(), 1);
}

TEST_F(NetStreamTest, RedirectsAndPlaylistsLeadToTheSound) {
  ScriptServer server({{"/radio", mp3Route(kMetaInt)},
                       {"/moved", "[" + reply("HTTP/1.1 301 Moved", "Location: /radio\r\n") + "]"},
                       {"/list.pls", "[" + reply("HTTP/1.0 200 OK", "Content-Type: audio/x-scpls\r\n") + R"(, {"send": "[playlist]\nFile1=/gone\nFile2=moved\n"}])"},
                       {"/nested.m3u", "[" + reply("HTTP/1.0 200 OK", "Content-Type: text/plain\r\n") + R"(, {"send": "#EXTM3U\nlist.pls\n"}])"}});
  for (const char* path : {"/moved", "/list.pls", "/nested.m3u"}) {
    Heard heard;
    const HSTREAM stream = BASS_StreamCreateURL(server.url(path).c_str(), 0, BASS_STREAM_DECODE | BASS_STREAM_STATUS, Heard::proc, &heard);
    ASSERT_NE(stream, 0u) << path << " error " << BASS_ErrorGetCode();
    EXPECT_NEAR(double(decodeToEnd(stream, 2)) / 44100, 6.0, 0.1) << path;
    BASS_StreamFree(stream);
    EXPECT_EQ(heard.endCount(), 1) << path;
  }
  BASS_SetConfig(BASS_CONFIG_NET_PLAYLIST, 0);
  EXPECT_EQ(BASS_StreamCreateURL(server.url("/list.pls").c_str(), 0, BASS_STREAM_DECODE, nullptr, nullptr), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEFORM) << "without option 21 a playlist is no sound";
}

TEST_F(NetStreamTest, TheBufferHoldsOptionTwelvesMillisecondsAtTheStreamsBitRate) {
  BASS_SetConfig(BASS_CONFIG_NET_BUFFER, 2000);
  ScriptServer server({{"/hold", mp3Route(0, "[]", 0, 0, R"(, {"hold": true})")}});
  const HSTREAM stream = BASS_StreamCreateURL(server.url("/hold").c_str(), 0, 0, nullptr, nullptr);
  ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
  EXPECT_EQ(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_END), 32000u) << "2 s at 128 kb/s";
  EXPECT_TRUE(waitFor([&] {
    return BASS_StreamGetFilePosition(stream, BASS_FILEPOS_DOWNLOAD) - BASS_StreamGetFilePosition(stream, BASS_FILEPOS_CURRENT) == 32000;
  }, 5000ms)) << "a full buffer holds the download up";
  EXPECT_LT(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_DOWNLOAD), 96000u);
  BASS_SetConfig(BASS_CONFIG_NET_BUFFER, 5000);
}

TEST_F(NetStreamTest, ADroppedStreamDrainsAndEndsOnce) {
  ScriptServer server({{"/radio", "[" + reply("HTTP/1.0 200 OK", "Content-Type: audio/mpeg\r\n") + "," +
                                      streamStep(mediaPath("tone.mp3"), 0, "[]", 0, 0) + "]"}});
  Heard heard;
  const HSTREAM stream = BASS_StreamCreateURL(server.url("/radio").c_str(), 0, BASS_STREAM_STATUS, Heard::proc, &heard);
  ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
  std::atomic<int> ended{0};
  BASS_ChannelSetSync(stream, BASS_SYNC_END, 0, [](HSYNC, DWORD, DWORD, void* user) { ++*static_cast<std::atomic<int>*>(user); }, &ended);
  ASSERT_TRUE(BASS_ChannelPlay(stream, 0));
  ASSERT_TRUE(waitFor([&] { return ended.load() == 1; }, 5000ms));
  EXPECT_NEAR(double(BASS_ChannelGetLength(stream, BASS_POS_BYTE)) / (44100 * 4), 2.0, 0.1) << "all that came was played";
  EXPECT_EQ(BASS_ChannelIsActive(stream), DWORD{BASS_ACTIVE_STOPPED});
  EXPECT_EQ(heard.endCount(), 1);
  BASS_StreamFree(stream);
  EXPECT_EQ(heard.endCount(), 1);
}

void writeCommentedOgg(const std::string& path, const std::string& artist, const std::string& title) {
  const std::string command = "ffmpeg -v error -y -f lavfi -i sine=frequency=440:duration=1 -ac 2 -c:a libvorbis "
                              "-metadata ARTIST='" + artist + "' -metadata title='" + title + "' -f ogg '" + path + "'";
  ASSERT_EQ(std::system(command.c_str()), 0);
}

// Two logical streams one after the other, as a radio server sends a change of song.
void writeChainedOgg(const std::string& path) {
  writeCommentedOgg(path + ".1", "Band 1", "Song 1");
  writeCommentedOgg(path + ".2", "Band 2", "Song 2");
  const std::string command = "cat '" + path + ".1' '" + path + ".2' > '" + path + "'";
  ASSERT_EQ(std::system(command.c_str()), 0);
}

TEST_F(NetStreamTest, AChainedOggStreamTellsEachLogicalStreamsComments) {
  const std::string ogg = madeFile("chained.ogg", writeChainedOgg);
  ScriptServer server({{"/ogg", "[" + reply("HTTP/1.0 200 OK", "Content-Type: application/ogg\r\n") + "," +
                                    streamStep(ogg, 0, "[]", 0, 0) + "]"}});
  const HSTREAM stream = BASS_StreamCreateURL(server.url("/ogg").c_str(), 0, BASS_STREAM_DECODE, nullptr, nullptr);
  ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
  BASS_CHANNELINFO info{};
  ASSERT_TRUE(BASS_ChannelGetInfo(stream, &info));
  EXPECT_EQ(info.ctype, DWORD{BASS_CTYPE_STREAM_OGG});
  std::atomic<int> changes{0};
  BASS_ChannelSetSync(stream, BASS_SYNC_OGG_CHANGE, 0, [](HSYNC, DWORD, DWORD, void* user) { ++*static_cast<std::atomic<int>*>(user); }, &changes);
  std::vector<std::string> comments = lines(BASS_ChannelGetTags(stream, BASS_TAG_OGG));
  EXPECT_NE(std::find(comments.begin(), comments.end(), "ARTIST=Band 1"), comments.end())
      << "the first comments are there before a sample is read";
  EXPECT_NE(std::find(comments.begin(), comments.end(), "title=Song 1"), comments.end());
  EXPECT_NEAR(double(decodeToEnd(stream, 2) + 512) / 44100, 2.0, 0.1);
  EXPECT_TRUE(waitFor([&] { return changes.load() == 1; }, 2000ms));
  comments = lines(BASS_ChannelGetTags(stream, BASS_TAG_OGG));
  EXPECT_NE(std::find(comments.begin(), comments.end(), "title=Song 2"), comments.end());
}

void writeAdtsAac(const std::string& path) {
  const std::string command = "ffmpeg -v error -y -f lavfi -i sine=frequency=440:sample_rate=44100:duration=2 -ac 2 "
                              "-c:a aac -b:a 128k -f adts '" + path + "'";
  ASSERT_EQ(std::system(command.c_str()), 0);
}

TEST_F(NetStreamTest, AnAacStreamIsDecodedByThePluginWithItsTitles) {
  const std::string aac = madeFile("tone.adts.aac", writeAdtsAac);
  ScriptServer server({{"/aac", "[" + reply("HTTP/1.0 200 OK", "Content-Type: audio/aacp\r\nicy-metaint: 8000\r\n") + "," +
                                    streamStep(aac, 8000, R"(["StreamTitle='AAC';"])", 1500, 0) + "]"}});
  Heard heard;
  const HSTREAM stream = BASS_StreamCreateURL(server.url("/aac").c_str(), 0, BASS_STREAM_DECODE, Heard::proc, &heard);
  ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
  BASS_CHANNELINFO info{};
  ASSERT_TRUE(BASS_ChannelGetInfo(stream, &info));
  EXPECT_EQ(info.ctype, DWORD{BASS_CTYPE_STREAM_AAC});
  EXPECT_NE(info.plugin, 0u);
  EXPECT_NEAR(double(decodeToEnd(stream, 2)) / 44100, 2.0, 0.1);
  EXPECT_STREQ(BASS_ChannelGetTags(stream, BASS_TAG_META), "StreamTitle='AAC';");
  BASS_StreamFree(stream);
  std::lock_guard lock(heard.mutex);
  EXPECT_EQ(heard.data, readFile(aac));
}

}  // namespace
}  // namespace tavelo::test
