// Single keys on a real window: each key presses its button in each mode, the mode key, the
// volume keys, and the edit boxes and panels that keep their keys.
#include "app/equalizer_panel.h"
#include "app/sleep_panel.h"
#include "app/tags.h"
#include "files_fixture.h"
#include "modes_fixture.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QTest>

using namespace tavelo;

namespace {

class SingleKeys : public ModesWindow {
 protected:
  // Every button a key may press, enabled, with its clicks recorded by name.
  void watchButtons() {
    for (QPushButton* button : buttons()) {
      button->setEnabled(true);
      QObject::connect(button, &QPushButton::clicked, button, [this, button] { clicked << button->objectName(); });
    }
  }
  QList<QPushButton*> buttons() {
    TFormMyTavelo& f = form();
    return {f.ButtonPause, f.ButtonPlay, f.ButtonStop,     f.ButtonPrev,
            f.ButtonNext,  f.ButtonOpen, f.BnetRadioPause, f.BNetRadioStop};
  }
  // The key as the window system delivers it: to the focused control, else to the window.
  void type(char key) {
    QWidget* target = form().focusWidget() ? form().focusWidget() : &form();
    QTest::keyClick(target, key);
  }
  void type(Qt::Key key) {
    QWidget* target = form().focusWidget() ? form().focusWidget() : &form();
    QTest::keyClick(target, key);
  }
  void stepTo(int mode) {
    while (form().CurrentMode != mode) type('m');
  }
  QStringList clicked;
};

TEST_F(SingleKeys, EachKeyPressesItsButtonInEachMode) {
  ASSERT_NO_FATAL_FAILURE(start());
  const struct {
    char key;
    const char* filesAndCd;
    const char* netRadio;  // empty: the key does nothing there
  } table[] = {
      {' ', "ButtonPause", "BnetRadioPause"}, {'s', "ButtonStop", "BNetRadioStop"},
      {'n', "ButtonNext", ""},                {'b', "ButtonPrev", ""},
      {'p', "ButtonPlay", ""},                {'o', "ButtonOpen", ""},
  };
  for (int mode = 0; mode < 3; ++mode) {
    stepTo(mode);
    for (const auto& row : table) {
      SCOPED_TRACE(::testing::Message() << "mode " << mode << " key '" << row.key << "'");
      ASSERT_EQ(form().CurrentMode, mode);
      clicked.clear();
      watchButtons();
      type(row.key);
      const QString expected = QString::fromLatin1(mode == 2 ? row.netRadio : row.filesAndCd);
      EXPECT_EQ(clicked, expected.isEmpty() ? QStringList() : QStringList{expected});
      for (QPushButton* button : buttons()) QObject::disconnect(button, &QPushButton::clicked, button, nullptr);
    }
  }
}

TEST_F(SingleKeys, DisabledButtonsAndUpperCaseLettersDoNothing) {
  ASSERT_NO_FATAL_FAILURE(start());
  watchButtons();
  for (QPushButton* button : buttons()) button->setEnabled(false);
  for (const char key : {' ', 's', 'n', 'b', 'p', 'o'}) type(key);
  for (const char key : {'S', 'N', 'B', 'P', 'O', 'M'}) type(key);
  EXPECT_TRUE(clicked.isEmpty()) << clicked.join(' ').toStdString();
  EXPECT_EQ(form().CurrentMode, 0);
}

TEST_F(SingleKeys, MStepsTheModeEvenWithAPanelOpen) {
  ASSERT_NO_FATAL_FAILURE(start("201"));
  form().eqPanel()->show();
  form().eqPanel()->bar(0)->setFocus();
  type('m');
  EXPECT_EQ(form().CurrentMode, 0);
  EXPECT_EQ(form().ModeStep, 1);
  form().eqPanel()->hide();
}

TEST_F(SingleKeys, VolumeKeysMoveTheVolumeBarOneStep) {
  ASSERT_NO_FATAL_FAILURE(start());
  ASSERT_EQ(form().TrackBar1->value(), 10);
  const struct {
    char key;
    int value;
  } steps[] = {{'+', 11}, {'=', 12}, {'-', 11}};
  for (const auto& step : steps) {
    type(step.key);
    EXPECT_EQ(form().TrackBar1->value(), step.value) << step.key;
  }
}

TEST_F(SingleKeys, NavigationKeysAreKeptFromControlsUnlessAPanelNeedsThem) {
  ASSERT_NO_FATAL_FAILURE(start());
  TFormMyTavelo& f = form();
  f.TrackBar1->setFocus();
  type(Qt::Key_Right);
  EXPECT_EQ(f.TrackBar1->value(), 10);  // no arrow keys on the volume bar

  f.eqPanel()->show();
  QSlider* bar = f.eqPanel()->bar(2);
  bar->setFocus();
  const int band = bar->value();
  type(Qt::Key_Up);
  EXPECT_NE(bar->value(), band);  // the equaliser's sliders keep their arrows
  f.eqPanel()->hide();
}

TEST_F(SingleKeys, ProtectedEditsKeepTheirKeysOtherEditsStillType) {
  ASSERT_NO_FATAL_FAILURE(start());
  watchButtons();
  TFormMyTavelo& f = form();
  for (const char* name : {"ERecDir", "Ename", "Eurl", "Eproxy"}) {
    SCOPED_TRACE(name);
    auto* edit = f.findChild<QLineEdit*>(QLatin1String(name));
    ASSERT_NE(edit, nullptr);
    edit->parentWidget()->show();
    edit->clear();
    edit->setFocus();
    for (const char key : {'p', 'm', 's', ' '}) type(key);
    type(Qt::Key_Left);
    type('x');
    EXPECT_EQ(edit->text(), "pmsx ");  // the arrow moved the cursor inside the edit
    EXPECT_TRUE(clicked.isEmpty());
    EXPECT_EQ(f.CurrentMode, 0);
  }

  f.sleepPanel()->show();
  QLineEdit* minutes = f.sleepPanel()->minutesEdit();
  minutes->clear();
  minutes->setFocus();
  for (const char key : {'4', '5', 'p'}) type(key);
  type(Qt::Key_Backspace);
  EXPECT_EQ(clicked, QStringList{"ButtonPlay"});  // "p" still acts as the Play key
  EXPECT_EQ(minutes->text(), "45");
}

// The keys on a file that really plays: the mode key is refused until the stop key has stopped it.
class KeysOnAPlayingFile : public FilesWindow {
 protected:
  void type(char key) { QTest::keyClick(form->focusWidget() ? form->focusWidget() : &*form, key); }
};

TEST_F(KeysOnAPlayingFile, TransportKeysActAndTheModeWaitsForStop) {
  open(tone("a.wav", 5));
  ASSERT_FALSE(form->Stopped);
  type('m');
  EXPECT_EQ(form.dialogs.messages, QStringList{"First stop current track!"});
  EXPECT_EQ(form->CurrentMode, 0);

  type(' ');
  EXPECT_TRUE(form->filesMode().paused());
  EXPECT_TRUE(form->windowTitle().startsWith("Pause")) << form->windowTitle().toStdString();
  type(' ');
  EXPECT_FALSE(form->filesMode().paused());
  type('s');
  EXPECT_TRUE(form->Stopped);
  type('p');
  EXPECT_FALSE(form->Stopped);
  EXPECT_EQ(form->windowTitle(), "Play a.wav");
  type('s');

  form.dialogs.messages.clear();
  type('m');
  EXPECT_TRUE(form.dialogs.messages.isEmpty());
  EXPECT_EQ(form->CurrentMode, 1);
}

}  // namespace
