#include "files_test_support.h"
#include "key_commands.h"

namespace {

constexpr KeyCommand click(KeyTarget target) { return {target, true}; }
constexpr KeyCommand always(KeyTarget target) { return {target, false}; }

TEST(KeyPress, TablePerMode) {
  const struct {
    char key;
    std::optional<KeyCommand> filesAndCd, radio;
  } cases[] = {
      {'m', always(KeyTarget::ModeSwitch), always(KeyTarget::ModeSwitch)},
      {' ', click(KeyTarget::ButtonPause), click(KeyTarget::BnetRadioPause)},
      {'+', always(KeyTarget::VolumeUp), always(KeyTarget::VolumeUp)},
      {'=', always(KeyTarget::VolumeUp), always(KeyTarget::VolumeUp)},
      {'-', always(KeyTarget::VolumeDown), always(KeyTarget::VolumeDown)},
      {'b', click(KeyTarget::ButtonPrev), std::nullopt},
      {'n', click(KeyTarget::ButtonNext), std::nullopt},
      {'o', click(KeyTarget::ButtonOpen), std::nullopt},
      {'p', click(KeyTarget::ButtonPlay), always(KeyTarget::SelectStationByNumber)},
      {'s', click(KeyTarget::ButtonStop), click(KeyTarget::BNetRadioStop)},
      {'M', std::nullopt, std::nullopt},
      {'P', std::nullopt, std::nullopt},
      {'x', std::nullopt, std::nullopt},
  };
  for (const auto& c : cases) {
    const QChar key = QLatin1Char(c.key);
    EXPECT_EQ(keyPressCommand(key, PlayMode::AudioFiles), c.filesAndCd) << c.key;
    EXPECT_EQ(keyPressCommand(key, PlayMode::AudioCd), c.filesAndCd) << c.key;
    EXPECT_EQ(keyPressCommand(key, PlayMode::NetRadio), c.radio) << c.key;
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

}  // namespace
