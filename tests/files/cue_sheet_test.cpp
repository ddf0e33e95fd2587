#include "cue_sheet.h"
#include "files_test_support.h"

namespace {

const QString kExtensionList = QStringLiteral("*.mp3;*.mp2;*.mp1;*.ogg;*.wav;*.aif;*.flac;*.mid;*.midi;*.rmi;*.kar;");

}  // namespace

void PrintTo(CueSheetKind kind, std::ostream* out) {
  const char* names[] = {"SingleFile", "MultiFile", "Error"};
  *out << names[int(kind)];
}

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
  EXPECT_EQ(result.record, QStringLiteral("3^%1^t1^0^t2^195^t3^422^").arg(audio));
  EXPECT_EQ(result.items, (QStringList{"album.flac", "   01. t1", "   02. t2", "   03. t3"}));
  EXPECT_EQ(result.audioPath(), audio);
}

// Sheets parsed beside an existing "a.wav"; the expected record names it as "F".
struct ParseCase {
  const char* name;
  const char* sheet;
  CueSheetKind kind;
  const char* record;  // with F for the audio file, or the start of the error message
};

const ParseCase kParseCases[] = {
    {"IndexBeforeTitleGoesToTheFollowingTrack",
     "FILE \"a.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTITLE \"t1\"\nTRACK 02 AUDIO\n"
     "INDEX 01 03:15:40\nTITLE \"t2\"\nTRACK 03 AUDIO\nINDEX 01 07:02:00\nTITLE \"t3\"\n",
     CueSheetKind::SingleFile, "2^F^t1^195^t2^422^"},
    {"AlbumTitleAfterFileGivesWayToFirstTrack",
     "FILE \"a.wav\" WAVE\nTITLE \"Album\"\nTRACK 01 AUDIO\nTITLE \"t1\"\nINDEX 01 00:00:00\n"
     "TRACK 02 AUDIO\nTITLE \"t2\"\nINDEX 01 01:00:00\n",
     CueSheetKind::SingleFile, "2^F^t1^0^t2^60^"},
    {"FirstIndexAfterTitleCounts",
     "FILE \"a.wav\" WAVE\nTITLE \"t1\"\nINDEX 00 00:01:00\nINDEX 01 00:03:00\n",
     CueSheetKind::SingleFile, "1^F^t1^1^"},
    {"MinutesBeyondTwoDigits",
     "FILE \"a.wav\" WAVE\nTITLE \"t1\"\nINDEX 01 00:00:00\nTITLE \"t2\"\nINDEX 01 123:04:74\n",
     CueSheetKind::SingleFile, "2^F^t1^0^t2^7384^"},
    {"SheetWithoutTitlesPlaysTheWholeFile", "FILE \"a.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n",
     CueSheetKind::SingleFile, "1^F^a^0^"},
    {"LoneCarriageReturnsEndLines", "FILE \"a.wav\" WAVE\rTITLE \"t1\"\rINDEX 01 00:02:00\r",
     CueSheetKind::SingleFile, "1^F^t1^2^"},
    {"SecondFileSwitchesToFileList",
     "FILE \"a.wav\" WAVE\nTITLE \"t1\"\nINDEX 01 00:00:00\nFILE \"b.wav\" WAVE\n", CueSheetKind::MultiFile, ""},
    {"TitleProfileCountsAsFile",
     "FILE \"a.wav\" WAVE\nTRACK 01 AUDIO\nTITLE \"PROFILE\"\nINDEX 01 00:00:00\n", CueSheetKind::MultiFile, ""},
    {"NonNumericMinutes", "FILE \"a.wav\" WAVE\nTITLE \"t1\"\nINDEX 01 ab:00:00\n", CueSheetKind::Error,
     "Line 3: 'ab' is not a valid integer value"},
    {"NonNumericSeconds", "FILE \"a.wav\" WAVE\nTITLE \"t1\"\nINDEX 01 00:x5:00\n", CueSheetKind::Error,
     "Line 3: 'x5' is not a valid integer value"},
    {"IndexWithoutColon", "FILE \"a.wav\" WAVE\nTITLE \"t1\"\nREM INDEXED\n", CueSheetKind::Error,
     "Line 3: '' is not a valid integer value"},
    {"NoFileLine", "TITLE \"t1\"\nINDEX 01 00:00:00\n", CueSheetKind::Error, "No audio file"},
};

void PrintTo(const ParseCase& c, std::ostream* out) { *out << c.name; }

