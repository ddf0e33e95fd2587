// The sound-font grid of the settings panel's Audio page: list and grid into each other, the
// font dialog and its restore, the delete question as worded, the row under the mouse.
#include "app/settings_panel.h"
#include "program_folder.h"

#include <QApplication>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableWidget>
#include <gtest/gtest.h>

using namespace tavelo;

namespace {

class SoundFontGrid : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(form.create());
    form->show();
    panel()->show();
    auto* pages = form->findChild<QTabWidget*>(QStringLiteral("pc_settings"));
    pages->setCurrentWidget(pages->findChild<QWidget*>(QStringLiteral("ts_audio")));
    QApplication::processEvents();
  }
  SettingsPanel* panel() { return form->settingsPanel(); }
  QTableWidget* grid() { return panel()->soundFontGrid(); }
  QString cell(int row) {
    const QTableWidgetItem* item = grid()->item(row, 1);
    return item ? item->text() : QString();
  }
  void doubleClick(int row) {
    grid()->setCurrentCell(row, 1);
    emit grid()->cellDoubleClicked(row, 1);
  }

  ProgramFolder folder;
  StartedForm form{folder};
  RecordingDialogs& dialogs = form.dialogs;
};

struct ListCase {
  const char* name;
  QString list;
  QStringList rows;  // the grid's first rows; the rest empty
  QString back;      // the list the grid gives back
};

TEST_F(SoundFontGrid, TheListFillsTheGridAndTheGridGivesBackTenFields) {
  const QString tenth = QStringLiteral("/f/10.sf2");
  const ListCase cases[] = {
      {"three fonts", "/f/a.sf2^/f/b.sf3^/f/c.sf2^^^^^^^^", {"/f/a.sf2", "/f/b.sf3", "/f/c.sf2"},
       "/f/a.sf2^/f/b.sf3^/f/c.sf2^^^^^^^^"},
      {"a gap stays a gap", "^/f/b.sf2^", {"", "/f/b.sf2"}, "^/f/b.sf2^^^^^^^^^"},
      {"an empty list", "", {}, "^^^^^^^^^^"},
      {"ten fonts", "1^2^3^4^5^6^7^8^9^" + tenth + "^", {"1", "2", "3", "4", "5", "6", "7", "8", "9", tenth},
       "1^2^3^4^5^6^7^8^9^" + tenth + "^"},
  };
  for (const ListCase& c : cases) {
    SCOPED_TRACE(c.name);
    panel()->showSoundFonts(c.list);
    for (int row = 0; row < 10; ++row) EXPECT_EQ(cell(row), c.rows.value(row)) << "row " << row;
    EXPECT_EQ(panel()->soundFontList(), c.back);
  }
}

TEST_F(SoundFontGrid, ADoubleClickPicksAFontThroughTheOpenDialogAndRestoresIt) {
  panel()->showSoundFonts(QStringLiteral("/f/a.sf2^/f/b.sf2^"));
  form->OpenDialog1 = {QStringLiteral("Open"), QStringLiteral("Audio|*.mp3"), {}, QStringLiteral("/music"),
                       QStringLiteral("x.mp3"), true, false, true};
  const FileDialogSettings before = form->OpenDialog1;
  dialogs.chosenFiles.enqueue({QStringLiteral("/fonts/new.sf3")});
  doubleClick(1);

  ASSERT_EQ(dialogs.fileDialogs.size(), 1);
  const FileDialogSettings& shown = dialogs.fileDialogs[0];
  EXPECT_EQ(shown.title, QStringLiteral("Open Sound Font File"));
  EXPECT_EQ(shown.filter, QStringLiteral("Soundfonts (sf2/sf2pack)|*.sf2;*.sf2pack|Soundfonts (sf3)|*.sf3"));
  EXPECT_EQ(shown.initialDir, form->ProgramDir + QStringLiteral("SF2"));
  EXPECT_EQ(shown.fileName, QStringLiteral("/f/b.sf2"));
  EXPECT_FALSE(shown.multiSelect);
  EXPECT_EQ(cell(1), QStringLiteral("/fonts/new.sf3"));
  EXPECT_EQ(form->OpenDialog1.title, before.title);
  EXPECT_EQ(form->OpenDialog1.filter, before.filter);
  EXPECT_EQ(form->OpenDialog1.initialDir, before.initialDir);
  EXPECT_EQ(form->OpenDialog1.multiSelect, before.multiSelect);

  doubleClick(0);  // cancelled
  EXPECT_EQ(cell(0), QStringLiteral("/f/a.sf2"));
  EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(SoundFontGrid, APathWithTheListsSeparatorIsRefusedAndNoRowMoves) {
  panel()->showSoundFonts(QStringLiteral("/f/a.sf2^/f/b.sf2^/f/c.sf2^"));
  dialogs.chosenFiles.enqueue({QStringLiteral("/odd^name/x.sf2")});
  doubleClick(1);
  ASSERT_EQ(dialogs.messages.size(), 1);
  EXPECT_TRUE(dialogs.messages[0].contains(QStringLiteral("/odd^name/x.sf2")));
  EXPECT_EQ(panel()->soundFontList(), QStringLiteral("/f/a.sf2^/f/b.sf2^/f/c.sf2^^^^^^^^"));
}

TEST_F(SoundFontGrid, ARightClickAsksAboutTheRowUnderTheMouseEvenWhenScrolled) {
  panel()->showSoundFonts(QStringLiteral("0.sf2^1.sf2^2.sf2^3.sf2^4.sf2^5.sf2^6.sf2^7.sf2^8.sf2^9.sf2^"));
  const int firstShown = 4;
  grid()->scrollToItem(grid()->item(firstShown, 0), QAbstractItemView::PositionAtTop);
  QApplication::processEvents();
  ASSERT_EQ(grid()->verticalScrollBar()->value(), firstShown) << "the grid scrolled by whole rows";

  dialogs.answers.enqueue(true);
  emit grid()->customContextMenuRequested(QPoint(30, 18 + 5));  // the second row shown
  ASSERT_EQ(dialogs.questions.size(), 1);
  const QString font = QString::number(firstShown + 1) + QStringLiteral(".sf2");
  EXPECT_EQ(dialogs.questions[0], QStringLiteral("Do you really want to delete \"") + font + "\" Sound Fount?");
  EXPECT_EQ(cell(firstShown + 1), QString());
  EXPECT_EQ(cell(0), QStringLiteral("0.sf2")) << "not the row its height would give unscrolled";

  emit grid()->customContextMenuRequested(QPoint(30, 5));  // answered No
  EXPECT_EQ(dialogs.questions.size(), 2);
  EXPECT_EQ(cell(firstShown), QString::number(firstShown) + QStringLiteral(".sf2"));

  grid()->resize(grid()->width(), 400);  // room below the tenth row
  grid()->scrollToTop();
  QApplication::processEvents();
  emit grid()->customContextMenuRequested(QPoint(30, 10 * 18 + 30));
  EXPECT_EQ(dialogs.questions.size(), 2) << "below the last row: nothing";
}

}  // namespace
