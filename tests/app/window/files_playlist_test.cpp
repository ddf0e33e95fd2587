// The playlist in the window: open dialog, whole folders, CUE sheets, Prev/Next, add, delete,
// the context menu and the command line.
#include "app/tags.h"
#include "files_fixture.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QScreen>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <cmath>

using namespace tavelo;

namespace {

using Files = FilesWindow;

TEST_F(Files, FullDirListsThePlayableFilesOfTheFolderAndPlaysTheChosenOne) {
  tone("a.mp3", 1);
  const QString chosen = tone("b.mp3", 1);
  tone("B.ogg", 1);
  text("c.txt", "notes");
  open(chosen);
  EXPECT_EQ(items(), (QStringList{"a.mp3", "b.mp3", "B.ogg"}));
  EXPECT_EQ(form->filesMode().pathList().value(1), chosen);
  EXPECT_EQ(form->ListBox1->currentRow(), 1);
  EXPECT_EQ(form->filesMode().currentTrack(), 1);
  EXPECT_EQ(form->windowTitle(), "Play b.mp3");
  EXPECT_TRUE(streamActive());
  EXPECT_TRUE(form->Timer1->isActive());
  EXPECT_FALSE(form->Stopped);
  for (QWidget* control : {static_cast<QWidget*>(form->ButtonPause), static_cast<QWidget*>(form->ButtonStop),
                           static_cast<QWidget*>(form->ButtonNext), static_cast<QWidget*>(form->ButtonPrev),
                           static_cast<QWidget*>(form->PB1)}) {
    EXPECT_TRUE(control->isEnabled()) << control->objectName().toStdString();
  }
  ASSERT_EQ(form.dialogs.fileDialogs.size(), 1);
  EXPECT_EQ(form.dialogs.fileDialogs[0].title, "Open Audio File");
  EXPECT_EQ(form->OpenDialog1.initialDir, QFileInfo(chosen).absolutePath());
}

TEST_F(Files, WithoutFullDirOnlyTheChosenFileIsListed) {
  tone("a.mp3", 1);
  const QString chosen = tone("b.wav", 1);
  form->CheckBoxFullDir->setChecked(false);
  open(chosen);
  EXPECT_EQ(items(), QStringList{"b.wav"});
  EXPECT_EQ(form->windowTitle(), "Play b.wav");
}

TEST_F(Files, AnUnreadableFileIsReportedAndTheListCleared) {
  const QString broken = garbage("broken.mp3");
  form->CheckBoxFullDir->setChecked(false);
  open(broken);
  EXPECT_EQ(form->windowTitle(), "Unsupported File Format.");
  EXPECT_TRUE(items().isEmpty());
  EXPECT_TRUE(form->filesMode().pathList().isEmpty());
  EXPECT_TRUE(form->Stopped);
  EXPECT_FALSE(form->Timer1->isActive());
  EXPECT_FALSE(form->ButtonStop->isEnabled());

  open(tone("good.wav", 1));  // the player goes on working
  EXPECT_EQ(form->windowTitle(), "Play good.wav");
}

TEST_F(Files, CancelledOpenDialogChangesNothing) {
  open(tone("a.wav", 1));
  form->ButtonOpen->click();  // the fake answers with cancel
  EXPECT_EQ(items(), QStringList{"a.wav"});
  EXPECT_EQ(form->windowTitle(), "Play a.wav");
}

// The window is started by the test itself, with the file on its command line.
class CommandLine : public FilesWindow {
 protected:
  void SetUp() override {}
};

TEST_F(CommandLine, FileOnTheCommandLinePlaysAtOnce) {
  const QString song = tone("song.ogg", 2);
  ASSERT_TRUE(form.create({song}));
  waitForFolderScan();  // Play Full Dir reads the folder first
  EXPECT_EQ(form->CurrentMode, 0);
  EXPECT_EQ(form->windowTitle(), "Play song.ogg");
  EXPECT_TRUE(streamActive());
  EXPECT_TRUE(form->Timer1->isActive());
  EXPECT_EQ(form->BLockUnlock->text(), "+");
}

TEST_F(Files, DroppedFilesAreSortedAndTheFirstPlays) {
  const QString b = tone("b.wav", 1);
  const QString a = tone("A.wav", 1);
  form->filesMode().openDroppedFiles({b, a});
  EXPECT_EQ(items(), (QStringList{"A.wav", "b.wav"}));
  EXPECT_EQ(form->windowTitle(), "Play b.wav");  // the first of the drop plays
}

struct StepCase {
  const char* name;
  int from;
  bool next;
  int expected;
};

class PrevNext : public FilesWindow, public ::testing::WithParamInterface<StepCase> {};

// No wrap-around: at either end the same entry starts again from its beginning.
TEST_P(PrevNext, StepsWithinTheListAndRestartsAtItsEnds) {
  const StepCase c = GetParam();
  form->CheckBoxFullDir->setChecked(true);
  tone("1.wav", 3);
  tone("2.wav", 3);
  tone("3.wav", 3);
  open(music(QStringLiteral("%1.wav").arg(c.from + 1)));
  waitUntilPosition(0.6);
  const std::uint32_t before = form->filesMode().stream();
  (c.next ? form->ButtonNext : form->ButtonPrev)->click();
  EXPECT_EQ(form->filesMode().currentTrack(), c.expected);
  EXPECT_EQ(form->ListBox1->currentRow(), c.expected);
  EXPECT_EQ(form->windowTitle(), QStringLiteral("Play %1.wav").arg(c.expected + 1));
  EXPECT_NE(form->filesMode().stream(), before);
  EXPECT_LT(positionSeconds(), 0.5);
  EXPECT_EQ(form->PB1->value(), 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, PrevNext,
                         ::testing::Values(StepCase{"NextFromFirst", 0, true, 1}, StepCase{"NextOnLast", 2, true, 2},
                                           StepCase{"PrevOnFirst", 0, false, 0},
                                           StepCase{"PrevFromLast", 2, false, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

// The sheet names album.wav, only album.mp3 is there.
QByteArray threeTrackSheet() {
  return "PERFORMER \"Someone\"\r\nTITLE \"The Album\"\r\nFILE \"album.wav\" WAVE\r\n"
         "  TRACK 01 AUDIO\r\n    TITLE \"t1\"\r\n    INDEX 01 00:00:00\r\n"
         "  TRACK 02 AUDIO\r\n    TITLE \"t2\"\r\n    INDEX 01 03:15:40\r\n"
         "  TRACK 03 AUDIO\r\n    TITLE \"t3\"\r\n    INDEX 01 07:02:00\r\n";
}

TEST_F(Files, CueSheetPlaysTracksOfOneFile) {
  const QString album = tone("album.mp3", 450);
  open(text("album.cue", threeTrackSheet()));
  EXPECT_EQ(form->filesMode().cueRecord(), (CueRecord{album, {{"t1", 0}, {"t2", 195}, {"t3", 422}}}));
  EXPECT_EQ(items(), (QStringList{"album.mp3", "   01. t1", "   02. t2", "   03. t3"}));
  EXPECT_TRUE(form->filesMode().pathList().isEmpty());
  EXPECT_EQ(form->filesMode().currentTrack(), 1);
  EXPECT_EQ(form->ListBox1->currentRow(), 1);
  EXPECT_EQ(form->windowTitle(), "Play 01. t1");
  EXPECT_EQ(form->filesMode().trackLength(), 195);

  struct Step {
    QPushButton* button;
    int track;
    int length;
    int start;
  };
  for (const Step& step : {Step{form->ButtonNext, 2, 227, 195}, Step{form->ButtonNext, 3, 28, 422},
                           Step{form->ButtonNext, 3, 28, 422}, Step{form->ButtonPrev, 2, 227, 195},
                           Step{form->ButtonPrev, 1, 195, 0}, Step{form->ButtonPrev, 1, 195, 0}}) {
    step.button->click();
    EXPECT_EQ(form->filesMode().currentTrack(), step.track);
    EXPECT_EQ(form->filesMode().trackLength(), step.length) << step.track;
    EXPECT_NEAR(positionSeconds(), step.start, 0.5) << step.track;
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Play 0%1. t%1").arg(step.track));
  }
}

TEST_F(Files, PlayWithTheHeaderLineSelectedPlaysTheFirstCueTrack) {
  tone("album.mp3", 450);
  open(text("album.cue", threeTrackSheet()));
  form->ButtonNext->click();
  form->ButtonStop->click();
  form->ListBox1->setCurrentRow(0);
  form->ButtonPlay->click();
  EXPECT_EQ(form->filesMode().currentTrack(), 1);
  EXPECT_EQ(form->windowTitle(), "Play 01. t1");
  EXPECT_NEAR(positionSeconds(), 0, 0.5);
}

TEST_F(Files, CueSheetWithoutItsAudioFileIsUnsupported) {
  open(text("album.cue", threeTrackSheet()));
  EXPECT_EQ(form->windowTitle(), "Unsupported File Format.");
  EXPECT_TRUE(form->filesMode().cueRecord().isEmpty());
  EXPECT_TRUE(items().isEmpty());
}

// A sheet naming a second file becomes a plain list, one entry per track.
TEST_F(Files, SheetOfTwoFilesBecomesAPlainList) {
  const QString album = tone("album.wav", 2);
  open(text("album.cue", "FILE \"album.wav\" WAVE\nTRACK 01 AUDIO\nTITLE \"Intro\"\nINDEX 01 00:00:00\n"
                         "FILE \"PROFILE\" WAVE\nTRACK 02 AUDIO\nTITLE \"PROFILE\"\nINDEX 01 00:00:00\n"));
  EXPECT_TRUE(form->filesMode().cueRecord().isEmpty());
  EXPECT_EQ(items(), (QStringList{"01. Intro", "02. PROFILE"}));
  EXPECT_EQ(form->filesMode().pathList().value(0), album);
  EXPECT_EQ(form->windowTitle(), "Play 01. Intro");
}

TEST_F(Files, CueSheetWithANonNumericIndexIsReportedAndChangesNothing) {
  open(tone("playing.wav", 5));
  open(text("bad.cue", "FILE \"x.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 0x:00:00\n"));
  ASSERT_EQ(form.dialogs.messages.size(), 1);
  EXPECT_TRUE(form.dialogs.messages[0].contains("is not a valid integer value"))
      << form.dialogs.messages[0].toStdString();
  EXPECT_TRUE(form.dialogs.messages[0].contains("bad.cue"));
  EXPECT_EQ(items(), QStringList{"playing.wav"});
  EXPECT_EQ(form->windowTitle(), "Play playing.wav");
  EXPECT_TRUE(streamActive());
  form->ButtonPause->click();
  EXPECT_EQ(form->windowTitle(), "Pause playing.wav");
}

TEST_F(Files, AddAppendsSortedFilesAndSkipsCueSheets) {
  form->CheckBoxFullDir->setChecked(false);
  open(tone("first.wav", 5));
  const std::uint32_t playing = form->filesMode().stream();
  form.dialogs.chosenFiles.enqueue({tone("z.wav", 1), text("list.cue", "FILE"), tone("Y.wav", 1)});
  form->BLockUnlock->click();
  EXPECT_EQ(form.dialogs.messages, QStringList{"Can`t ADD CUE list to music files!"});
  EXPECT_EQ(items(), (QStringList{"first.wav", "Y.wav", "z.wav"}));
  EXPECT_EQ(form->filesMode().pathList(), (QStringList{music("first.wav"), music("Y.wav"), music("z.wav")}));
  EXPECT_EQ(form->filesMode().stream(), playing);
  EXPECT_TRUE(form.dialogs.fileDialogs.last().multiSelect);
  EXPECT_FALSE(form->OpenDialog1.multiSelect);
}

TEST_F(Files, AddToACueListIsRefused) {
  tone("album.mp3", 450);
  open(text("album.cue", threeTrackSheet()));
  form->BLockUnlock->click();
  EXPECT_EQ(form.dialogs.messages, QStringList{"Can`t ADD track to CUE list!"});
  EXPECT_EQ(form.dialogs.fileDialogs.size(), 1);
}

// Right-clicks the item at row, as the list's context menu request does.
void rightClick(TFormMyTavelo& window, int row) {
  const QRect rect = window.ListBox1->visualItemRect(window.ListBox1->item(row));
  window.ListBox1ContextPopup(rect.center());
}

TEST_F(Files, DeletingAnEntryAboveThePlayingOneKeepsItPlaying) {
  tone("a.wav", 5);
  tone("b.wav", 5);
  open(tone("c.wav", 5));
  const std::uint32_t playing = form->filesMode().stream();
  rightClick(*form, 0);
  EXPECT_EQ(form->filesMode().menuOpen(), true);
  form->PM1->hide();
  form.dialogs.answers.enqueue(true);
  form->DeletetrackfromlistClick();
  EXPECT_EQ(form.dialogs.questions, QStringList{"Do you really want to delete \"a.wav\"?"});
  EXPECT_EQ(items(), (QStringList{"b.wav", "c.wav"}));
  EXPECT_EQ(form->filesMode().pathList(), (QStringList{music("b.wav"), music("c.wav")}));
  EXPECT_EQ(form->filesMode().currentTrack(), 1);
  EXPECT_EQ(form->ListBox1->currentRow(), 1);
  EXPECT_EQ(form->filesMode().stream(), playing);
  EXPECT_EQ(form->filesMode().menuOpen(), false);

  rightClick(*form, 0);
  form->PM1->hide();
  form->DeletetrackfromlistClick();  // answered No
  EXPECT_EQ(items().size(), 2);
}

TEST_F(Files, DeletionsThatAreRefused) {
  tone("a.wav", 5);
  open(tone("b.wav", 5));
  rightClick(*form, 1);
  form->PM1->hide();
  form->DeletetrackfromlistClick();
  EXPECT_EQ(form.dialogs.messages, QStringList{"Can`t DELETE current track!"});

  tone("album.mp3", 450);
  open(text("album.cue", threeTrackSheet()));
  rightClick(*form, 2);
  form->PM1->hide();
  form->DeletetrackfromlistClick();
  EXPECT_EQ(form.dialogs.messages.last(), "Can`t DELETE track from CUE list!");
  EXPECT_TRUE(form.dialogs.questions.isEmpty());
  EXPECT_EQ(items().size(), 4);
}

TEST_F(Files, PlayTrackFromTheContextMenuPlaysTheClickedEntry) {
  tone("a.wav", 5);
  open(tone("b.wav", 5));
  rightClick(*form, 0);
  EXPECT_TRUE(form->PM1->isVisible());
  EXPECT_EQ(form->filesMode().contextItem(), 0);
  form->PM1->findChild<QAction*>("Playtrack1")->trigger();
  EXPECT_EQ(form->windowTitle(), "Play a.wav");
  EXPECT_EQ(form->filesMode().currentTrack(), 0);
  EXPECT_EQ(form->filesMode().menuOpen(), false);
}

TEST_F(Files, WindowGrowsWithTheListButStaysOnTheScreen) {
  form->CheckBoxFullDir->setChecked(false);
  open(tone("a.wav", 1));
  EXPECT_EQ(form->height(), TFormMyTavelo::kFilesClientHeight);
  QStringList many;
  for (int i = 0; i < 200; ++i) many << QStringLiteral("entry %1.wav").arg(i);
  form->ListBox1->addItems(many);
  form->FitWindowToList();
  const int screenHeight = form->screen()->geometry().height();
  EXPECT_EQ(form->geometry().top() + form->height(), screenHeight - 30);
}

}  // namespace
