// Station buttons on a real window: the station settings panel opened by a right click, Ok,
// close and paging, radio lists loaded and saved through the file dialogs, and a station
// picked by its number.
#include "app/input_dialog.h"
#include "app/station_settings_panel.h"
#include "app/tags.h"
#include "modes_fixture.h"

#include "radio/radio_list.h"

#include <vector>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

using namespace tavelo;

namespace {

const QString kZeroFlags(30, QLatin1Char('0'));

// Station n is "Station n" at "http://127.0.0.1:9/n"; station 2 goes direct, station 3 through
// an explicit proxy, the others through the system's settings; station 2 is force-encoded.
QStringList numberedList() {
  QStringList lines;
  for (int n = 1; n <= kStationCount; ++n) {
    const QString proxy = n == 2 ? QStringLiteral("none") : n == 3 ? QStringLiteral("u:pw@127.0.0.1:8888") : QString();
    lines << QStringLiteral("Station %1").arg(n) << QStringLiteral("http://127.0.0.1:9/%1").arg(n) << proxy;
  }
  lines << QStringLiteral("010000000000000000000000000000") << QStringLiteral("kept line");
  return lines;
}

class Stations : public ModesWindow {
 protected:
  void SetUp() override {
    folder.write(QStringLiteral("RLists/Tavelo.rls"), crlfLines(numberedList()));
    ASSERT_NO_FATAL_FAILURE(start(QStringLiteral("201")));  // Net Radio first
  }
  RecordingDialogs& dialogs() { return started->dialogs; }
  StationSettingsPanel* panel() { return form().stationSettingsPanel(); }
  template <class Widget>
  Widget* control(const char* name) {
    auto* found = form().findChild<Widget*>(QLatin1String(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
  }
  // The right click as the window system reports it to the button.
  void rightClick(int station) {
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), QPoint(5, 5));
    QApplication::sendEvent(form().StationButtons[static_cast<std::size_t>(station)], &event);
  }
  int proxyChoice() {
    for (int choice = 0; choice < 3; ++choice) {
      if (control<QRadioButton>(QStringLiteral("rg_ProxySet%1").arg(choice).toLatin1())->isChecked()) return choice;
    }
    return -1;
  }
  void chooseProxy(int choice) {
    control<QRadioButton>(QStringLiteral("rg_ProxySet%1").arg(choice).toLatin1())->click();
  }
  void click(const char* name) { control<QPushButton>(name)->click(); }
};

TEST_F(Stations, RightClickFillsThePanelWithTheStationsValues) {
  struct Case {
    int station;
    int choice;
    const char* proxyText;
    bool proxyEnabled;
    bool forceEncode;
  };
  const Case cases[] = {
      {1, 1, "", false, false},
      {2, 2, "", false, true},
      {3, 0, "u:pw@127.0.0.1:8888", true, false},
      {4, 1, "", false, false},  // after an explicit proxy, the field is emptied again
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.station);
    panel()->move(40, 60);  // dragged away: a right click brings it back to its place
    rightClick(c.station);
    EXPECT_TRUE(panel()->isVisible());
    EXPECT_EQ(panel()->pos(), QPoint(16, 134));
    EXPECT_EQ(tagOf(panel()), c.station);
    EXPECT_EQ(control<QLabel>("Label27")->text(), QStringLiteral("Settings for Button %1").arg(c.station));
    EXPECT_EQ(control<QLineEdit>("Ename")->text(), QStringLiteral("Station %1").arg(c.station));
    EXPECT_EQ(control<QLineEdit>("Eurl")->text(), QStringLiteral("http://127.0.0.1:9/%1").arg(c.station));
    EXPECT_EQ(proxyChoice(), c.choice);
    EXPECT_EQ(control<QLineEdit>("Eproxy")->text(), QString::fromUtf8(c.proxyText));
    EXPECT_EQ(control<QLineEdit>("Eproxy")->isEnabled(), c.proxyEnabled);
    EXPECT_EQ(control<QCheckBox>("ChBoxForceRec")->isChecked(), c.forceEncode);
    EXPECT_EQ(tagOf(control<QLineEdit>("Ename")), 0) << "freshly filled, nothing modified";
  }
}