class ParseCueSheet : public testing::TestWithParam<ParseCase> {};

TEST_P(ParseCueSheet, GivesRecordOrError) {
  FolderFixture dir;
  const QString audio = dir.write("a.wav");
  const ParseCase& c = GetParam();
  const CueSheetResult result = parseCueSheet(QString::fromUtf8(c.sheet), dir.folder(), extensions());
  ASSERT_EQ(result.kind, c.kind) << result.message.toStdString();
  if (c.kind == CueSheetKind::SingleFile) {
    EXPECT_EQ(result.record, QString::fromUtf8(c.record).replace(QStringLiteral("F"), audio));
  } else if (c.kind == CueSheetKind::Error) {
    EXPECT_TRUE(result.message.startsWith(QString::fromUtf8(c.record))) << result.message.toStdString();
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, ParseCueSheet, testing::ValuesIn(kParseCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LoadCueSheet, FileLineWithoutQuotesNamesNoPlayableFile) {
  FolderFixture dir;
  dir.write("a.wav");
  const CueSheetResult result =
      parseCueSheet(QStringLiteral("FILE a.wav WAVE\nTITLE \"t1\"\nINDEX 01 00:00:00\n"), dir.folder(), extensions());
  ASSERT_EQ(result.kind, CueSheetKind::SingleFile);
  EXPECT_FALSE(QFileInfo(result.audioPath()).isFile());  // playing it fails: "Unsupported File Format."
}

TEST(LoadCueSheet, TitlesDecodedFromWindows1252AndUtf8) {
  const QString title = QStringLiteral("   01. Caf\u00e9 \u2013 Ol\u00e9");
  const QByteArray body = "FILE \"a.mp3\" MP3\nTITLE \"Caf\xE9 \x96 Ol\xE9\"\nINDEX 01 00:00:00\n";
  const QByteArray utf8 = QStringLiteral("FILE \"a.mp3\" MP3\nTITLE \"Caf\u00e9 \u2013 Ol\u00e9\"\nINDEX 01 00:00:00\n").toUtf8();
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

  const CueSheetResult bad = LoadCueSheet(dir.write("bad.cue", "FILE \"a.wav\"\nTITLE \"x\"\nINDEX 01 1a:00:00\n"), extensions());
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
  EXPECT_EQ(result.audioPath(), expected);
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

TEST(LoadCueFileList, ProfileTitleIsAlsoAFileLine) {
  FolderFixture dir;
  const CueFileList list = parseCueFileList(
      QStringLiteral("FILE \"a.wav\" WAVE\nTITLE \"PROFILE\"\nINDEX 01 00:00:00\n"), dir.folder(), extensions());
  EXPECT_EQ(list.paths, (QStringList{dir.path("a.wav"), dir.path("PROFILE")}));
  EXPECT_EQ(list.items, (QStringList{"01. PROFILE"}));
}

TEST(LoadCueFileList, UnreadableSheetGivesEmptyList) {
  FolderFixture dir;
  const CueFileList list = LoadCueFileList(dir.path("gone.cue"), extensions());
  EXPECT_TRUE(list.paths.isEmpty());
  EXPECT_TRUE(list.items.isEmpty());
}

TEST(CueRecord, FieldsAndTrackLengths) {
  const QString record = QStringLiteral("3^/m/F.flac^t1^0^t2^195^t3^422^");
  EXPECT_EQ(cueTrackCount(record), 3);
  EXPECT_EQ(cueAudioPath(record), QStringLiteral("/m/F.flac"));
  EXPECT_EQ(cueTrackTitle(record, 2), QStringLiteral("t2"));
  EXPECT_EQ(cueTrackStart(record, 3), 422);
  EXPECT_EQ(cueTrackStart(record, 4), 0);
  EXPECT_EQ(cueTrackLength(record, 1, 500), 195);
  EXPECT_EQ(cueTrackLength(record, 3, 500), 78);  // the last track ends with the file
  EXPECT_EQ(cueTrackLength(record, 3, 400), 0);   // a file shorter than the sheet says
  EXPECT_EQ(playedTrackLength(record, 3, 400.2), 1);
  EXPECT_EQ(playedTrackLength(record, 0, 499.6), 500);
  EXPECT_EQ(playedTrackLength(QString(), 0, 0.2), 1);
}

TEST(CueRecord, BoundaryCrossedOnlyPastTheTrackEnd) {
  const QString record = QStringLiteral("3^/m/F.flac^t1^0^t2^195^t3^422^");
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
