#include "files/cue_sheet.h"
#include "files_test_support.h"

using namespace tavelo;

namespace {

const QString kExtensionList = QStringLiteral("*.mp3;*.mp2;*.mp1;*.ogg;*.wav;*.aif;*.flac;*.mid;*.midi;*.rmi;*.kar;");

}  // namespace

namespace tavelo {

void PrintTo(CueSheetKind kind, std::ostream* out) {
  const char* names[] = {"SingleFile", "MultiFile", "Error"};
  *out << names[int(kind)];
}

}  // namespace tavelo

namespace {

PlayableExtensions extensions() { return PlayableExtensions(kExtensionList); }

const char* kThreeTracks =
    "PERFORMER \"Band\"\r\n"
    "TITLE \"Album title before the audio file\"\r\n"
    "FILE \"album.flac\" WAVE\r\n"
    "  TRACK 01 AUDIO\r\n"
    "    TITLE \"t1\"\r\n"
    "    INDEX 01 00:00:00\r\n"
    "  TRACK 02 AUDIO\r\n"
    "    TITLE \"t2\"\r\n"
    "    INDEX 01 03:15:40\r\n"
    "  TRACK 03 AUDIO\r\n"
    "    TITLE \"t3\"\r\n"
    "    INDEX 01 07:02:00\r\n";

TEST(LoadCueSheet, SingleFileSheetGivesRecordAndItems) {
  FolderFixture dir;
  const QString audio = dir.write("album.flac");
  const CueSheetResult result = LoadCueSheet(dir.write("album.cue", kThreeTracks), extensions());
  ASSERT_EQ(result.kind, CueSheetKind::SingleFile) << result.message.toStdString();
  EXPECT_EQ(result.record, (CueRecord{audio, {{"t1", 0}, {"t2", 195}, {"t3", 422}}}));
  EXPECT_EQ(result.items, (QStringList{"album.flac", "   01. t1", "   02. t2", "   03. t3"}));
}

// Sheets parsed beside an existing "a.wav", which every single-file case names.
struct ParseCase {
  const char* name;
  const char* sheet;
  CueSheetKind kind;
  std::vector<CueTrack> tracks;  // SingleFile
  const char* error = "";        // the start of the message (Error)
};

const ParseCase kParseCases[] = {
    {"AlbumTitleAfterFileGivesWayToFirstTrack",
     "FILE \"a.wav\" WAVE\nTITLE \"Album\"\nTRACK 01 AUDIO\nTITLE \"t1\"\nINDEX 01 00:00:00\n"
     "TRACK 02 AUDIO\nTITLE \"t2\"\nINDEX 01 01:00:00\n",
     CueSheetKind::SingleFile, {{"t1", 0}, {"t2", 60}}},
    {"TitleContainingFileIsATitle",
     "FILE \"a.wav\" WAVE\nTRACK 01 AUDIO\nTITLE \"Profile\"\nINDEX 01 00:00:00\n"
     "TRACK 02 AUDIO\nTITLE \"FILE\"\nINDEX 01 00:10:00\n",
     CueSheetKind::SingleFile, {{"Profile", 0}, {"FILE", 10}}},
    {"TitleContainingIndexIsATitle",
     "FILE \"a.wav\" WAVE\nTRACK 01 AUDIO\nTITLE \"Index of Love\"\nINDEX 01 00:00:00\n"
     "TRACK 02 AUDIO\nTITLE \"INDEX\"\nINDEX 01 00:10:00\n",
     CueSheetKind::SingleFile, {{"Index of Love", 0}, {"INDEX", 10}}},
    {"CdTextFileIsNotASecondFile",
     "CDTEXTFILE \"a.cdt\"\nFILE \"a.wav\" WAVE\nTRACK 01 AUDIO\nTITLE \"t1\"\nINDEX 01 00:00:00\n",
     CueSheetKind::SingleFile, {{"t1", 0}}},
    {"UnquotedFileAndTitle",
     "FILE a.wav WAVE\nTRACK 01 AUDIO\nTITLE Word\nINDEX 01 00:00:00\nTRACK 02 AUDIO\n"
     "TITLE Two words\nINDEX 01 00:05:00\n",
     CueSheetKind::SingleFile, {{"Word", 0}, {"Two words", 5}}},
    {"TrackWithoutTitleIsNamedByItsNumber",
     "FILE \"a.wav\" WAVE\nTRACK 01 AUDIO\nTITLE \"t1\"\nINDEX 01 00:00:00\nTRACK 02 AUDIO\n"
     "INDEX 01 01:00:00\nTRACK 03 AUDIO\nTITLE \"t3\"\nINDEX 01 02:00:00\n",
     CueSheetKind::SingleFile, {{"t1", 0}, {"Track 02", 60}, {"t3", 120}}},
    {"IndexBeforeTitleBelongsToItsTrack",
     "FILE \"a.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTITLE \"t1\"\nTRACK 02 AUDIO\n"
     "INDEX 01 03:15:40\nTITLE \"t2\"\nTRACK 03 AUDIO\nINDEX 01 07:02:00\nTITLE \"t3\"\n",
     CueSheetKind::SingleFile, {{"t1", 0}, {"t2", 195}, {"t3", 422}}},
    {"FirstIndexOfATrackIsItsStart",
     "FILE \"a.wav\" WAVE\nTRACK 01 AUDIO\nTITLE \"t1\"\nINDEX 00 00:01:00\nINDEX 01 00:03:00\n"
     "TRACK 02 AUDIO\nTITLE \"t2\"\nINDEX 01 00:09:00\nINDEX 02 00:20:00\n",
     CueSheetKind::SingleFile, {{"t1", 1}, {"t2", 9}}},
    {"CaretInATitleIsKept",
     "FILE \"a.wav\" WAVE\nTRACK 01 AUDIO\nTITLE \"AC^DC\"\nINDEX 01 00:00:00\nTRACK 02 AUDIO\n"
     "TITLE \"t2\"\nINDEX 01 00:30:00\n",
     CueSheetKind::SingleFile, {{"AC^DC", 0}, {"t2", 30}}},
    {"CrLfLineEnds",
     "FILE \"a.wav\" WAVE\r\n  TRACK 01 AUDIO\r\n    TITLE \"t1\"\r\n    INDEX 01 00:02:00\r\n",
     CueSheetKind::SingleFile, {{"t1", 2}}},
    {"LoneCarriageReturnsEndLines", "FILE \"a.wav\" WAVE\rTRACK 01 AUDIO\rTITLE \"t1\"\rINDEX 01 00:02:00\r",
     CueSheetKind::SingleFile, {{"t1", 2}}},
    {"TabsAndLowerCaseKeywords", "file \"a.wav\" WAVE\n\ttrack 01 audio\n\t\ttitle \"t1\"\n\t\tindex 01 00:02:00\n",
     CueSheetKind::SingleFile, {{"t1", 2}}},
    {"MinutesBeyondTwoDigits",
     "FILE \"a.wav\" WAVE\nTRACK 01 AUDIO\nTITLE \"t1\"\nINDEX 01 00:00:00\nTRACK 02 AUDIO\n"
     "TITLE \"t2\"\nINDEX 01 123:04:74\n",
     CueSheetKind::SingleFile, {{"t1", 0}, {"t2", 7384}}},
    {"TrackWithoutIndexHasNoStartAndIsLeftOut",
     "FILE \"a.wav\" WAVE\nTRACK 01 AUDIO\nTITLE \"t1\"\nINDEX 01 00:00:00\nTRACK 02 AUDIO\nTITLE \"t2\"\n",
     CueSheetKind::SingleFile, {{"t1", 0}}},
    {"SheetWithoutTracksPlaysTheWholeFile", "REM COMMENT \"x\"\nFILE \"a.wav\" WAVE\n", CueSheetKind::SingleFile,
     {{"a", 0}}},
    {"SecondFileSwitchesToFileList",
     "FILE \"a.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nFILE \"b.wav\" WAVE\nTRACK 02 AUDIO\n"
     "INDEX 01 00:00:00\n",
     CueSheetKind::MultiFile, {}},
    {"NonNumericMinutes", "FILE \"a.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 ab:00:00\n", CueSheetKind::Error, {},
     "Line 3: 'ab' is not a valid integer value"},
    {"NonNumericSeconds", "FILE \"a.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:x5:00\n", CueSheetKind::Error, {},
     "Line 3: 'x5' is not a valid integer value"},
    {"IndexWithoutTime", "FILE \"a.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01\n", CueSheetKind::Error, {},
     "Line 3: '' is not a valid integer value"},
    {"NoFileLine", "TRACK 01 AUDIO\nTITLE \"t1\"\nINDEX 01 00:00:00\n", CueSheetKind::Error, {}, "No audio file"},
};

void PrintTo(const ParseCase& c, std::ostream* out) { *out << c.name; }

}  // namespace