TEST_F(Stations, RightClickMakesAShortWindowTallEnoughForThePanel) {
  form().resize(form().width(), 200);
  rightClick(1);
  EXPECT_EQ(form().height(), 309);
}

TEST_F(Stations, EveryEditAndProxyChoiceMarksThePanelModified) {
  const std::function<void()> edits[] = {
      [this] { QTest::keyClicks(control<QLineEdit>("Ename"), "x"); },
      [this] { QTest::keyClicks(control<QLineEdit>("Eurl"), "x"); },
      [this] { chooseProxy(0); },
      [this] { control<QCheckBox>("ChBoxForceRec")->click(); },
      [this] { control<QComboBox>("cb_titleEncoding")->setCurrentIndex(3); },
  };
  for (std::size_t i = 0; i < std::size(edits); ++i) {
    SCOPED_TRACE(i);
    rightClick(5);
    ASSERT_EQ(tagOf(control<QLineEdit>("Ename")), 0);
    edits[i]();
    EXPECT_EQ(tagOf(control<QLineEdit>("Ename")), 1);
  }
}

TEST_F(Stations, ProxyChoicesUnlockOnlyTheExplicitProxyWhichTakes99Characters) {
  rightClick(3);
  chooseProxy(2);
  EXPECT_TRUE(control<QLineEdit>("Eproxy")->text().isEmpty());
  EXPECT_FALSE(control<QLineEdit>("Eproxy")->isEnabled());
  chooseProxy(0);
  ASSERT_TRUE(control<QLineEdit>("Eproxy")->isEnabled());
  QTest::keyClicks(control<QLineEdit>("Eproxy"), QString(120, QLatin1Char('p')));
  EXPECT_EQ(control<QLineEdit>("Eproxy")->text().size(), 99);
}

TEST_F(Stations, AProxyLineTooLongForTheFieldSurvivesOkOnItsStation) {
  const QString stored = QStringLiteral("u:") + QString(120, QLatin1Char('p')) + QStringLiteral("@127.0.0.1:8888");
  form().RadioList[8] = stored;
  rightClick(3);
  EXPECT_EQ(control<QLineEdit>("Eproxy")->text(), stored.left(99));
  control<QLineEdit>("Ename")->setText(QStringLiteral("Renamed"));
  click("BnetOk");
  EXPECT_EQ(form().RadioList[8], stored);
  EXPECT_EQ(stationName(form().RadioList, 3), "Renamed");
}

TEST_F(Stations, OkStoresTheStationInTheListAndOnItsButton) {
  rightClick(5);
  control<QLineEdit>("Ename")->setText(QStringLiteral("Jazz"));
  control<QLineEdit>("Eurl")->setText(QStringLiteral("http://127.0.0.1:8000/jazz"));
  chooseProxy(2);
  control<QCheckBox>("ChBoxForceRec")->setChecked(true);
  control<QComboBox>("cb_titleEncoding")->setCurrentIndex(static_cast<int>(TitleEncoding::Windows1251));
  click("BnetOk");
  EXPECT_FALSE(panel()->isVisible());
  const QStringList& list = form().RadioList;
  EXPECT_EQ(list.mid(12, 3), (QStringList{"Jazz", "http://127.0.0.1:8000/jazz", "none"}));
  EXPECT_EQ(list[kFlagsLineIndex], QStringLiteral("010010000000000000000000000000"));
  EXPECT_EQ(list[91], "kept line");
  EXPECT_EQ(stationTitleEncoding(list, 5), TitleEncoding::Windows1251);
  EXPECT_EQ(form().StationButtons[5]->toolTip(), "Jazz");
  EXPECT_TRUE(form().StationButtons[5]->ForceEncode);
  EXPECT_TRUE(form().StationButtons[2]->ForceEncode);
  rightClick(5);
  EXPECT_EQ(control<QComboBox>("cb_titleEncoding")->currentText(), "Windows-1251");
}

