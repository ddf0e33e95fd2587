#include "app/open_filter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tavelo;

namespace {

TEST(OpenDialogFilter, BuiltInFormatsOnly) {
  const OpenDialogFilter result = buildOpenDialogFilter({});
  EXPECT_EQ(result.extensionList, "*.mp3;*.mp2;*.mp1;*.ogg;*.wav;*.aif;");
  EXPECT_EQ(result.filter,
            "All Audio Files|*.mp3;*.mp2;*.mp1;*.ogg;*.wav;*.aif;*.cue|CUE Files (*.cue)|*.cue|"
            "BASS built-in|*.mp3;*.mp2;*.mp1;*.ogg;*.wav*;*.aif");
}

TEST(OpenDialogFilter, PluginFormatsFollowInOrder) {
  const OpenDialogFilter result =
      buildOpenDialogFilter({{"FLAC", "*.flac"}, {"MIDI", "*.mid;*.midi;*.rmi"}});
  EXPECT_EQ(result.extensionList, "*.mp3;*.mp2;*.mp1;*.ogg;*.wav;*.aif;*.flac;*.mid;*.midi;*.rmi;");
  EXPECT_EQ(result.filter,
            "All Audio Files|*.mp3;*.mp2;*.mp1;*.ogg;*.wav;*.aif;*.flac;*.mid;*.midi;*.rmi;*.cue|"
            "CUE Files (*.cue)|*.cue|BASS built-in|*.mp3;*.mp2;*.mp1;*.ogg;*.wav*;*.aif|"
            "FLAC (*.flac)|*.flac|MIDI (*.mid;*.midi;*.rmi)|*.mid;*.midi;*.rmi");
  EXPECT_EQ(toNameFilters(result.filter),
            (QStringList{"All Audio Files (*.mp3 *.mp2 *.mp1 *.ogg *.wav *.aif *.flac *.mid *.midi *.rmi *.cue)",
                         "CUE Files (*.cue)", "BASS built-in (*.mp3 *.mp2 *.mp1 *.ogg *.wav* *.aif)",
                         "FLAC (*.flac)", "MIDI (*.mid *.midi *.rmi)"}));
}

TEST(OpenDialogFilter, PlayableExtensions) {
  const QString list = buildOpenDialogFilter({{"MIDI", "*.mid;*.midi"}}).extensionList;
  const std::pair<const char*, bool> cases[] = {
      {"/m/a.mp3", true},  {"/m/A.MP3", true},   {"/m/a.mid", true},      {"/m/a.midi", true},
      {"/m/a.mi", false},  {"/m/a.cue", false},  {"/m/a.wave", false},    {"/m/noextension", false},
      {"/m/a.mp", false},  {"/m.mp3/a", false},  {"/m/a.tar.mp3", true},
  };
  for (const auto& [path, playable] : cases) EXPECT_EQ(isPlayableExtension(list, path), playable) << path;
}

TEST(OpenDialogFilter, PluginLibrariesAreSortedSharedObjects) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  for (const char* name : {"midi.so", "aac.so", "readme.txt", "flac.so.bak"}) {
    QFile file(dir.filePath(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  }
  ASSERT_TRUE(QDir(dir.path()).mkdir("folder.so"));
  EXPECT_EQ(pluginLibraries(dir.path()), (QStringList{dir.filePath("aac.so"), dir.filePath("midi.so")}));
  EXPECT_TRUE(pluginLibraries(dir.filePath("missing")).isEmpty());
}

}  // namespace
