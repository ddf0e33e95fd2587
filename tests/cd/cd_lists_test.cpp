#include "cd/cd_lists.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <ostream>

using namespace tavelo;

inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace {

// A CD-TEXT block as the engine hands it: zero-terminated texts closed by an empty one.
QByteArray cdTextBlock(std::initializer_list<const char*> texts) {
  QByteArray block;
  for (const char* text : texts) block.append(text).append('\0');
  return block.append('\0');
}

TEST(CdTrackList, ItemsFromLengthsAndCdText) {
  const QByteArray block = cdTextBlock({"TITLE=Disc", "TITLE1=First Song", "TITLE10=Tenth", "TITLE3=a=b"});
  const QStringList cdText = cdTextEntries(block.constData());
  const struct {
    const char* name;
    int track;
    qint64 length;
    const QStringList& text;
    const char* item;
  } cases[] = {
      {"a titled track shows its title", 0, 4 * 176400, cdText, "First Song (0:04)"},
      {"TITLE1= never matches TITLE10=", 9, 4 * 176400, cdText, "Tenth (0:04)"},
      {"a track missing from the block keeps its number", 1, 247 * 176400, cdText, "Track 02 (4:07)"},
      {"a title keeps everything after its first =", 2, 176400, cdText, "a=b (0:01)"},
      {"no CD-TEXT gives Track nn", 11, 3725LL * 176400, {}, "Track 12 (62:05)"},
      {"a data track has no time", 3, -1, {}, "Track 04 (data)"},
      {"under a second shows 0:00", 0, 176399, {}, "Track 01 (0:00)"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(cdTrackItemText(c.track, c.length, c.text), QString::fromUtf8(c.item)) << c.name;
}

TEST(CdTrackList, CdTextShowsCleanly) {
  const QByteArray block = cdTextBlock({"TITLE1=Zweites Lied \xc3\xa9", "TITLE2=Caf\xe9", "TITLE3=Two\nLines\t!"});
  const QStringList cdText = cdTextEntries(block.constData());
  EXPECT_EQ(cdTextTitle(cdText, 0), QString::fromUtf8("Zweites Lied é")) << "valid UTF-8";
  EXPECT_EQ(cdTextTitle(cdText, 1), QString::fromUtf8("Café")) << "invalid UTF-8 is Windows-1252";
  EXPECT_EQ(cdTextTitle(cdText, 2), QStringLiteral("Two Lines !")) << "control characters become blanks";
  EXPECT_TRUE(cdTextEntries(nullptr).isEmpty());
}

TEST(CdDriveList, ItemNamesTheDeviceInTheLettersPlace) {
  EXPECT_EQ(cdDriveItemText(QStringLiteral("sr0"), QStringLiteral("HL-DT-ST"), QStringLiteral("DVDRAM")),
            QStringLiteral("sr0: HL-DT-ST - DVDRAM"));
}

TEST(CdTrackEnd, NextTrackStopOrNothing) {
  const int drive1 = 1 << 16;
  const struct {
    const char* name;
    CdTrackEnd end;
    CdTrackEndPlan::Action action;
    int drive, next;
    bool select;
  } cases[] = {
      {"a middle track moves on", {1, 3, 0, false}, CdTrackEndPlan::PlayNext, 0, 2, true},
      {"the last track without Repeat stops", {2, 3, 0, false}, CdTrackEndPlan::StopAtEnd, 0, 0, true},
      {"the last track with Repeat starts track 1", {2, 3, 0, true}, CdTrackEndPlan::PlayNext, 0, 0, true},
      {"another drive's stream leaves the list alone", {drive1 | 0, 3, 0, false}, CdTrackEndPlan::PlayNext, 1, 1, false},
      {"a stream with no track does nothing", {-1, 3, 0, false}, CdTrackEndPlan::Nothing, 0, 0, false},
      {"a disc that counts no tracks does nothing", {1, 0, 0, false}, CdTrackEndPlan::Nothing, 0, 0, false},
      {"a drive without a disc does nothing", {1, -1, 0, true}, CdTrackEndPlan::Nothing, 0, 0, false},
  };
  for (const auto& c : cases) {
    const CdTrackEndPlan plan = planCdTrackEnd(c.end);
    EXPECT_EQ(plan.action, c.action) << c.name;
    if (c.action == CdTrackEndPlan::Nothing) continue;
    EXPECT_EQ(plan.drive, c.drive) << c.name;
    EXPECT_EQ(plan.next, c.next) << c.name;
    EXPECT_EQ(plan.selectInList, c.select) << c.name;
  }
}

TEST(CdPolling, FreesRebuildsOrWaits) {
  const struct {
    const char* name;
    CdPoll poll;
    CdPollAction action;
  } cases[] = {
      {"a playing stream leaves the poll to the position", {true, false, true, false}, CdPollAction::Nothing},
      {"door opened under a filled list clears it", {true, true, false, false}, CdPollAction::FreeStreamAndClear},
      {"a disc not ready under a filled list clears it", {false, false, false, false},
       CdPollAction::FreeStreamAndClear},
      {"a closed door and an empty list rebuild", {false, false, false, true}, CdPollAction::BuildList},
      {"an open door and an empty list wait", {true, false, false, true}, CdPollAction::Nothing},
      {"a ready disc with its list waits", {false, true, false, false}, CdPollAction::Nothing},
  };
  for (const auto& c : cases) EXPECT_EQ(planCdPoll(c.poll), c.action) << c.name;
}

TEST(CdImages, SheetsOfTheFolderByName) {
  QTemporaryDir dir;
  const auto write = [&dir](const char* name, qint64 size) {
    QFile file(dir.filePath(QString::fromUtf8(name)));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.resize(size);
  };
  write("disc 10.toc", 10);
  write("Disc 2.cue", 10);
  write("disc 1.toc", 10);
  write("notes.txt", 10);
  write(".hidden.toc", 10);
  write("huge.toc", kMaxCdSheetBytes + 1);
  QDir().mkdir(dir.filePath(QStringLiteral("folder.cue")));
  QStringList names;
  for (const QString& path : cdImageFiles(dir.path())) names << QFileInfo(path).fileName();
  EXPECT_EQ(names, (QStringList{"disc 1.toc", "disc 10.toc", "Disc 2.cue"}));
  EXPECT_TRUE(cdImageFiles(dir.filePath(QStringLiteral("missing"))).isEmpty());
}

}  // namespace
