// The Audio Files mode: a playlist of files, whole folders and CUE sheets, MIDI files through
// SoundFonts. It owns the file stream, the list of paths, the CUE record and what plays, and
// reaches the window only through its controls and ModeWindow.
#pragma once

#include "app/engine_events.h"
#include "app/engine_handles.h"
#include "app/playback_mode.h"
#include "files/cue_sheet.h"
#include "files/files_tick.h"
#include "files/playlist.h"
#include "files/position_display.h"
#include "recording/conversion.h"

#include <QObject>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

class QLabel;
class QPoint;

namespace tavelo {

class FolderScan;

class AudioFilesMode : public QObject, public PlaybackMode {
 public:
  static constexpr int kSoundFontSlots = 10;

  AudioFilesMode(ModeControls controls, ModeWindow& window, EngineEvents& events);
  ~AudioFilesMode() override;

  PlayMode kind() const override { return PlayMode::AudioFiles; }
  void enter() override;
  void leave() override;
  // Resumes a pause of the selected entry, else starts the selected entry afresh.
  void play() override;
  void pause() override;
  void stop() override;
  // No wrap-around: at either end the current entry starts again.
  void next() override;
  void prev() override;
  // Asks for a file with the open dialog and plays it (its folder with Play Full Dir).
  void open() override;
  void seek(int x) override;
  void tick() override;
  int trackLength() const override { return trackLength_; }

  // Plays a file given by the command line or another copy of the player, without asking.
  void openGivenFile(const QString& path);
  // Plays files dropped on the list, sorted by name; the first of them is chosen.
  void openDroppedFiles(const QStringList& paths);
  // Opens path and starts it; track > 0 plays that track of the CUE record. False when the
  // file cannot be played.
  bool MyBassPlay(const QString& path, int track);
  // Adds files to a plain list (BLockUnlock's "+").
  void addFiles();
  // A double click on an entry plays it from its beginning.
  void playChosenEntry();
  void listMouseDown();
  void listContextPopup(const QPoint& position);
  void deleteContextItem();
  // The position bar's hover time at x pixels.
  void showHoverTime(int x);
  void toggleTimeDisplay();
  // Loads the fonts of the sound-font list as the engine's defaults and the open stream's;
  // force frees fonts already loaded and loads the list again. False when no font is usable.
  bool LoadSoundFonts(bool force);
  void FreeSoundFonts();
  // Frees the stream and the fonts while the engine is still up.
  void releaseEngine();

  std::uint32_t stream() const override { return stream_.get(); }
  std::uint32_t soundFont(int slot) const { return fonts_.at(std::size_t(slot)).get(); }
  const CueRecord& cueRecord() const { return cueRecord_; }
  const QStringList& pathList() const { return pathList_; }
  int currentTrack() const { return currentTrack_; }
  bool paused() const { return paused_; }
  // A MIDI file plays through the system's General MIDI font, standing in for the sequencer of
  // other systems: Pause does nothing then.
  bool mciMidi() const { return mciMidi_; }
  TimeDisplay timeDisplay() const { return timeDisplay_; }
  // The list's context menu is open: the selection stays where the user put it.
  bool menuOpen() const { return menuOpen_; }
  // A choice in the context menu ends it, whether or not the menu has gone yet.
  void menuClosed() { menuOpen_ = false; }
  // The item under the last right click.
  int contextItem() const { return contextItem_; }
  // A Play Full Dir folder is being read off the window thread.
  bool folderScanRunning() const;

  // ---- Conversion (the record button of this mode) ----
  // What a run converts into `folder`: every item (a CUE sheet's item 0 skipped) or the selected
  // one; a second target of the same name is numbered.
  std::vector<ConversionItem> conversionItems(bool all, const QString& folder, const QString& extension) const;
  // Starts a run on copies of the list; `label` shows each item's progress, `finished` runs
  // once the run has ended. False when there is nothing to convert (finished is not called).
  bool startConversion(bool all, const ConversionSettings& settings, const QString& folder,
                       const QString& extension, QLabel* label, std::function<void()> finished);
  bool conversionRunning() const { return conversion_ != nullptr; }
  // The item under way is abandoned (its work file removed); the finished ones stay.
  void cancelConversion();

 private:
  void connectControls();
  void installMouseFilter();
  void removeMouseFilter();
  std::uint32_t createFileStream(const QString& path);
  std::uint32_t createMidiStream(const QString& path);
  void startTrack(int track);
  double fileLengthSeconds() const;
  void enableTransport();
  void reportUnplayable();
  void playEntry(int index);
  void stepTrack(TrackStep step);
  void updateMeters(bool playing);
  QString itemText(int index) const;
  QStringList itemTexts() const;
  void selectItem(int index);
  void openChosen(const QString& chosen);
  void openChosenFile(const QString& path);
  void openCueSheet(const QString& cuePath);
  bool loadCueSheet(const QString& cuePath);
  void loadCueFileList(const QString& cuePath);
  void fillPlaylist(const QStringList& paths);
  void playOpenedFile(const QString& chosenFile);
  void applyEndOfStream(const EndOfStreamAction& action);
  void finishList(int selectedIndex);
  void applyCueCrossing(int track, int trackLength);
  void streamEnded(DWORD channel);

  EngineEvents& events_;
  StreamHandle stream_;
  std::array<FontHandle, kSoundFontSlots> fonts_;  // packed from the first slot
  bool mciMidi_ = false;
  CueRecord cueRecord_;    // empty for a plain playlist (see cue_sheet.h)
  QStringList pathList_;  // item i of the list plays path i
  int currentTrack_ = 0;  // list index, or CUE track number
  int contextItem_ = 0;   // the item under the last right click
  bool paused_ = false;
  bool active_ = false;   // the window is in this mode
  bool menuOpen_ = false;
  int trackLength_ = 0;
  TimeDisplay timeDisplay_ = TimeDisplay::Elapsed;
  LevelMeter meters_;
  TimeDisplayTexts timeTexts_;
  ListIdleTicks listIdle_;
  FolderScan* folderScan_ = nullptr;
  QObject* mouseFilter_ = nullptr;
  std::unique_ptr<ConversionRun> conversion_;
};

}  // namespace tavelo
