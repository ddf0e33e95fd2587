// Plug-ins: loading, their formats, what is not a plug-in, and unloading.
#include "engine_fixture.h"

#include <fstream>
#include <set>

namespace tavelo::test {
namespace {

class PluginTest : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(BASS_Init(0, 44100, 0, nullptr, nullptr)); }
  void TearDown() override {
    BASS_Free();
    BASS_PluginFree(0);
  }
};

TEST_F(PluginTest, TheFfmpegPluginDeclaresItsFormats) {
  const HPLUGIN plugin = BASS_PluginLoad(pluginPath().c_str(), 0);
  ASSERT_NE(plugin, 0u) << BASS_ErrorGetCode();
  const BASS_PLUGININFO* info = BASS_PluginGetInfo(plugin);
  ASSERT_NE(info, nullptr);
  std::set<std::string> patterns;
  for (DWORD i = 0; i < info->formatc; ++i) {
    EXPECT_NE(std::string(info->formats[i].name), "");
    patterns.insert(info->formats[i].exts);
  }
  for (const char* wanted : {"*.flac", "*.ape", "*.wv", "*.aac;*.m4a;*.mp4", "*.opus", "*.wma"}) {
    EXPECT_TRUE(patterns.contains(wanted)) << wanted;
  }
  EXPECT_EQ(BASS_PluginLoad(pluginPath().c_str(), 0), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ALREADY);
}

TEST_F(PluginTest, PluginFormatsPlayOnlyWhileThePluginIsLoaded) {
  const std::string flac = mediaPath("tone.flac");
  EXPECT_EQ(BASS_StreamCreateFile(0, flac.c_str(), 0, 0, 0), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEFORM);

  const HPLUGIN plugin = BASS_PluginLoad(pluginPath().c_str(), 0);
  const HSTREAM stream = BASS_StreamCreateFile(0, flac.c_str(), 0, 0, BASS_STREAM_DECODE);
  ASSERT_NE(stream, 0u);
  BASS_CHANNELINFO info{};
  BASS_ChannelGetInfo(stream, &info);
  EXPECT_EQ(info.plugin, plugin);

  // A stream that is open keeps playing after its plug-in is freed.
  ASSERT_TRUE(BASS_PluginFree(0));
  EXPECT_EQ(BASS_PluginGetInfo(plugin), nullptr);
  EXPECT_NEAR(double(decodeToEnd(stream, 2)), double(kFrames), 0);
  EXPECT_EQ(BASS_StreamCreateFile(0, flac.c_str(), 0, 0, 0), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEFORM);
}

TEST_F(PluginTest, FilesThatAreNotPluginsDoNoHarm) {
  const std::string text = mediaPath("notes.so");
  std::ofstream(text) << "not a library";
  struct Case {
    std::string path;
    int error;
  };
  // A real shared library that is no plug-in: the engine's own MPEG audio decoder.
  const std::string library = "/usr/lib/" TAVELO_TEST_MULTIARCH "/libmpg123.so.0";
  for (const Case& c : {Case{mediaPath("missing.so"), BASS_ERROR_FILEOPEN}, Case{text, BASS_ERROR_FILEFORM},
                        Case{library, BASS_ERROR_FILEFORM}}) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(BASS_PluginLoad(c.path.c_str(), 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), c.error);
  }
  EXPECT_FALSE(BASS_PluginFree(12345));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
  EXPECT_NE(BASS_PluginLoad(pluginPath().c_str(), 0), 0u) << "the real one still loads";
}

}  // namespace
}  // namespace tavelo::test
