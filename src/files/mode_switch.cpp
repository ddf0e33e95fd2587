#include "files/mode_switch.h"

#include <algorithm>
#include <cmath>

namespace tavelo {

QString modeName(PlayMode mode) {
  switch (mode) {
    case PlayMode::AudioCd: return QStringLiteral("Audio CD");
    case PlayMode::NetRadio: return QStringLiteral("Net Radio");
    case PlayMode::AudioFiles: break;
  }
  return QStringLiteral("Audio Files");
}

namespace {

PlayMode modeAt(const std::array<int, 3>& order, int step) {
  const int mode = order[std::size_t(step)];
  return PlayMode(mode >= 0 && mode <= 2 ? mode : step);
}

QString lockGlyph(bool doorLocked) { return doorLocked ? QStringLiteral("\u0420") : QStringLiteral("\u041F"); }

ModeLayout audioFilesLayout() {
  ModeLayout layout;
  layout.clearCueRecord = true;
  layout.releaseCdDrive = true;
  layout.listAcceptsDrops = true;
  layout.openHint = QStringLiteral("Open file (O)");
  layout.openCaption = QStringLiteral("Open");
  layout.lockHint = QStringLiteral("Add files");
  layout.lockFace = QStringLiteral("+");
  layout.lockFaceBold = true;
  layout.repeatLeft = 124;
  layout.fullDirShown = true;
  layout.playEnabled = false;
  layout.stopPauseDisabled = true;
  return layout;
}

ModeLayout audioCdLayout(bool doorLocked) {
  ModeLayout layout;
  layout.mainTimerRunning = true;
  layout.cdDrivesShown = true;
  layout.openHint = QStringLiteral("Open/Close door");
  layout.openCaption = QStringLiteral("Open/Close");
  layout.lockHint = QStringLiteral("Lock/Unlock door");
  layout.lockFace = lockGlyph(doorLocked);
  layout.repeatLeft = 276;
  layout.fullDirShown = false;
  layout.playEnabled = true;
  return layout;
}

ModeLayout netRadioLayout() {
  ModeLayout layout;
  layout.heightAboveFrame = 309;
  layout.settingsPanelTop = 140;
  layout.eqPanelTop = 132;
  layout.releaseCdDrive = true;
  layout.stationsShown = true;
  layout.decodeShown = false;
  layout.listShown = false;
  layout.clearList = false;
  layout.positionPanelShown = false;
  layout.fitListToWindow = false;
  layout.volumeBarTop = 285;
  layout.programFolderCurrent = true;
  layout.columnHeading = QStringLiteral("Radio    Min   Sec");
  return layout;
}

}  // namespace

ModeSwitchDecision decideModeSwitch(const ModeSwitchRequest& request) {
  if (!request.stopped) return {QString::fromLatin1(kFirstStopCurrentTrack), {}, request.step};
  if (request.radioRecording) return {QString::fromLatin1(kRecordInProcess), {}, request.step};
  const int step = request.fromStartup ? 0 : (std::clamp(request.step, 0, 2) + 1) % 3;
  return {{}, modeAt(request.order, step), step};
}

ModeLayout modeLayout(PlayMode mode, bool doorLocked) {
  ModeLayout layout = mode == PlayMode::AudioCd    ? audioCdLayout(doorLocked)
                      : mode == PlayMode::NetRadio ? netRadioLayout()
                                                   : audioFilesLayout();
  if (layout.columnHeading.isEmpty()) layout.columnHeading = QStringLiteral("Track    Min   Sec");
  layout.modeLabel = modeName(mode);
  layout.caption = modeCaption(mode);
  return layout;
}

QString modeCaption(PlayMode mode) {
  return QStringLiteral("Tavelo Mode ->").leftJustified(16) + modeName(mode);
}

WindowSize allowedWindowSize(int newHeight, int frameHeight, PlayMode mode) {
  int height = newHeight;
  if (mode == PlayMode::NetRadio) height = std::min(height, frameHeight + 309);
  return {kWindowWidth, height, std::max(0, height - frameHeight - kListTop - kListBottomMargin)};
}

int fitWindowToListHeight(int itemCount, int itemHeight, int frameHeight, int windowTop,
                          int screenHeight) {
  int height = int(std::trunc(itemCount * itemHeight * 1.142)) + frameHeight + 189;
  height = std::max(height, frameHeight + 382);
  if (windowTop + height > screenHeight - 30) height = screenHeight - windowTop - 30;
  return height;
}

std::optional<QString> CaptionWatcher::check(const QString& caption, bool radioRecording) {
  if (caption == lastSeen_) return std::nullopt;
  lastSeen_ = caption;
  return radioRecording ? QStringLiteral("<Record>").leftJustified(16) + caption : caption;
}

QRect noticeRect(int textWidth, int screenWidth, int workAreaHeight) {
  const int left = screenWidth - textWidth - 14;
  const int top = workAreaHeight - 16;
  return QRect(left, top, screenWidth - 6 - left, workAreaHeight - top);
}

}  // namespace tavelo
