// The three playback modes without widgets: stepping through the user's mode order, the
// refusals, what each mode's layout shows, the window's size rules and the caption watcher.
#pragma once

#include <QRect>
#include <QString>
#include <array>
#include <optional>

namespace tavelo {

enum class PlayMode : quint8 { AudioFiles = 0, AudioCd = 1, NetRadio = 2 };

QString modeName(PlayMode mode);  // "Audio Files", "Audio CD", "Net Radio"

struct ModeSwitchRequest {
  bool stopped = true;         // nothing plays in Audio Files or Audio CD
  bool radioRecording = false;  // BNetRadioRec shows "<"
  bool fromStartup = false;     // the window itself enters its first mode
  int step = 0;                 // position 0..2 in the order of the current mode
  std::array<int, 3> order{0, 1, 2};  // the modes chosen in CBfirst, CBsecond, CBthird
};

struct ModeSwitchDecision {
  QString refusal;  // shown in a plain message box; when set nothing changes (mode unset)
  PlayMode mode = PlayMode::AudioFiles;
  int step = 0;
};

inline constexpr auto kFirstStopCurrentTrack = "First stop current track!";
inline constexpr auto kRecordInProcess = "Record in Process! Stop Record and try again.";

// Start-up enters the first mode of the order; every other switch steps to the next one,
// after the third comes the first again.
ModeSwitchDecision decideModeSwitch(const ModeSwitchRequest& request);

// What the layout of a mode sets; nullopt leaves the item as it is.
struct ModeLayout {
  int heightAboveFrame = 382;  // window height = frame height + this
  int settingsPanelTop = 200;  // p_settings
  int eqPanelTop = 193;        // p_EQ
  bool mainTimerRunning = false;
  bool clearCueRecord = false;
  bool releaseCdDrive = false;
  bool stationsShown = false;      // p_SelButtons and p_radio
  bool cdDrivesShown = false;      // CBCDdrives
  bool decodeShown = true;         // sb_decode, chb_decodeAll
  bool listShown = true;           // ListBox1
  bool clearList = true;
  bool listAcceptsDrops = false;
  bool positionPanelShown = true;  // Panel2
  bool fitListToWindow = true;     // FitListWidth, then FitWindowToList
  bool programFolderCurrent = false;  // the current directory becomes the program folder
  std::optional<QString> openHint, openCaption, lockHint;
  std::optional<QString> lockFace;  // BLockUnlock: "+" (add files) or the door glyph code
  bool lockFaceBold = false;
  std::optional<int> repeatLeft;    // ChBoxRep: beside "Play Full Dir", or beside the drive list
  int volumeBarTop = 166;           // TrackBar1; below the radio panel in Net Radio
  std::optional<bool> fullDirShown;  // CheckBoxFullDir
  std::optional<bool> playEnabled;
  bool stopPauseDisabled = false;
  QString modeLabel;      // Label2
  QString columnHeading;  // Label3
  QString caption;        // window caption and tray tip
};

// doorLocked picks the Audio CD lock glyph code ("\u0420" locked, "\u041F" not).
ModeLayout modeLayout(PlayMode mode, bool doorLocked = false);

// "Tavelo Mode ->  Audio Files": the prompt padded to 16 characters, then the mode name.
QString modeCaption(PlayMode mode);

// The resize rule: a fixed width, Net Radio no taller than frame + 309, and the list filling
// what is left below the controls down to its bottom margin (never negative).
struct WindowSize {
  int width = 0;
  int height = 0;
  int listHeight = 0;
};
WindowSize allowedWindowSize(int newHeight, int frameHeight, PlayMode mode);

// Client sizes: the window manager adds its frame around them.
inline constexpr int kWindowWidth = 408;
inline constexpr int kListTop = 218;          // ListBox1's top
inline constexpr int kListBottomMargin = 8;

// The window height that shows the whole list: trunc(items * itemHeight * 1.142) + frame + 189,
// at least frame + 382, and kept 30 pixels above the screen's bottom.
int fitWindowToListHeight(int itemCount, int itemHeight, int frameHeight, int windowTop,
                          int screenHeight);

// Watches the window caption on every Timer2 tick and says when a new one becomes a notice.
class CaptionWatcher {
 public:
  // The notice text for a caption not seen at the previous tick ("<Record>" padded to 16
  // in front while a radio recording runs), or nullopt when the caption is unchanged.
  std::optional<QString> check(const QString& caption, bool radioRecording);
  const QString& lastSeen() const { return lastSeen_; }

 private:
  QString lastSeen_ = QStringLiteral("Loading Tavelo ...");
};

// A notice stays this many Timer2 ticks (about 20 s) unless a newer one replaces it.
inline constexpr int kNoticeTicks = 200;

// Where a notice textWidth pixels wide goes: the bottom-right corner of the screen, its bottom
// on the work area's bottom edge.
QRect noticeRect(int textWidth, int screenWidth, int workAreaHeight);

}  // namespace tavelo
