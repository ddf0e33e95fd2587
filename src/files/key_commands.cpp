#include "files/key_commands.h"

#include <QStringList>
#include <array>

namespace tavelo {

namespace {

struct KeyRow {
  char key;
  std::optional<KeyCommand> filesAndCd;
  std::optional<KeyCommand> netRadio;
};

constexpr KeyCommand click(KeyTarget target) { return {target, true}; }
constexpr KeyCommand always(KeyTarget target) { return {target, false}; }

const std::array<KeyRow, 9> kKeyTable{{
    {' ', click(KeyTarget::ButtonPause), click(KeyTarget::BnetRadioPause)},
    {'+', always(KeyTarget::VolumeUp), always(KeyTarget::VolumeUp)},
    {'=', always(KeyTarget::VolumeUp), always(KeyTarget::VolumeUp)},
    {'-', always(KeyTarget::VolumeDown), always(KeyTarget::VolumeDown)},
    {'b', click(KeyTarget::ButtonPrev), std::nullopt},
    {'n', click(KeyTarget::ButtonNext), std::nullopt},
    {'o', click(KeyTarget::ButtonOpen), std::nullopt},
    {'p', click(KeyTarget::ButtonPlay), always(KeyTarget::SelectStationByNumber)},
    {'s', click(KeyTarget::ButtonStop), click(KeyTarget::BNetRadioStop)},
}};

}  // namespace

bool isKeyProtectedEdit(const QString& objectName) {
  static const QStringList protectedEdits{"ERecDir", "Ename", "Eurl", "Eproxy"};
  return protectedEdits.contains(objectName);
}

std::optional<KeyCommand> keyPressCommand(QChar key, PlayMode mode, const QString& focusedObjectName) {
  if (isKeyProtectedEdit(focusedObjectName)) return std::nullopt;
  if (key == u'm') return always(KeyTarget::ModeSwitch);
  for (const KeyRow& row : kKeyTable) {
    if (key != QLatin1Char(row.key)) continue;
    return mode == PlayMode::NetRadio ? row.netRadio : row.filesAndCd;
  }
  return std::nullopt;
}

bool swallowKeyDown(bool eqPanelVisible, bool tagPanelVisible, const QString& focusedObjectName) {
  return !eqPanelVisible && !tagPanelVisible && !isKeyProtectedEdit(focusedObjectName);
}

bool typesIntoEdit(const QString& typed) {
  return typed.size() == 1 && (typed.at(0).isPrint() || typed.at(0) == u'\b');
}

}  // namespace tavelo
