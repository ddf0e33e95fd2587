#include "files_test_support.h"
#include "files/key_commands.h"

#include <cstring>

using namespace tavelo;

namespace {

constexpr KeyCommand click(KeyTarget target) { return {target, true}; }

// Which typed characters reach each command, per mode; every other printable character does nothing.
struct Binding {
  KeyTarget target;
  bool onlyIfEnabled;
  const char* filesAndCdKeys;
  const char* radioKeys;
};

const Binding kBindings[] = {
    {KeyTarget::ModeSwitch, false, "m", "m"},
    {KeyTarget::VolumeUp, false, "+=", "+="},
    {KeyTarget::VolumeDown, false, "-", "-"},
    {KeyTarget::ButtonPause, true, " ", ""},
    {KeyTarget::ButtonPrev, true, "b", ""},
    {KeyTarget::ButtonNext, true, "n", ""},
    {KeyTarget::ButtonOpen, true, "o", ""},
    {KeyTarget::ButtonPlay, true, "p", ""},
    {KeyTarget::ButtonStop, true, "s", ""},
    {KeyTarget::BnetRadioPause, true, "", " "},
    {KeyTarget::BNetRadioStop, true, "", "s"},
    {KeyTarget::SelectStationByNumber, false, "", "p"},
};

std::optional<KeyCommand> expectedCommand(char key, PlayMode mode) {
  for (const Binding& binding : kBindings) {
    const char* keys = mode == PlayMode::NetRadio ? binding.radioKeys : binding.filesAndCdKeys;
    if (std::strchr(keys, key)) return KeyCommand{binding.target, binding.onlyIfEnabled};
  }
  return std::nullopt;
}

TEST(KeyPress, EveryPrintableCharacterInEveryMode) {
  for (const PlayMode mode : {PlayMode::AudioFiles, PlayMode::AudioCd, PlayMode::NetRadio}) {
    for (char key = ' '; key <= '~'; ++key)
      EXPECT_EQ(keyPressCommand(QLatin1Char(key), mode), expectedCommand(key, mode))
          << "key '" << key << "' in mode " << int(mode);
  }
}

TEST(KeyPress, ProtectedEditBoxesKeepTheirKeys) {
  for (const char* edit : {"ERecDir", "Ename", "Eurl", "Eproxy"}) {
    EXPECT_FALSE(keyPressCommand('p', PlayMode::AudioFiles, edit)) << edit;
    EXPECT_FALSE(keyPressCommand('m', PlayMode::NetRadio, edit)) << edit;
  }
  EXPECT_EQ(keyPressCommand('p', PlayMode::AudioFiles, "ed_sleep"), click(KeyTarget::ButtonPlay));
}

TEST(KeyDown, SwallowedUnlessAPanelOrEditNeedsIt) {
  EXPECT_TRUE(swallowKeyDown(false, false, "TrackBar1"));
  EXPECT_TRUE(swallowKeyDown(false, false, "ListBox1"));
  EXPECT_FALSE(swallowKeyDown(true, false, "tbar_80"));
  EXPECT_FALSE(swallowKeyDown(false, true, "ed_Title"));
  EXPECT_FALSE(swallowKeyDown(false, false, "Eurl"));
}

TEST(KeyDown, SwallowedKeysStillTypeCharactersIntoEdits) {
  const struct {
    const char* typed;
    bool types;
  } cases[] = {
      {"5", true}, {"p", true}, {" ", true}, {"\b", true},  // characters and backspace
      {"", false},                                         // arrows, Delete, Home: no text
      {"\x7f", false}, {"\r", false}, {"\t", false}, {"ab", false},
  };
  for (const auto& c : cases) EXPECT_EQ(typesIntoEdit(QString::fromLatin1(c.typed)), c.types) << c.typed;
}

}  // namespace