TEST_F(Stations, AnExplicitProxyLeftEmptyReopensAsTheSystemsSettings) {
  rightClick(1);
  chooseProxy(0);
  click("BnetOk");
  EXPECT_EQ(form().RadioList[2], "");
  rightClick(1);
  EXPECT_EQ(proxyChoice(), 1);
}

TEST_F(Stations, SetProxyForAllCopiesTheLineToEveryStationAndIsClearedAfterOk) {
  rightClick(3);
  control<QCheckBox>("ChBoxSetDefaultProxy")->setChecked(true);
  click("BnetOk");
  for (int n = 1; n <= kStationCount; ++n) EXPECT_EQ(form().RadioList[3 * n - 1], "u:pw@127.0.0.1:8888") << n;
  EXPECT_FALSE(control<QCheckBox>("ChBoxSetDefaultProxy")->isChecked());
}

TEST_F(Stations, CloseDropsTheEdits) {
  const QStringList before = form().RadioList;
  rightClick(4);
  control<QLineEdit>("Ename")->setText(QStringLiteral("Edited"));
  chooseProxy(2);
  click("BNetSettingsClose");
  EXPECT_FALSE(panel()->isVisible());
  EXPECT_EQ(form().RadioList, before);
  rightClick(4);
  EXPECT_EQ(control<QLineEdit>("Ename")->text(), "Station 4");
}

