// The Audio CD mode: the tracks of the disc in the current drive, played through one CD stream
// per drive, named from CD-TEXT or from a CDDB server. It reads the engine, decides through the
// plain logic of src/cd and applies the result to the window's controls.
#pragma once

#include "app/engine_events.h"
#include "app/engine_handles.h"
#include "app/playback_mode.h"
#include "cd/cd_lists.h"
#include "cd/cddb_lookup.h"
#include "recording/conversion.h"

#include <QObject>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

class QComboBox;
class QLabel;

namespace tavelo {

// What the mode asks of the window beyond ModeWindow.
class CdWindow {
 public:
  virtual ~CdWindow() = default;
  virtual CddbSettings cddbSettings() const = 0;
  // message, a line break and the engine's last error code.
  virtual void ShowEngineError(const QString& message) = 0;
};

class AudioCdMode : public QObject, public PlaybackMode {
 public:
  AudioCdMode(ModeControls controls, ModeWindow& window, CdWindow& cdWindow, QComboBox* drives, EngineEvents& events);
  ~AudioCdMode() override;

  PlayMode kind() const override { return PlayMode::AudioCd; }
  // The drive chosen in CBCDdrives becomes the drive in use; the main timer fills the list.
  void enter() override;
  // Lets go of the drive, so other programs may use it.
  void leave() override;
  void play() override;
  void pause() override;
  void stop() override;
  void next() override;
  void prev() override;
  // The door: opens it, or closes it when open.
  void open() override;
  void seek(int x) override;
  void tick() override;
  int trackLength() const override { return trackLength_; }

  // Start-up: the kernel's CD drives, then each sheet of imagesFolder as a drive, ten at most;
  // selects the item savedDriveText names, else the first.
  void EnumerateDrives(const QString& imagesFolder, const QString& savedDriveText);
  // BLockUnlock in this mode: locks the door, or unlocks it when locked.
  void LockClick();
  void CBCDdrivesChange();
  void BuildCdTrackList();
  void PlayCdTrack(int drive, int track);
  // Closing: stops the current drive's stream, unlocks every door this player locked, releases
  // the drive in use.
  void close();

  int currentDrive() const { return currentDrive_; }
  std::uint32_t cdStream(int drive) const { return streams_.at(std::size_t(drive)).get(); }
  // The current drive's stream: the one the equaliser acts on.
  std::uint32_t stream() const override { return cdStream(currentDrive_); }
  int currentTrack() const { return currentTrack_; }
  bool paused() const { return paused_; }
  CddbLookup& cddb() { return cddb_; }

  // ---- Ripping (the record button of this mode) ----
  // Rips every track or the selected one of the current drive into `folder`, each named after
  // its list item; `label` shows each track's progress, `finished` runs once the run has ended.
  // False when nothing was started (finished is not called): no track, or a disc still playing.
  bool startRip(bool all, const ConversionSettings& settings, const QString& folder, const QString& extension,
                QLabel* label, std::function<void()> finished);
  bool ripRunning() const { return rip_ != nullptr; }
  // The track under way is abandoned (its work file removed); the tracks ripped stay.
  void cancelRip();
  // Cuts every item's "  --->  " marker off and refits the list.
  void RemoveRipMarkers();

 private:
  StreamHandle& currentStream() { return streams_.at(std::size_t(currentDrive_)); }
  bool anyStreamPlaying() const;
  std::vector<ConversionItem> ripItems(bool all, const QString& folder, const QString& extension) const;
  bool refusedWhileRipping();
  void selectItem(int index);
  QString itemText(int index) const;
  void startSelected(int index);
  void stepTrack(int step);
  void showTimeScale();
  void fillTrackList(int count, const QStringList& cdText);
  void followPlayingTrack();
  void showPlaying();
  void poll();
  void freeStreamAndClear();
  void streamEnded(DWORD channel);
  void applyTrackEnd(const CdTrackEndPlan& plan);
  void setLockGlyph(bool locked);

  // CDDB
  void startLookup(bool firstQueryOfDisc);
  void lookupDone(const CddbOutcome& outcome);
  bool applyTitles(const CddbEntry& entry);
  void askRetry();

  CdWindow& cdWindow_;
  QComboBox* drives_;
  EngineEvents& events_;
  std::array<StreamHandle, kMaxCdDrives> streams_;
  std::unique_ptr<ConversionRun> rip_;  // its decode-only stream reads the drive while it runs
  std::array<bool, kMaxCdDrives> lockedHere_{};           // doors this player locked
  int currentDrive_ = 0;
  int currentTrack_ = 0;
  int trackLength_ = 0;
  bool paused_ = false;
  bool active_ = false;
  LevelMeter meters_;
  TimeDisplayTexts timeTexts_;

  CddbLookup cddb_;
  bool retryQuestionOpen_ = false;
};

}  // namespace tavelo
