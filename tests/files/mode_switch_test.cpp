#include "files_test_support.h"
#include "files/mode_switch.h"

using namespace tavelo;

namespace {

TEST(ModeSwitch, StepsThroughTheUsersOrder) {
  ModeSwitchRequest request;
  request.order = {2, 0, 1};  // Net Radio, Audio Files, Audio CD
  request.fromStartup = true;
  request.step = 2;
  std::vector<PlayMode> visited;
  for (int click = 0; click < 4; ++click) {
    const ModeSwitchDecision decision = decideModeSwitch(request);
    ASSERT_TRUE(decision.refusal.isEmpty());
    visited.push_back(decision.mode);
    request.step = decision.step;
    request.fromStartup = false;
  }
  EXPECT_EQ(visited, (std::vector<PlayMode>{PlayMode::NetRadio, PlayMode::AudioFiles, PlayMode::AudioCd,
                                            PlayMode::NetRadio}));
  EXPECT_EQ(request.step, 0);
}

TEST(ModeSwitch, RefusalsKeepModeAndStep) {
  const struct {
    bool stopped, recording;
    const char* refusal;
  } cases[] = {
      {false, false, "First stop current track!"},
      {false, true, "First stop current track!"},
      {true, true, "Record in Process! Stop Record and try again."},
  };
  for (const auto& c : cases) {
    ModeSwitchRequest request;
    request.stopped = c.stopped;
    request.radioRecording = c.recording;
    request.step = 1;
    const ModeSwitchDecision decision = decideModeSwitch(request);
    EXPECT_EQ(decision.refusal, QString::fromLatin1(c.refusal));
    EXPECT_EQ(decision.step, 1);
  }
}

TEST(ModeSwitch, OrderOutOfRangeFallsBackToTheStepsOwnMode) {
  ModeSwitchRequest request;
  request.order = {7, -1, 2};
  EXPECT_EQ(decideModeSwitch(request).mode, PlayMode::AudioCd);  // step 0 -> 1: mode 1
}

TEST(ModeLayout, PerModeTextsAndSizes) {
  const struct {
    PlayMode mode;
    int height, settingsTop, eqTop;
    const char* heading;
    const char* caption;
  } cases[] = {
      {PlayMode::AudioFiles, 382, 200, 193, "Track    Min   Sec", "Tavelo Mode ->  Audio Files"},
      {PlayMode::AudioCd, 382, 200, 193, "Track    Min   Sec", "Tavelo Mode ->  Audio CD"},
      {PlayMode::NetRadio, 309, 140, 132, "Radio    Min   Sec", "Tavelo Mode ->  Net Radio"},
  };
  for (const auto& c : cases) {
    const ModeLayout layout = modeLayout(c.mode);
    EXPECT_EQ(layout.heightAboveFrame, c.height);
    EXPECT_EQ(layout.settingsPanelTop, c.settingsTop);
    EXPECT_EQ(layout.eqPanelTop, c.eqTop);
    EXPECT_EQ(layout.columnHeading, QString::fromLatin1(c.heading));
    EXPECT_EQ(layout.caption, QString::fromLatin1(c.caption));
    EXPECT_EQ(layout.modeLabel, modeName(c.mode));
  }
  const ModeLayout files = modeLayout(PlayMode::AudioFiles);
  EXPECT_EQ(files.lockFace, QStringLiteral("+"));
  EXPECT_EQ(files.openHint, QStringLiteral("Open file (O)"));
  EXPECT_TRUE(files.clearCueRecord && files.listAcceptsDrops && files.stopPauseDisabled);
  EXPECT_EQ(modeLayout(PlayMode::AudioCd, true).lockFace, QStringLiteral("\u0420"));
  EXPECT_EQ(modeLayout(PlayMode::AudioCd, false).lockFace, QStringLiteral("\u041F"));
  EXPECT_TRUE(modeLayout(PlayMode::AudioCd).mainTimerRunning);
  const ModeLayout radio = modeLayout(PlayMode::NetRadio);
  EXPECT_FALSE(radio.openHint || radio.repeatLeft || radio.playEnabled || radio.listShown);
}

TEST(WindowSize, ResizeRule) {
  const struct {
    int newHeight;
    PlayMode mode;
    WindowSize expected;
  } cases[] = {
      {600, PlayMode::AudioFiles, {408, 600, 346}},
      {600, PlayMode::NetRadio, {408, 337, 83}},
      {300, PlayMode::NetRadio, {408, 300, 46}},
      {150, PlayMode::AudioCd, {408, 150, 0}},  // the list never gets a negative height
  };
  for (const auto& c : cases) {
    const WindowSize size = allowedWindowSize(c.newHeight, 28, c.mode);
    EXPECT_EQ(size.width, c.expected.width);
    EXPECT_EQ(size.height, c.expected.height);
    EXPECT_EQ(size.listHeight, c.expected.listHeight);
  }
}

TEST(WindowSize, FitWindowToList) {
  EXPECT_EQ(fitWindowToListHeight(3, 13, 28, 100, 1080), 28 + 382);     // short lists keep the mode's height
  EXPECT_EQ(fitWindowToListHeight(20, 13, 28, 100, 1080), 296 + 28 + 189);
  EXPECT_EQ(fitWindowToListHeight(500, 13, 28, 100, 1080), 1080 - 100 - 30);  // kept above the screen's bottom
}

TEST(CaptionWatcher, NewCaptionsBecomeNotices) {
  CaptionWatcher watcher;
  EXPECT_FALSE(watcher.check("Loading Tavelo ...", false));
  EXPECT_EQ(watcher.check("Play a.mp3", false), QStringLiteral("Play a.mp3"));
  EXPECT_FALSE(watcher.check("Play a.mp3", false));
  EXPECT_EQ(watcher.check("Radio Station - X", true), QStringLiteral("<Record>        Radio Station - X"));
  EXPECT_EQ(watcher.lastSeen(), QStringLiteral("Radio Station - X"));
}

TEST(Notice, BottomRightCorner) {
  EXPECT_EQ(noticeRect(200, 1920, 1050), QRect(1706, 1034, 208, 16));
}

}  // namespace