namespace tavelo {

void PrintTo(const CueTrack& track, std::ostream* out) {
  *out << '"' << track.title.toStdString() << "\"@" << track.start;
}

}  // namespace tavelo

namespace {

class ParseCueSheet : public testing::TestWithParam<ParseCase> {};

TEST_P(ParseCueSheet, GivesTracksOrError) {
  FolderFixture dir;
  const QString audio = dir.write("a.wav");
  const ParseCase& c = GetParam();
  const CueSheetResult result = parseCueSheet(QString::fromUtf8(c.sheet), dir.folder(), extensions());
  ASSERT_EQ(result.kind, c.kind) << result.message.toStdString();
  if (c.kind == CueSheetKind::SingleFile) {
    EXPECT_EQ(result.record.audio, audio);
    EXPECT_EQ(result.record.tracks, c.tracks);
    EXPECT_EQ(result.items.size(), qsizetype(c.tracks.size() + 1));
  } else if (c.kind == CueSheetKind::Error) {
    EXPECT_TRUE(result.message.startsWith(QString::fromUtf8(c.error))) << result.message.toStdString();
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, ParseCueSheet, testing::ValuesIn(kParseCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LoadCueSheet, TitlesDecodedFromWindows1252AndUtf8) {
  const QString title = QStringLiteral("   01. Caf\u00e9 \u2013 Ol\u00e9");
  const QByteArray body = "FILE \"a.mp3\" MP3\nTRACK 01 AUDIO\nTITLE \"Caf\xE9 \x96 Ol\xE9\"\nINDEX 01 00:00:00\n";
  const QByteArray utf8 = QStringLiteral("FILE \"a.mp3\" MP3\nTRACK 01 AUDIO\nTITLE \"Caf\u00e9 \u2013 Ol\u00e9\"\nINDEX 01 00:00:00\n").toUtf8();
  FolderFixture dir;
  dir.write("a.mp3");
  for (const auto& [name, bytes] : {std::pair{"cp1252.cue", body}, std::pair{"utf8.cue", utf8},
                                    std::pair{"bom.cue", QByteArray("\xEF\xBB\xBF") + utf8}}) {
    const CueSheetResult result = LoadCueSheet(dir.write(name, bytes), extensions());
    ASSERT_EQ(result.items.size(), 2) << name;
    EXPECT_EQ(result.items[1], title) << name;
  }
}

TEST(LoadCueSheet, ErrorsNameTheSheet) {
  FolderFixture dir;
  const CueSheetResult missing = LoadCueSheet(dir.path("gone.cue"), extensions());
  EXPECT_EQ(missing.kind, CueSheetKind::Error);
  EXPECT_TRUE(missing.message.startsWith("Cannot open file")) << missing.message.toStdString();

  const CueSheetResult bad = LoadCueSheet(dir.write("bad.cue", "FILE \"a.wav\"\nTRACK 01 AUDIO\nINDEX 01 1a:00:00\n"), extensions());
  EXPECT_EQ(bad.kind, CueSheetKind::Error);
  EXPECT_EQ(bad.message, QStringLiteral("bad.cue: Line 3: '1a' is not a valid integer value"));
}

struct ResolveCase {
  const char* name;
  QStringList present;  // files in the sheet's folder
  const char* named;    // as the sheet writes it
  const char* expected;
};

const ResolveCase kResolveCases[] = {
    {"ExistingFileAsNamed", {"album.wav", "album.mp3"}, "album.wav", "album.wav"},
    {"WavResolvedToMp3", {"album.mp3"}, "album.wav", "album.mp3"},
    {"ExtensionsTriedInListOrder", {"album.flac", "album.ogg"}, "album.wav", "album.ogg"},
    {"NothingFoundKeepsTheName", {"other.mp3"}, "album.wav", "album.wav"},
    {"NameDifferingInCase", {"album.wav"}, "Album.WAV", "album.wav"},
    {"FallbackDifferingInCase", {"Album.MP3"}, "album.wav", "Album.MP3"},
    {"NameWithoutExtension", {"album.ogg"}, "album", "album.ogg"},
    {"WindowsSubfolder", {"CD1/album.flac"}, "CD1\\album.wav", "CD1/album.flac"},
};

void PrintTo(const ResolveCase& c, std::ostream* out) { *out << c.name; }

class ResolveCueAudioFile : public testing::TestWithParam<ResolveCase> {};

TEST_P(ResolveCueAudioFile, FindsTheFile) {
  FolderFixture dir;
  for (const QString& file : GetParam().present) dir.write(file);
  const QString sheet = QStringLiteral("FILE \"%1\" WAVE\nTITLE \"t\"\nINDEX 01 00:00:00\n").arg(GetParam().named);
  const CueSheetResult result = parseCueSheet(sheet, dir.folder(), extensions());
  QString expected = dir.path(GetParam().expected);
  EXPECT_EQ(result.record.audio, expected);
  EXPECT_EQ(result.items.value(0), QFileInfo(expected).fileName());
}

INSTANTIATE_TEST_SUITE_P(Cases, ResolveCueAudioFile, testing::ValuesIn(kResolveCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LoadCueFileList, PairsFilesAndTitles) {
  FolderFixture dir;
  dir.write("one.mp3");
  dir.write("two.ogg");
  const QString cue = dir.write("list.cue",
                                "TITLE \"Album\"\n"
                                "FILE \"one.wav\" WAVE\n  TRACK 01 AUDIO\n    TITLE \"First\"\n    INDEX 01 00:00:00\n"
                                "FILE \"two.wav\" WAVE\n  TRACK 02 AUDIO\n    TITLE \"Second\"\n    INDEX 01 00:00:00\n");
  EXPECT_EQ(LoadCueSheet(cue, extensions()).kind, CueSheetKind::MultiFile);
  const CueFileList list = LoadCueFileList(cue, extensions());
  EXPECT_EQ(list.paths, (QStringList{dir.path("one.mp3"), dir.path("two.ogg")}));
  EXPECT_EQ(list.items, (QStringList{"01. First", "02. Second"}));
}

// Sheets naming a.wav, b.wav and c.wav, parsed in a folder where none exists.
struct FileListCase {
  const char* name;
  const char* sheet;
  QStringList files;  // the path beside each item, by file name
  QStringList items;
};

const FileListCase kFileListCases[] = {
    {"TrackWithoutTitleIsNamedByItsNumber",
     "FILE \"a.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nFILE \"b.wav\" WAVE\nTRACK 02 AUDIO\n"
     "TITLE \"Two\"\nINDEX 01 00:00:00\n",
     {"a.wav", "b.wav"}, {"01. Track 01", "02. Two"}},
    {"TitleContainingFileIsNoFile",
     "FILE \"a.wav\" WAVE\nTRACK 01 AUDIO\nTITLE \"Profile\"\nINDEX 01 00:00:00\nFILE b.wav WAVE\n"
     "TRACK 02 AUDIO\nTITLE Next\nINDEX 01 00:00:00\n",
     {"a.wav", "b.wav"}, {"01. Profile", "02. Next"}},
    {"TwoTracksInOneFileEachGetTheirFile",
     "FILE \"a.wav\" WAVE\nTRACK 01 AUDIO\nTITLE \"One\"\nINDEX 01 00:00:00\nTRACK 02 AUDIO\nTITLE \"Two\"\n"
     "INDEX 01 02:00:00\nFILE \"b.wav\" WAVE\nTRACK 03 AUDIO\nTITLE \"Three\"\nINDEX 01 00:00:00\n",
     {"a.wav", "a.wav", "b.wav"}, {"01. One", "02. Two", "03. Three"}},
    {"PregapInThePreviousFilePlaysTheFileOfIndex01",
     "FILE \"a.wav\" WAVE\nTRACK 01 AUDIO\nTITLE \"One\"\nINDEX 01 00:00:00\nTRACK 02 AUDIO\nTITLE \"Two\"\n"
     "INDEX 00 03:58:00\nFILE \"b.wav\" WAVE\nINDEX 01 00:00:00\nTRACK 03 AUDIO\nTITLE \"Three\"\n"
     "FILE \"c.wav\" WAVE\nINDEX 01 00:00:00\n",
     {"a.wav", "b.wav", "c.wav"}, {"01. One", "02. Two", "03. Three"}},
    {"FileWithoutTracksGivesNoItem",
     "FILE \"a.wav\" WAVE\nFILE \"b.wav\" WAVE\nTRACK 01 AUDIO\nTITLE \"One\"\nINDEX 01 00:00:00\n",
     {"b.wav"}, {"01. One"}},
};

void PrintTo(const FileListCase& c, std::ostream* out) { *out << c.name; }

class ParseCueFileList : public testing::TestWithParam<FileListCase> {};

TEST_P(ParseCueFileList, PairsEachTrackWithItsFile) {
  FolderFixture dir;
  const FileListCase& c = GetParam();
  const CueFileList list = parseCueFileList(QString::fromUtf8(c.sheet), dir.folder(), extensions());
  QStringList expectedPaths;
  for (const QString& file : c.files) expectedPaths.append(dir.path(file));
  EXPECT_EQ(list.paths, expectedPaths);
  EXPECT_EQ(list.items, c.items);
}

INSTANTIATE_TEST_SUITE_P(Cases, ParseCueFileList, testing::ValuesIn(kFileListCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LoadCueFileList, UnreadableSheetGivesEmptyList) {
  FolderFixture dir;
  const CueFileList list = LoadCueFileList(dir.path("gone.cue"), extensions());
  EXPECT_TRUE(list.paths.isEmpty());
  EXPECT_TRUE(list.items.isEmpty());
}

const CueRecord kRecord{"/m/F.flac", {{"t1", 0}, {"t2", 195}, {"t3", 422}}};

TEST(CueRecord, TracksAndTrackLengths) {
  EXPECT_EQ(cueTrackCount(kRecord), 3);
  EXPECT_EQ(cueTrackTitle(kRecord, 2), QStringLiteral("t2"));
  EXPECT_EQ(cueTrackTitle(kRecord, 4), QString());
  EXPECT_EQ(cueTrackStart(kRecord, 3), 422);
  EXPECT_EQ(cueTrackStart(kRecord, 4), 0);
  EXPECT_EQ(cueTrackStart(kRecord, 0), 0);
  EXPECT_EQ(cueTrackLength(kRecord, 1, 500), 195);
  EXPECT_EQ(cueTrackLength(kRecord, 3, 500), 78);  // the last track ends with the file
  EXPECT_EQ(cueTrackLength(kRecord, 3, 400), 0);   // a file shorter than the sheet says
  EXPECT_EQ(playedTrackLength(kRecord, 3, 400.2), 1);
  EXPECT_EQ(playedTrackLength(kRecord, 0, 499.6), 500);
  EXPECT_EQ(playedTrackLength(CueRecord{}, 0, 0.2), 1);
}

TEST(CueRecord, EmptyUntilLoadedAndAfterClear) {
  CueRecord record;
  EXPECT_TRUE(record.isEmpty());
  record = kRecord;
  EXPECT_FALSE(record.isEmpty());
  record.clear();
  EXPECT_TRUE(record.isEmpty());
  EXPECT_EQ(record, CueRecord{});
}

TEST(CueRecord, BoundaryCrossedOnlyPastTheTrackEnd) {
  const CueRecord& record = kRecord;
  EXPECT_FALSE(cueBoundaryCrossing(record, 1, 195, 195, 500));
  const auto crossing = cueBoundaryCrossing(record, 1, 196, 195, 500);
  ASSERT_TRUE(crossing);
  EXPECT_EQ(crossing->track, 2);
  EXPECT_EQ(crossing->trackLength, 227);
  const auto last = cueBoundaryCrossing(record, 2, 228, 227, 500);
  ASSERT_TRUE(last);
  EXPECT_EQ(last->track, 3);
  EXPECT_EQ(last->trackLength, 78);
  EXPECT_FALSE(cueBoundaryCrossing(record, 3, 79, 78, 500));  // never past the last track
}

}  // namespace
