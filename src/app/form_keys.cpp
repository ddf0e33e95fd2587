// Single keys: the window sees every key press before the focused control, runs the key's
// command in the current mode, and keeps navigation keys from the control.
#include "app/equalizer_panel.h"
#include "app/form.h"
#include "app/tag_panel.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

namespace tavelo {

namespace {

QString nameOf(const QWidget* widget) { return widget ? widget->objectName() : QString(); }

}  // namespace

void TFormMyTavelo::InstallKeyPreview() {
  AddHook(qApp, this, [this](QObject* receiver, QEvent* event) {
    return event->type() == QEvent::KeyPress && PreviewKey(receiver, static_cast<QKeyEvent*>(event));
  });
}

// A key press goes first to the focused control (the window when none has the focus), then up
// through its parents while nobody takes it; only that first delivery is the user's key.
bool TFormMyTavelo::PreviewKey(QObject* receiver, QKeyEvent* key) {
  QWidget* focused = focusWidget();
  if (receiver != (focused ? focused : this)) return false;
  const bool kept = FormKeyDown();
  FormKeyPress(key->text());
  return kept && !(qobject_cast<QLineEdit*>(focused) && typesIntoEdit(key->text()));
}

bool TFormMyTavelo::FormKeyDown() const {
  return swallowKeyDown(eqPanel_->isVisibleTo(this), tagPanel_->isVisibleTo(this), nameOf(focusWidget()));
}

void TFormMyTavelo::FormKeyPress(const QString& typed) {
  if (typed.size() != 1) return;
  const std::optional<KeyCommand> command =
      keyPressCommand(typed.at(0), PlayMode(CurrentMode), nameOf(focusWidget()));
  if (command) RunKeyCommand(*command);
}

// A disabled button ignores its click, so keys press only enabled buttons.
void TFormMyTavelo::RunKeyCommand(KeyCommand command) {
  switch (command.target) {
    case KeyTarget::ModeSwitch: ButtonCdHdClick(Image1); break;
    case KeyTarget::ButtonPause: ButtonPause->click(); break;
    case KeyTarget::ButtonPlay: ButtonPlay->click(); break;
    case KeyTarget::ButtonStop: ButtonStop->click(); break;
    case KeyTarget::ButtonPrev: ButtonPrev->click(); break;
    case KeyTarget::ButtonNext: ButtonNext->click(); break;
    case KeyTarget::ButtonOpen: ButtonOpen->click(); break;
    case KeyTarget::BnetRadioPause: BnetRadioPause->click(); break;
    case KeyTarget::BNetRadioStop: BNetRadioStop->click(); break;
    case KeyTarget::VolumeUp: TrackBar1->setValue(TrackBar1->value() + 1); break;
    case KeyTarget::VolumeDown: TrackBar1->setValue(TrackBar1->value() - 1); break;
    case KeyTarget::SelectStationByNumber: SelectStationByNumber(); break;
  }
}

}  // namespace tavelo
