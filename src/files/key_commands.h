// The single keys of the main window: which button or command a typed character triggers in
// each mode, and when a key-down is kept from the focused control.
#pragma once

#include "files/mode_switch.h"

#include <QChar>
#include <QString>
#include <optional>

namespace tavelo {

enum class KeyTarget {
  ModeSwitch,             // Image1's mode step
  ButtonPause,
  ButtonPlay,
  ButtonStop,
  ButtonPrev,
  ButtonNext,
  ButtonOpen,
  VolumeUp,               // TrackBar1 one step up
  VolumeDown,
  BnetRadioPause,
  BNetRadioStop,
  SelectStationByNumber,
};

struct KeyCommand {
  KeyTarget target;
  bool onlyIfEnabled;  // buttons are clicked only when enabled
  bool operator==(const KeyCommand&) const = default;
};

// The command of a typed character in the current mode (only lower-case letters act), or
// nullopt. "m" steps the mode in every mode. Nothing acts while a key-protected edit box
// has the focus.
std::optional<KeyCommand> keyPressCommand(QChar key, PlayMode mode, const QString& focusedObjectName = {});

// ERecDir, Ename, Eurl and Eproxy take typed text; keys do not act while they have the focus.
bool isKeyProtectedEdit(const QString& objectName);

// FormKeyDown: true when the key-down is to be swallowed so the focused control does not act
// on it (no arrow keys on the volume bar, no list navigation). The equalizer and tag panels
// and the protected edit boxes keep their keys.
bool swallowKeyDown(bool eqPanelVisible, bool tagPanelVisible, const QString& focusedObjectName);

// A swallowed key still types into a focused edit box what a character message would: a
// printable character or a backspace. Navigation and editing keys (arrows, Delete) stay kept.
bool typesIntoEdit(const QString& typed);

}  // namespace tavelo
