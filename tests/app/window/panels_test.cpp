// The side panels as the user meets them: each control found by its name, each action reported
// through the panel's own signal, the mode order kept apart from the boxes being edited.
#include "app/equalizer_panel.h"
#include "app/settings_panel.h"
#include "app/sleep_panel.h"
#include "app/tag_panel.h"
#include "program_folder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <gtest/gtest.h>

using namespace tavelo;

namespace {

class Panels : public ::testing::Test {
 protected:
  ProgramFolder folder;
  RecordingDialogs dialogs;
  TFormMyTavelo form{dialogs, folder.path()};

  template <class Widget>
  Widget* find(const QString& name) {
    auto* found = form.findChild<Widget*>(name);
    EXPECT_NE(found, nullptr) << name.toStdString();
    return found;
  }
};

struct BandCase {
  const char* bar;
  int band;
  QAbstractSlider::SliderAction move;
  int gainDb;
  const char* gainLabel;
};

TEST_F(Panels, MovingABandSliderReportsItsBandAndGainAndShowsTheGain) {
  const BandCase cases[] = {
      {"tbar_80", 0, QAbstractSlider::SliderToMinimum, 15, "lab_f1"},     // the top is +15 dB
      {"tbar_440", 2, QAbstractSlider::SliderToMaximum, -15, "lab_f3"},   // the bottom -15 dB
      {"tbar_2400", 4, QAbstractSlider::SliderSingleStepAdd, -1, "lab_f5"},
      {"tbar_14000", 6, QAbstractSlider::SliderSingleStepSub, 1, "lab_f7"},
  };
  for (const BandCase& c : cases) {
    SCOPED_TRACE(c.bar);
    QSignalSpy changes(form.eqPanel(), &EqualizerPanel::bandChanged);
    find<QSlider>(c.bar)->triggerAction(c.move);
    ASSERT_EQ(changes.size(), 1);
    EXPECT_EQ(changes[0][0].toInt(), c.band);
    EXPECT_EQ(changes[0][1].toInt(), c.gainDb);
    EXPECT_EQ(find<QLabel>(c.gainLabel)->text(), QString::number(c.gainDb));
  }
}

// Start-up sets the box from the settings file: that must reach the listeners as a click does.
TEST_F(Panels, EnableEqReportsEveryChangeWhetherClickedOrSetFromTheSettings) {
  QSignalSpy toggles(form.eqPanel(), &EqualizerPanel::enabledToggled);
  form.show();
  form.eqPanel()->show();
  auto* box = find<QCheckBox>("cbox_enEQ");
  QTest::mouseClick(box, Qt::LeftButton, {}, box->rect().center());
  form.eqPanel()->enable(false);
  form.eqPanel()->enable(false);  // no change, nothing to report
  ASSERT_EQ(toggles.size(), 2);
  EXPECT_TRUE(toggles[0][0].toBool());
  EXPECT_FALSE(toggles[1][0].toBool());
  EXPECT_FALSE(form.eqPanel()->enabled());
}

struct ButtonCase {
  const char* panel;
  const char* button;
  const char* signal;  // SIGNAL() text the click must emit once
  bool hidesPanel;
};

TEST_F(Panels, EachPanelButtonEmitsItsSignalAndCloseButtonsHideTheirPanel) {
  const ButtonCase cases[] = {
      {"p_EQ", "btn_closeEQ", SIGNAL(closed()), true},
      {"p_sleep", "Button1", SIGNAL(closed()), true},
      {"p_ID3info", "btn_ID3infoClose", SIGNAL(closed()), true},
      {"p_settings", "BordClose", SIGNAL(closed()), true},
      {"p_sleep", "btn_sleep", SIGNAL(startStopClicked()), false},
      {"p_settings", "BordOk", SIGNAL(okClicked()), false},
      {"p_radioSet", "BNetSettingsClose", SIGNAL(closed()), true},
      {"p_radioSet", "BnetOk", SIGNAL(okClicked()), false},
      {"p_radioSet", "btn_back", SIGNAL(previousClicked()), false},
      {"p_radioSet", "btn_for", SIGNAL(nextClicked()), false},
      {"p_recSet", "BRecSetClose", SIGNAL(closed()), true},
      {"p_recSet", "RecSetOk", SIGNAL(okClicked()), true},  // the window stores the settings and hides it
      {"p_recSet", "BRecDir", SIGNAL(chooseFolderClicked()), false},
  };
  for (const ButtonCase& c : cases) {
    SCOPED_TRACE(c.button);
    auto* panel = find<QWidget>(c.panel);
    panel->show();
    QSignalSpy emitted(panel, c.signal);
    find<QPushButton>(c.button)->click();
    EXPECT_EQ(emitted.size(), 1);
    EXPECT_EQ(panel->isHidden(), c.hidesPanel);
    panel->hide();
  }
}

TEST_F(Panels, TagFieldsAreReadOnly) {
  form.tagPanel()->show();
  auto* title = find<QLineEdit>("ed_Title");
  title->setFocus();
  QTest::keyClicks(title, "typed");
  EXPECT_TRUE(title->text().isEmpty());
}

TEST_F(Panels, TheModeOrderIsWhatTheBoxesSelectAndTheCloseButtonPutsTheOrderInForceBack) {
  SettingsPanel* settings = form.settingsPanel();
  settings->setOrderInForce({1, 2, 0});
  settings->showModeOrder({1, 2, 0});
  find<QComboBox>("CBfirst")->setCurrentIndex(2);
  find<QComboBox>("CBthird")->setCurrentIndex(1);
  EXPECT_EQ(settings->modeOrder(), (ModeOrder{2, 2, 1}));
  EXPECT_EQ(settings->orderInForce(), (ModeOrder{1, 2, 0}));
  settings->show();
  find<QPushButton>("BordClose")->click();
  EXPECT_EQ(settings->modeOrder(), (ModeOrder{1, 2, 0}));
}

TEST(PanelsAtClosing, TheOrderInForceIsStoredNotTheBoxesStillBeingEdited) {
  ProgramFolder folder;
  folder.write("Settings.ini", crlfLines({"/rec", "10", "", " ", "1", "0", "0^4^", "", "0", "120"}));
  {
    StartedForm form(folder);
    ASSERT_TRUE(form.create());
    form->settingsPanel()->findChild<QComboBox*>(QStringLiteral("CBfirst"))->setCurrentIndex(0);
    form->FormClose();
  }
  const QStringList lines = QString::fromUtf8(folder.read("Settings.ini")).split(QStringLiteral("\r\n"));
  ASSERT_GT(lines.size(), 9);
  EXPECT_EQ(lines[9], "120");
}

}  // namespace
