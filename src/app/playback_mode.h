// One playback mode of the window (Audio Files, Audio CD, Net Radio) behind one interface: the
// form's handlers are the one entry for each action and hand it to the current mode.
#pragma once

#include "app/dialogs.h"
#include "app/tick_timer.h"
#include "app/value_bar.h"
#include "files/mode_switch.h"
#include "files/playlist.h"
#include "files/position_display.h"

#include <QString>

class QCheckBox;
class QFrame;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QWidget;

namespace tavelo {

// The window's controls the modes use.
struct ModeControls {
  QListWidget* ListBox1;
  ValueBar *PB1, *PBL, *PBR;
  QLabel *Label1, *Label9, *Label30, *Label34;
  QFrame* Panel2;
  QPushButton *ButtonPlay, *ButtonPause, *ButtonStop, *ButtonPrev, *ButtonNext, *ButtonOpen, *BLockUnlock;
  QCheckBox *CheckBoxFullDir, *ChBoxRep;
  QMenu* PM1;
  TickTimer* Timer1;
};

// What a mode asks of the window around it.
class ModeWindow {
 public:
  virtual ~ModeWindow() = default;
  // The caption and the tray's tip, which every transport action sets together.
  virtual void SetCaption(const QString& caption) = 0;
  // Tall enough for the list, never past the screen's bottom.
  virtual void FitWindowToList() = 0;
  virtual Dialogs& dialogs() = 0;
  virtual QWidget* dialogParent() = 0;
  // Whether no file or CD track plays: the mode switch and the list's idle follow read it.
  virtual bool IsStopped() const = 0;
  virtual void SetStopped(bool stopped) = 0;
  virtual FileDialogSettings& OpenDialog() = 0;
  virtual PlayableExtensions Playable() const = 0;
  // The user's SoundFonts, each path followed by "^".
  virtual QString SoundFontList() const = 0;
  // Whether new streams decode to floating point ("Sample Float" in the settings).
  virtual bool SampleFloat() const = 0;
  // Every mode calls this on a playback stream it has just created: the equaliser joins it
  // when enabled.
  virtual void EqualizeNewStream(std::uint32_t /*stream*/) {}
};

class PlaybackMode {
 public:
  PlaybackMode(ModeControls controls, ModeWindow& window) : controls_(controls), window_(window) {}
  virtual ~PlaybackMode() = default;
  PlaybackMode(const PlaybackMode&) = delete;
  PlaybackMode& operator=(const PlaybackMode&) = delete;

  virtual PlayMode kind() const = 0;
  // What the window shows in this mode; doorLocked picks the Audio CD lock glyph.
  virtual ModeLayout layout(bool doorLocked) const { return modeLayout(kind(), doorLocked); }
  virtual void enter() {}
  // Called before another mode is entered.
  virtual void leave() {}
  virtual void play() {}
  virtual void pause() {}
  // Every mode ends with the transport shown stopped.
  virtual void stop() { showStopped(); }
  virtual void next() {}
  virtual void prev() {}
  // The open button: the open dialog, the CD door …
  virtual void open() {}
  // A click on the position bar at x pixels.
  virtual void seek(int /*x*/) {}
  // The main timer's 200 ms tick.
  virtual void tick() {}
  // The mode's playback stream, 0 when none: what the equaliser's switch acts on.
  virtual std::uint32_t stream() const { return 0; }
  // The length of what plays, in seconds, as the position bar's scale (at least 1 once played).
  virtual int trackLength() const { return 0; }
  // The information line of a stream: sample format, frequency, channels and bit rate.
  QString StreamInfoText(std::uint32_t stream);

 protected:
  // Levels, position and time at zero; Pause, Stop and the bar disabled.
  void showStopped();
  // Every 10 ticks while Label34 shows: the stream's information line in it.
  void showStreamInfo(std::uint32_t stream);

  ModeControls controls_;
  ModeWindow& window_;
  BitRateMeter bitRate_;
};

}  // namespace tavelo