TEST_F(Stations, PagingAsksToKeepEditsInBothDirections) {
  struct Case {
    const char* name;
    int from;
    const char* arrow;
    bool edit;
    bool answer;
    int shows;  // 0: the panel is closed
    bool saved;
  };
  const Case cases[] = {
      {"back", 7, "btn_back", false, false, 6, false},
      {"forward", 7, "btn_for", false, false, 8, false},
      {"back from the first", 1, "btn_back", false, false, 1, false},
      {"forward from the last", 30, "btn_for", false, false, 30, false},
      {"back keeping edits", 7, "btn_back", true, true, 6, true},
      {"back dropping edits", 7, "btn_back", true, false, 6, false},
      {"forward keeping edits", 7, "btn_for", true, true, 8, true},
      {"forward dropping edits", 7, "btn_for", true, false, 8, false},
      {"forward from the last keeping edits", 30, "btn_for", true, true, 0, true},
      {"back from the first keeping edits", 1, "btn_back", true, true, 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    form().RadioList = numberedList();
    dialogs().questions.clear();
    rightClick(c.from);
    panel()->move(40, 60);
    if (c.edit) control<QLineEdit>("Ename")->setText(QStringLiteral("Edited"));
    dialogs().answers.enqueue(c.answer);
    click(c.arrow);
    dialogs().answers.clear();
    const QStringList asked =
        c.edit ? QStringList{QStringLiteral("Save Settings for Button %1").arg(c.from)} : QStringList();
    EXPECT_EQ(dialogs().questions, asked);
    EXPECT_EQ(stationName(form().RadioList, c.from), c.saved ? "Edited" : QStringLiteral("Station %1").arg(c.from));
    EXPECT_EQ(panel()->isVisible(), c.shows != 0);
    if (c.shows == 0) continue;
    EXPECT_EQ(tagOf(panel()), c.shows);
    EXPECT_EQ(panel()->pos(), QPoint(40, 60)) << "paging leaves the panel where it is";
    if (c.shows != c.from) {
      EXPECT_EQ(control<QLineEdit>("Ename")->text(), QStringLiteral("Station %1").arg(c.shows));
      EXPECT_EQ(tagOf(control<QLineEdit>("Ename")), 0);
    }
  }
}

TEST_F(Stations, ListNameClickTogglesTheLoadAndSaveButtons) {
  QLabel* name = form().Label22;
  EXPECT_EQ(name->text(), "Tavelo");
  for (const bool shown : {true, false, true}) {
    QTest::mouseClick(name, Qt::LeftButton);
    EXPECT_EQ(form().btn_LoadRlst->isVisible(), shown);
    EXPECT_EQ(form().btn_SaveRlst->isVisible(), shown);
  }
}

TEST_F(Stations, LoadingAListKeepsTheCurrentOneFirst) {
  folder.write(QStringLiteral("RLists/Jazz.rls"), "Jazz FM\r\nhttp://127.0.0.1:8000/jazz\r\nnone\r\n");
  form().RadioList[0] = QStringLiteral("Edited");
  const FileDialogSettings filesDialog = form().OpenDialog1;
  form().Label22Click();
  rightClick(9);
  dialogs().chosenFiles.enqueue({folder.path() + "RLists/Jazz.rls"});
  form().btn_LoadRlst->click();

  EXPECT_TRUE(folder.read(QStringLiteral("RLists/Tavelo.rls")).startsWith("Edited\r\nhttp://127.0.0.1:9/1\r\n"));
  ASSERT_EQ(dialogs().fileDialogs.size(), 1);
  const FileDialogSettings& asked = dialogs().fileDialogs[0];
  EXPECT_EQ(asked.title, "Open Radio List File");
  EXPECT_EQ(asked.filter, "Radio List Files (*.rls)|*.rls");
  EXPECT_EQ(asked.initialDir, folder.path() + "RLists");
  EXPECT_FALSE(asked.multiSelect);
  EXPECT_EQ(form().OpenDialog1.filter, filesDialog.filter) << "the files mode's dialog is as it was";
  EXPECT_EQ(form().OpenDialog1.title, filesDialog.title);

  EXPECT_EQ(form().RadioListPath, folder.path() + "RLists/Jazz.rls");
  EXPECT_EQ(form().Label22->text(), "Jazz");
  ASSERT_EQ(form().RadioList.size(), 91);
  EXPECT_EQ(form().RadioList.mid(0, 3), (QStringList{"Jazz FM", "http://127.0.0.1:8000/jazz", "none"}));
  EXPECT_EQ(form().RadioList.last(), kZeroFlags);
  EXPECT_EQ(form().StationButtons[1]->toolTip(), "Jazz FM");
  EXPECT_EQ(form().StationButtons[3]->toolTip(), "");
  EXPECT_FALSE(form().StationButtons[2]->ForceEncode);
  EXPECT_FALSE(panel()->isVisible()) << "the panel showed a station of the other list";
  EXPECT_FALSE(form().btn_LoadRlst->isVisible());
  EXPECT_EQ(QDir::currentPath() + '/', folder.path());
}

TEST_F(Stations, ALoadThatFailsOrIsCancelledLeavesTheStations) {
  struct Case {
    const char* name;
    QStringList chosen;
    bool told;
  };
  const Case cases[] = {
      {"cancelled", {}, false},
      {"missing file", {folder.path() + "RLists/Gone.rls"}, true},
      {"a folder", {folder.path() + "RLists"}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dialogs().messages.clear();
    dialogs().chosenFiles.enqueue(c.chosen);
    form().btn_LoadRlstClick();
    EXPECT_EQ(form().RadioList, numberedList());
    EXPECT_EQ(form().Label22->text(), "Tavelo");
    EXPECT_EQ(form().RadioListPath, folder.path() + "RLists/Tavelo.rls");
    EXPECT_EQ(dialogs().messages.size(), c.told ? 1 : 0);
    if (c.told) {
      EXPECT_TRUE(dialogs().messages[0].contains(c.chosen[0]));
    }
  }
}

TEST_F(Stations, ACurrentListThatCannotBeKeptIsNotReplaced) {
  form().RadioListPath = folder.path() + "missing folder/Tavelo.rls";
  dialogs().chosenFiles.enqueue({folder.path() + "RLists/Tavelo.rls"});
  form().RadioList[0] = QStringLiteral("Edited");
  form().btn_LoadRlstClick();
  EXPECT_EQ(dialogs().messages.size(), 1);
  EXPECT_TRUE(dialogs().fileDialogs.isEmpty()) << "no other list is offered";
  EXPECT_EQ(stationName(form().RadioList, 1), "Edited");
}

TEST_F(Stations, SavingAListMakesItTheCurrentOne) {
  form().RadioList[0] = QStringLiteral("Saved");
  form().Label22Click();
  dialogs().chosenFiles.enqueue({folder.path() + "RLists/Rock.rls"});
  form().btn_SaveRlst->click();
  ASSERT_EQ(dialogs().fileDialogs.size(), 1);
  const FileDialogSettings& asked = dialogs().fileDialogs[0];
  EXPECT_EQ(asked.filter, "Radio List Files (*.rls)|*.rls");
  EXPECT_EQ(asked.defaultSuffix, "rls");
  EXPECT_TRUE(asked.confirmOverwrite);
  EXPECT_EQ(asked.initialDir, folder.path() + "RLists");
  EXPECT_EQ(readRadioListFile(folder.path() + "RLists/Rock.rls"), form().RadioList);
  EXPECT_TRUE(folder.read(QStringLiteral("RLists/Rock.rls")).startsWith("Saved\r\n"));
  EXPECT_EQ(form().RadioListPath, folder.path() + "RLists/Rock.rls");
  EXPECT_EQ(form().Label22->text(), "Rock");
  EXPECT_FALSE(form().btn_SaveRlst->isVisible());
  EXPECT_EQ(QDir::currentPath() + '/', folder.path());
}

TEST_F(Stations, ASaveThatFailsKeepsTheCurrentList) {
  dialogs().chosenFiles.enqueue({folder.path() + "missing folder/Rock.rls"});
  form().btn_SaveRlstClick();
  ASSERT_EQ(dialogs().messages.size(), 1);
  EXPECT_TRUE(dialogs().messages[0].contains("Rock.rls"));
  EXPECT_EQ(form().RadioListPath, folder.path() + "RLists/Tavelo.rls");
  EXPECT_EQ(form().Label22->text(), "Tavelo");
}

TEST_F(Stations, TitleEncodingsOutliveClosing) {
  rightClick(3);
  control<QComboBox>("cb_titleEncoding")->setCurrentIndex(static_cast<int>(TitleEncoding::Utf8));
  click("BnetOk");
  form().FormClose();
  const std::optional<QStringList> saved = readRadioListFile(folder.path() + "RLists/Tavelo.rls");
  ASSERT_TRUE(saved);
  EXPECT_EQ(saved->mid(0, 92), numberedList());
  EXPECT_EQ(stationTitleEncoding(*saved, 3), TitleEncoding::Utf8);
}

TEST_F(Stations, AStationNumberClicksThatStationsButton) {
  struct Case {
    std::optional<QString> typed;  // nothing: cancelled
    int clicked;                   // 0: no button
    bool invalid;
  };
  const Case cases[] = {
      {QStringLiteral("7"), 7, false},  {QStringLiteral("30"), 30, false}, {QStringLiteral("abc"), 1, false},
      {QStringLiteral(""), 1, false},   {QStringLiteral("0"), 0, true},    {QStringLiteral("31"), 0, true},
      {QStringLiteral("-4"), 0, true},  {std::nullopt, 0, false},
  };
  std::vector<int> clicks;  // QList's == hands memcmp a null pointer when both are empty
  for (int n = 1; n <= kStationCount; ++n) {
    QObject::connect(form().StationButtons[static_cast<std::size_t>(n)], &QPushButton::clicked, &form(),
                     [&clicks, n] { clicks.push_back(n); });
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed.value_or(QStringLiteral("<cancel>")).toStdString());
    clicks.clear();
    dialogs().messages.clear();
    dialogs().questions.clear();
    dialogs().typedTexts.enqueue(c.typed);
    form().SelectStationByNumber();
    EXPECT_EQ(dialogs().questions, QStringList{"Enter number of radio station button"});
    EXPECT_EQ(clicks, c.clicked ? std::vector<int>{c.clicked} : std::vector<int>());
    EXPECT_EQ(dialogs().messages, c.invalid ? QStringList{"Invalid Input!"} : QStringList());
  }
}

TEST_F(Stations, KeyPAsksForAStationNumberInNetRadio) {
  ASSERT_EQ(form().CurrentMode, 2);
  dialogs().typedTexts.enqueue(QStringLiteral("31"));
  QTest::keyClick(&form(), 'p');
  EXPECT_EQ(dialogs().questions, QStringList{"Enter number of radio station button"});
  EXPECT_EQ(dialogs().messages, QStringList{"Invalid Input!"});
}

int roundedMulDiv(int a, int b, int c) { return static_cast<int>(std::lround(double(a) * b / c)); }

TEST(InputDialogLayout, StaysOnTopAndIsLaidOutInDialogUnitsOfItsFont) {
  for (const int pointSize : {9, 14}) {
    SCOPED_TRACE(pointSize);
    QWidget owner;
    owner.setFont(QFont(owner.font().family(), pointSize));
    InputDialog dialog(&owner, QStringLiteral("Choice radio station"), QStringLiteral("Enter number"), true,
                       QStringLiteral("12"));
    const DialogUnits units = dialogUnitsOf(dialog.font());
    EXPECT_TRUE(dialog.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(dialog.windowTitle(), "Choice radio station");
    EXPECT_EQ(dialog.width(), roundedMulDiv(180, units.x, 4));
    EXPECT_EQ(dialog.prompt()->geometry().topLeft(),
              QPoint(roundedMulDiv(8, units.x, 4), roundedMulDiv(8, units.y, 8)));
    EXPECT_EQ(dialog.edit()->x(), dialog.prompt()->x());
    EXPECT_EQ(dialog.edit()->y(), dialog.prompt()->geometry().bottom() + 1 + 5);
    EXPECT_EQ(dialog.edit()->width(), roundedMulDiv(164, units.x, 4));
    EXPECT_EQ(dialog.edit()->maxLength(), 255);
    EXPECT_EQ(dialog.edit()->echoMode(), QLineEdit::Password);
    EXPECT_EQ(dialog.edit()->selectedText(), "12");
    EXPECT_EQ(dialog.okButton()->geometry(),
              QRect(roundedMulDiv(38, units.x, 4), dialog.edit()->geometry().bottom() + 1 + 15,
                    roundedMulDiv(50, units.x, 4), roundedMulDiv(14, units.y, 8)));
    EXPECT_EQ(dialog.cancelButton()->x(), roundedMulDiv(92, units.x, 4));
    EXPECT_TRUE(dialog.okButton()->isDefault());
    EXPECT_EQ(dialog.height(), dialog.okButton()->geometry().bottom() + 1 + 13);
  }
}

// The dialog as the user meets it: shown modally, typed into, answered with a button.
TEST(InputDialogLayout, OkGivesTheTypedTextAndCancelGivesNothing) {
  const auto answer = [](const char* typed, const char* button) {
    QTimer::singleShot(0, [typed, button] {
      auto* dialog = dynamic_cast<InputDialog*>(QApplication::activeModalWidget());
      if (!dialog) return;
      dialog->edit()->selectAll();
      QTest::keyClicks(dialog->edit(), typed);
      (QByteArray(button) == "Ok" ? dialog->okButton() : dialog->cancelButton())->click();
    });
  };
  answer("17", "Ok");
  EXPECT_EQ(runInputDialog(nullptr, QStringLiteral("c"), QStringLiteral("p"), false, QStringLiteral("old")),
            std::optional<QString>(QStringLiteral("17")));
  answer("17", "Cancel");
  EXPECT_EQ(runInputDialog(nullptr, QStringLiteral("c"), QStringLiteral("p"), false, QStringLiteral("old")),
            std::nullopt);
}

}  // namespace
