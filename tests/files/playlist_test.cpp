#include "files_test_support.h"
#include "files/playlist.h"

using namespace tavelo;

namespace {

const PlayableExtensions kBuiltIn(QStringLiteral("*.mp3;*.mp2;*.mp1;*.ogg;*.wav;*.aif;*.mid;*.midi;"));

TEST(PlayableExtensions, WholeExtensionsOnly) {
  const struct {
    const char* path;
    bool playable;
  } cases[] = {
      {"/m/a.mp3", true},  {"/m/A.MP3", true},   {"/m/x.mp", false},        {"/m/README", false},
      {"/m/x.wav", true},  {"/m/x.wav2", false}, {"/m.mp3/notes", false},   {"/m/x.mid", true},
      {"/m/.mp3", true},   {"/m/x.cue", false},  {"/m/archive.mp3.txt", false},
  };
  for (const auto& c : cases) EXPECT_EQ(kBuiltIn.contains(QString::fromUtf8(c.path)), c.playable) << c.path;
  EXPECT_EQ(kBuiltIn.inOrder(), (QStringList{".mp3", ".mp2", ".mp1", ".ogg", ".wav", ".aif", ".mid", ".midi"}));
}

TEST(IsMidiFile, ComparesLowerCasedExtension) {
  const struct {
    const char* path;
    bool midi;
  } cases[] = {{"x.MID", true}, {"x.midi", true}, {"x.rmi", true}, {"x.Kar", true},
               {"x.midi2", false}, {"mid", false}, {"x.mp3", false}};
  for (const auto& c : cases) EXPECT_EQ(isMidiFile(QString::fromUtf8(c.path)), c.midi) << c.path;
}

TEST(PlaylistForOpenedFile, FullDirListsPlayableFilesCaseInsensitively) {
  FolderFixture dir;
  for (const char* name : {"B.ogg", "c.txt", "b.mp3", "a.mp3", "README"}) dir.write(name);
  QDir(dir.folder()).mkdir("sub.mp3");
  const QStringList paths = playlistPathsForOpenedFile(dir.path("b.mp3"), true, kBuiltIn);
  EXPECT_EQ(paths, (QStringList{dir.path("a.mp3"), dir.path("b.mp3"), dir.path("B.ogg")}));
  EXPECT_EQ(playlistItemTexts(paths), (QStringList{"a.mp3", "b.mp3", "B.ogg"}));
  EXPECT_EQ(playlistIndexOf(paths, dir.path("b.mp3")), 1);
}

TEST(PlaylistForOpenedFile, HiddenFilesAndLinksToFilesCount) {
  FolderFixture dir;
  dir.write(".hidden.mp3");
  const QString target = dir.write("sub/deep.mp3");
  QFile::link(target, dir.path("link.mp3"));
  QFile::link(dir.path("sub"), dir.path("dirlink.mp3"));
  EXPECT_EQ(playableFilesInFolder(dir.folder(), kBuiltIn),
            (QStringList{dir.path(".hidden.mp3"), dir.path("link.mp3")}));
}

TEST(PlaylistForOpenedFile, OtherCasesListTheChosenFileAlone) {
  FolderFixture dir;
  for (const char* name : {"a.mp3", "b.mp3", "notes.txt"}) dir.write(name);
  EXPECT_EQ(playlistPathsForOpenedFile(dir.path("b.mp3"), false, kBuiltIn), QStringList{dir.path("b.mp3")});
  EXPECT_EQ(playlistPathsForOpenedFile(dir.path("notes.txt"), true, kBuiltIn), QStringList{dir.path("notes.txt")});
  EXPECT_TRUE(playableFilesInFolder(dir.path("missing"), kBuiltIn).isEmpty());
}

TEST(SortPaths, CaseInsensitiveWithFixedOrderForTies) {
  QStringList paths{"/m/b.mp3", "/m/B.mp3", "/m/a.ogg", "/m/\u00c9t\u00e9.mp3", "/m/A.mp3"};
  sortPathsCaseInsensitive(paths);
  EXPECT_EQ(paths, (QStringList{"/m/A.mp3", "/m/a.ogg", "/m/B.mp3", "/m/b.mp3", "/m/\u00c9t\u00e9.mp3"}));
}

TEST(PlaylistIndexOf, IgnoresCaseAndFallsBackToZero) {
  const QStringList paths{"/m/a.mp3", "/m/B.mp3", "/m/b.mp3"};
  EXPECT_EQ(playlistIndexOf(paths, "/m/b.mp3"), 2);  // the exact spelling wins
  EXPECT_EQ(playlistIndexOf(paths, "/M/A.MP3"), 0);
  EXPECT_EQ(playlistIndexOf(paths, "/m/B.MP3"), 1);
  EXPECT_EQ(playlistIndexOf(paths, "/m/z.mp3"), 0);
}

TEST(FilesToAdd, SortedWithCueSheetsSkipped) {
  const FilesToAdd added = filesToAdd({"/m/c.mp3", "/m/list.CUE", "/m/A.ogg", "/m/x.cue"});
  EXPECT_EQ(added.paths, (QStringList{"/m/A.ogg", "/m/c.mp3"}));
  EXPECT_EQ(added.cueSheetsSkipped, 2);
}

TEST(EndOfStream, AdvanceRules) {
  const struct {
    const char* name;
    int current, count;
    bool cue, repeat;
    EndOfStreamAction expected;
  } cases[] = {
      {"next entry", 0, 3, false, false, {true, 1}},
      {"end of list stops on entry 0", 2, 3, false, false, {false, 0}},
      {"repeat wraps to entry 0", 2, 3, false, true, {true, 0}},
      {"single entry with repeat plays again", 0, 1, false, true, {true, 0}},
      {"single entry without repeat stops", 0, 1, false, false, {false, 0}},
      {"list emptied meanwhile", 4, 0, false, true, {false, 0}},
      {"cue sheet with repeat starts at track 1", 3, 4, true, true, {true, 1}},
      {"cue sheet without repeat stops on track 1", 3, 4, true, false, {false, 1}},
  };
  for (const auto& c : cases) {
    const EndOfStreamAction action = endOfStreamAction(c.current, c.count, c.cue, c.repeat);
    EXPECT_EQ(action.playNext, c.expected.playNext) << c.name;
    EXPECT_EQ(action.index, c.expected.index) << c.name;
  }
}

TEST(TrackStep, PrevAndNextAtBothEnds) {
  const struct {
    const char* name;
    TrackStep step;
    int current, count;
    bool cue;
    std::optional<int> expected;
  } cases[] = {
      {"next", TrackStep::Next, 0, 3, false, 1},
      {"next on the last restarts it", TrackStep::Next, 2, 3, false, 2},
      {"prev", TrackStep::Prev, 2, 3, false, 1},
      {"prev on the first restarts it", TrackStep::Prev, 0, 3, false, 0},
      {"empty list does nothing", TrackStep::Next, 0, 0, false, std::nullopt},
      {"cue prev from track 1 restarts track 1", TrackStep::Prev, 1, 4, true, 1},
      {"cue next on the last track", TrackStep::Next, 3, 4, true, 3},
      {"cue next from the header line", TrackStep::Next, 0, 4, true, 1},
      {"index beyond a shrunk list", TrackStep::Prev, 7, 3, false, 1},
  };
  for (const auto& c : cases)
    EXPECT_EQ(steppedTrackIndex(c.step, c.current, c.count, c.cue), c.expected) << c.name;
}

TEST(TrackStep, PlayTheSelectionOrTheFirstTrack) {
  EXPECT_EQ(trackIndexToPlay(-1, false), 0);
  EXPECT_EQ(trackIndexToPlay(2, false), 2);
  EXPECT_EQ(trackIndexToPlay(0, true), 1);  // the CUE header line
  EXPECT_EQ(trackIndexToPlay(-1, true), 1);
  EXPECT_EQ(trackIndexToPlay(3, true), 3);
}

TEST(Delete, RefusalsQuestionAndIndexShift) {
  EXPECT_EQ(deleteRefusal(true, 2, 1, false), QStringLiteral("Can`t DELETE track from CUE list!"));
  EXPECT_EQ(deleteRefusal(false, 1, 1, true), QStringLiteral("Can`t DELETE current track!"));
  EXPECT_EQ(deleteRefusal(false, 1, 1, false), QString());
  EXPECT_EQ(deleteRefusal(false, 0, 1, true), QString());
  EXPECT_EQ(deleteQuestion("a.mp3"), QStringLiteral("Do you really want to delete \"a.mp3\"?"));
  EXPECT_EQ(currentIndexAfterDelete(0, 2), 1);  // an entry above the playing one
  EXPECT_EQ(currentIndexAfterDelete(3, 2), 2);
}

TEST(ListIdleTicks, SelectionReturnsAfterFourTicksWhilePlaying) {
  ListIdleTicks idle;
  std::vector<bool> returns;
  for (int tick = 0; tick < 8; ++tick) returns.push_back(idle.tick(false, false));
  EXPECT_EQ(returns, (std::vector<bool>{false, false, false, true, false, false, false, true}));

  idle.reset();
  for (int tick = 0; tick < 6; ++tick) EXPECT_FALSE(idle.tick(true, false)) << "stopped";
  EXPECT_FALSE(idle.tick(false, true)) << "context menu open";
  EXPECT_TRUE(idle.tick(false, false));
  EXPECT_EQ(idle.ticks(), 0);
}

TEST(Captions, TransportCaptions) {
  const QStringList items{"  a.mp3 ", "b.mp3"};
  EXPECT_EQ(playCaption(items[0]), QStringLiteral("Play a.mp3"));
  EXPECT_EQ(pauseCaption(items[1]), QStringLiteral("Pause b.mp3"));
  EXPECT_EQ(stopCaption(items, 1), QStringLiteral("AF - Stop b.mp3"));
  EXPECT_EQ(stopCaption(items, 2), QStringLiteral("Audio Files - Stopped"));
  EXPECT_EQ(stopCaption({}, 0), QStringLiteral("Audio Files - Stopped"));
}

}  // namespace

namespace {

TEST(DroppedFiles, FilesFoldersAndLoneCueSheets) {
  FolderFixture dir;
  for (const char* name : {"top/b.mp3", "top/A.ogg", "top/notes.txt", "top/sub/c.wav", "top/.hidden/x.mp3",
                           "top/sub/deeper/d.mp3", "single.mp3", "sheet.cue", "readme.txt"})
    dir.write(name);
  QFile::link(dir.path("top"), dir.path("top/sub/loop"));  // a link back up is visited once

  EXPECT_EQ(droppedFilePaths({dir.path("top"), dir.path("single.mp3"), dir.path("readme.txt")}, kBuiltIn),
            (QStringList{dir.path("top/A.ogg"), dir.path("top/b.mp3"), dir.path("top/sub/c.wav"),
                         dir.path("top/sub/deeper/d.mp3"), dir.path("single.mp3")}));
  EXPECT_EQ(droppedFilePaths({dir.path("sheet.cue")}, kBuiltIn), QStringList{dir.path("sheet.cue")});
  EXPECT_EQ(droppedFilePaths({dir.path("sheet.cue"), dir.path("single.mp3")}, kBuiltIn),
            QStringList{dir.path("single.mp3")});
}

}  // namespace
