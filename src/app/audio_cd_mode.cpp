#include "app/audio_cd_mode.h"
#include "app/glyphs.h"
#include "app/tags.h"

#include "engine/engine.h"
#include "files/mode_switch.h"
#include "files/playlist.h"
#include "net/net_error.h"
#include "recording/file_names.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

namespace tavelo {

namespace {

constexpr DWORD kNoTrack = DWORD(-1);
constexpr int kReadSpeed = 600;  // KB/s: quiet, and fast enough to play

qint64 trackLengthBytes(DWORD length) { return length == kNoTrack ? -1 : qint64(length); }

// The disc's own length of a track: a stream switched to another track may still report the
// length of the one it was made for.
int trackSeconds(int drive, int track) {
  return int(qMax<qint64>(0, trackLengthBytes(BASS_CD_GetTrackLength(DWORD(drive), DWORD(track)))) / kCdBytesPerSecond);
}

}  // namespace

AudioCdMode::AudioCdMode(ModeControls controls, ModeWindow& window, CdWindow& cdWindow, QComboBox* drives,
                         EngineEvents& events)
    : PlaybackMode(controls, window), cdWindow_(cdWindow), drives_(drives), events_(events) {
  connect(&events_, &EngineEvents::streamEnded, this, &AudioCdMode::streamEnded);
  cddb_.OnDone = [this](const CddbOutcome& outcome) { lookupDone(outcome); };
}

AudioCdMode::~AudioCdMode() = default;

void AudioCdMode::enter() {
  active_ = true;
  currentDrive_ = qBound(0, drives_->currentIndex(), kMaxCdDrives - 1);
}

void AudioCdMode::leave() {
  active_ = false;
  BASS_CD_Release(DWORD(currentDrive_));
}

// ---- Drives ----

void AudioCdMode::EnumerateDrives(const QString& imagesFolder, const QString& savedDriveText) {
  drives_->clear();
  BASS_CD_INFO info{};
  const auto addDrive = [this, &info](int drive) {
    if (drive != drives_->count() || !BASS_CD_GetInfo(DWORD(drive), &info)) return false;
    drives_->addItem(cdDriveItemText(QString::fromUtf8(info.name), QString::fromUtf8(info.vendor),
                                     QString::fromUtf8(info.product)));
    return true;
  };
  for (int drive = 0; drive < kMaxCdDrives && addDrive(drive); ++drive) continue;
  for (const QString& sheet : cdImageFiles(imagesFolder)) {
    if (drives_->count() >= kMaxCdDrives) break;
    addDrive(BASS_CD_AddImage(QFile::encodeName(sheet).constData()));
  }
  for (int drive = 0; drive < drives_->count(); ++drive) BASS_CD_Release(DWORD(drive));
  if (drives_->count() == 0) drives_->addItem(QStringLiteral("No CD drives found"));
  drives_->setCurrentIndex(qMax(0, drives_->findText(savedDriveText, Qt::MatchExactly)));
  currentDrive_ = drives_->currentIndex();
}

void AudioCdMode::CBCDdrivesChange() {
  // A track still playing on the old drive would go on with nothing left to stop it.
  if (BASS_ChannelIsActive(currentStream().get()) != BASS_ACTIVE_STOPPED) stop();
  BASS_CD_Release(DWORD(currentDrive_));
  currentDrive_ = qBound(0, drives_->currentIndex(), kMaxCdDrives - 1);
  BuildCdTrackList();
}

// ---- Track list ----

QString AudioCdMode::itemText(int index) const {
  const QListWidgetItem* item = controls_.ListBox1->item(index);
  return item ? item->text() : QString();
}

void AudioCdMode::selectItem(int index) {
  if (index >= 0 && index < controls_.ListBox1->count()) controls_.ListBox1->setCurrentRow(index);
}

void AudioCdMode::BuildCdTrackList() {
  if (!active_) return;
  const DWORD drive = DWORD(currentDrive_);
  const DWORD count = BASS_CD_GetTracks(drive);
  controls_.ListBox1->clear();
  if (count == kNoTrack) return;
  const bool timerWasRunning = controls_.Timer1->isActive();
  controls_.Timer1->stop();
  const char* cdTextBlock = BASS_CD_GetID(drive, BASS_CDID_TEXT);
  const QStringList cdText = cdTextEntries(cdTextBlock);
  fillTrackList(int(count), cdText);
  if (shouldLookUp({cdWindow_.cddbSettings().use, cdTextBlock != nullptr, int(count), cddb_.idle(), retryQuestionOpen_}))
    startLookup(true);
  window_.FitWindowToList();
  followPlayingTrack();
  if (timerWasRunning) controls_.Timer1->start();
}

void AudioCdMode::fillTrackList(int count, const QStringList& cdText) {
  const DWORD drive = DWORD(currentDrive_);
  QStringList items;
  for (int track = 0; track < count; ++track)
    items << cdTrackItemText(track, trackLengthBytes(BASS_CD_GetTrackLength(drive, DWORD(track))), cdText);
  controls_.ListBox1->addItems(items);
  const bool filled = !items.isEmpty();
  controls_.ListBox1->setCurrentRow(filled ? 0 : -1);
  for (QPushButton* button : {controls_.ButtonPrev, controls_.ButtonNext, controls_.ButtonPlay})
    button->setEnabled(filled);
  controls_.ButtonPause->setEnabled(false);
  controls_.ButtonStop->setEnabled(false);
}

// A disc that goes on playing while its list is rebuilt keeps its track shown.
void AudioCdMode::followPlayingTrack() {
  const DWORD playing = BASS_CD_StreamGetTrack(currentStream().get());
  if (playing == kNoTrack) return;
  currentTrack_ = int(playing & 0xffff);
  selectItem(currentTrack_);
  trackLength_ = trackSeconds(currentDrive_, currentTrack_);
  showTimeScale();
}

void AudioCdMode::showTimeScale() { controls_.Label9->setText(timeScaleText(trackLength_)); }

// ---- Transport ----

bool AudioCdMode::refusedWhileRipping() {
  if (!ripRunning()) return false;
  cdWindow_.ShowEngineError(QStringLiteral("First Stop Recording!"));
  return true;
}

void AudioCdMode::PlayCdTrack(int drive, int track) {
  StreamHandle& stream = streams_.at(std::size_t(drive));
  if (stream) {
    BASS_CD_StreamSetTrack(stream.get(), DWORD(track));
  } else {
    stream.reset(BASS_CD_StreamCreate(DWORD(drive), DWORD(track), 0));
    if (stream) {
      events_.watchEnd(stream.get());
      window_.EqualizeNewStream(stream.get());
    }
  }
  if (drive == currentDrive_) trackLength_ = trackSeconds(drive, track);
  showTimeScale();
  bitRate_.restart();
  BASS_ChannelPlay(stream.get(), 0);
}

void AudioCdMode::play() {
  if (controls_.ListBox1->count() == 0 || refusedWhileRipping()) return;
  RemoveRipMarkers();
  if (controls_.ListBox1->currentRow() < 0) selectItem(0);
  const int selected = controls_.ListBox1->currentRow();
  // Resuming plays on where the pause was; another track chosen meanwhile starts afresh.
  if (paused_ && selected == currentTrack_ && currentStream()) {
    controls_.ButtonOpen->setEnabled(false);
    window_.SetCaption(playCaption(itemText(selected)));
    BASS_ChannelPlay(currentStream().get(), 0);
    controls_.ButtonPause->setEnabled(true);
  } else {
    if (!BASS_CD_SetSpeed(DWORD(currentDrive_), kReadSpeed)) window_.dialogs().beep();
    startSelected(selected);
  }
  paused_ = false;
}

void AudioCdMode::startSelected(int index) {
  currentTrack_ = index;
  selectItem(index);
  controls_.ButtonOpen->setEnabled(false);
  window_.SetCaption(playCaption(itemText(index)));
  for (QWidget* control : {static_cast<QWidget*>(controls_.ButtonStop), static_cast<QWidget*>(controls_.ButtonPause),
                           static_cast<QWidget*>(controls_.PB1), static_cast<QWidget*>(controls_.ButtonNext),
                           static_cast<QWidget*>(controls_.ButtonPrev)}) {
    control->setEnabled(true);
  }
  window_.SetStopped(false);
  controls_.PB1->setValue(0);
  PlayCdTrack(currentDrive_, index);
  paused_ = false;
}

void AudioCdMode::pause() {
  paused_ = true;
  controls_.ButtonPause->setEnabled(false);
  window_.SetCaption(QStringLiteral("Pause Audio CD"));
  BASS_ChannelPause(currentStream().get());
}

void AudioCdMode::stop() {
  BASS_ChannelStop(currentStream().get());
  currentStream().reset();
  controls_.ButtonOpen->setEnabled(true);
  QStringList items;
  for (int index = 0; index < controls_.ListBox1->count(); ++index) items << itemText(index);
  window_.SetCaption(items.isEmpty() || currentTrack_ >= items.size() ? QStringLiteral("Audio CD - Stopped")
                                                                      : QStringLiteral("ACD - Stop ") +
                                                                            items[currentTrack_].trimmed());
  meters_.reset();
  paused_ = false;
  showStopped();
}

void AudioCdMode::next() { stepTrack(+1); }
void AudioCdMode::prev() { stepTrack(-1); }

// No wrap-around: at either end the current track starts again.
void AudioCdMode::stepTrack(int step) {
  const int count = controls_.ListBox1->count();
  if (count == 0 || refusedWhileRipping()) return;
  startSelected(qBound(0, currentTrack_ + step, count - 1));
}

void AudioCdMode::seek(int x) {
  if (!currentStream()) return;
  ValueBar* bar = controls_.PB1;
  const BarSeek target = barClickSeek(x, bar->width(), trackLength_, 0, bar->maximum());
  bar->setValue(target.position);
  const DWORD stream = currentStream().get();
  BASS_ChannelSetPosition(stream, BASS_ChannelSeconds2Bytes(stream, target.seconds), BASS_POS_BYTE);
  controls_.ButtonPause->setEnabled(true);
  controls_.ButtonStop->setEnabled(true);
}

// ---- Door and lock ----

void AudioCdMode::open() {
  controls_.ListBox1->clear();
  paused_ = false;
  const DWORD drive = DWORD(currentDrive_);
  BASS_CD_Door(drive, BASS_CD_DoorIsOpen(drive) ? BASS_CD_DOOR_CLOSE : BASS_CD_DOOR_OPEN);
}

void AudioCdMode::LockClick() {
  const DWORD drive = DWORD(currentDrive_);
  const bool unlock = BASS_CD_DoorIsLocked(drive);
  const bool done = BASS_CD_Door(drive, unlock ? BASS_CD_DOOR_UNLOCK : BASS_CD_DOOR_LOCK);
  if (done) lockedHere_.at(std::size_t(drive)) = !unlock;
  setLockGlyph(!unlock);
  setTag(controls_.BLockUnlock, unlock ? 0 : 1);
}

void AudioCdMode::setLockGlyph(bool locked) {
  setGlyph(controls_.BLockUnlock, *modeLayout(PlayMode::AudioCd, locked).lockFace);
}

// ---- Main timer ----

void AudioCdMode::tick() {
  const DWORD stream = currentStream().get();
  const bool playing = BASS_ChannelIsActive(stream) != BASS_ACTIVE_STOPPED && !paused_;
  meters_.update(playing, playing ? BASS_ChannelGetLevel(stream) : 0);
  controls_.PBL->setValue(meters_.leftBar());
  controls_.PBR->setValue(meters_.rightBar());
  if (controls_.Timer1->tag() % 2 == 0) poll();
}

void AudioCdMode::poll() {
  const DWORD drive = DWORD(currentDrive_);
  CdPoll poll;
  poll.doorOpen = BASS_CD_DoorIsOpen(drive);
  setLockGlyph(BASS_CD_DoorIsLocked(drive));
  poll.streamActive = BASS_ChannelIsActive(currentStream().get()) != BASS_ACTIVE_STOPPED;
  poll.ready = BASS_CD_IsReady(drive);
  poll.listEmpty = controls_.ListBox1->count() == 0;
  if (poll.streamActive) showPlaying();
  switch (planCdPoll(poll)) {
    case CdPollAction::FreeStreamAndClear: freeStreamAndClear(); break;
    case CdPollAction::BuildList: BuildCdTrackList(); break;
    case CdPollAction::Nothing: break;
  }
}

void AudioCdMode::showPlaying() {
  const DWORD stream = currentStream().get();
  const int elapsed = int(BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetPosition(stream, BASS_POS_BYTE)));
  showStreamInfo(stream);
  if (trackLength_ > 0) controls_.PB1->setValue(qMin(controls_.PB1->maximum(), elapsed * controls_.PB1->maximum() / trackLength_));
  controls_.ButtonPause->setEnabled(!paused_);
  controls_.ButtonStop->setEnabled(true);
  controls_.Label1->setText(timeTexts_.text(currentTrack_ + 1, elapsed, trackLength_, TimeDisplay::Elapsed));
}

// The disc went away under a stopped or finished stream.
void AudioCdMode::freeStreamAndClear() {
  currentStream().reset();
  controls_.ListBox1->clear();
  stop();
}

// ---- End of a track ----

// The engine's end report, on the window thread. The stream stays open between tracks and is
// only switched, so its end report stays attached.
void AudioCdMode::streamEnded(DWORD channel) {
  const auto ended = std::find_if(streams_.begin(), streams_.end(),
                                  [channel](const StreamHandle& stream) { return stream && stream.get() == channel; });
  if (ended == streams_.end()) return;
  CdTrackEnd end;
  end.streamTrack = int(BASS_CD_StreamGetTrack(channel));
  end.trackCount = int(BASS_CD_GetTracks(DWORD(std::distance(streams_.begin(), ended))));
  end.currentDrive = currentDrive_;
  end.repeat = controls_.ChBoxRep->isChecked();
  applyTrackEnd(planCdTrackEnd(end));
}

void AudioCdMode::applyTrackEnd(const CdTrackEndPlan& plan) {
  if (plan.action == CdTrackEndPlan::Nothing) return;
  if (plan.selectInList) {
    currentTrack_ = plan.next;
    selectItem(plan.next);
  }
  if (plan.action == CdTrackEndPlan::PlayNext) {
    PlayCdTrack(plan.drive, plan.next);
    if (controls_.ListBox1->currentRow() >= 0) window_.SetCaption(playCaption(itemText(currentTrack_)));
  } else if (plan.drive != currentDrive_) {
    streams_.at(std::size_t(plan.drive)).reset();
  } else {
    controls_.PB1->setValue(0);
    BASS_CD_StreamSetTrack(currentStream().get(), 0);
    window_.SetCaption(QStringLiteral("Stop Audio CD"));
    stop();
  }
}

// ---- Closing ----

void AudioCdMode::close() {
  rip_.reset();  // the track under way is abandoned, its work file removed
  BASS_ChannelStop(currentStream().get());
  for (StreamHandle& stream : streams_) stream.reset();
  // The kernel keeps a lock after the player is gone: every door locked here is opened again.
  for (int drive = 0; drive < kMaxCdDrives; ++drive) {
    const bool current = drive == currentDrive_;
    if ((lockedHere_.at(std::size_t(drive)) || current) && BASS_CD_DoorIsLocked(DWORD(drive)))
      BASS_CD_Door(DWORD(drive), BASS_CD_DOOR_UNLOCK);
  }
  BASS_CD_Release(DWORD(currentDrive_));
}

// ---- Ripping ----

void AudioCdMode::RemoveRipMarkers() {
  for (int index = 0; index < controls_.ListBox1->count(); ++index) {
    QListWidgetItem* item = controls_.ListBox1->item(index);
    item->setText(withoutRipMarker(item->text()));
  }
}

bool AudioCdMode::anyStreamPlaying() const {
  return std::any_of(streams_.begin(), streams_.end(), [](const StreamHandle& stream) {
    return stream && BASS_ChannelIsActive(stream.get()) != BASS_ACTIVE_STOPPED;
  });
}

std::vector<ConversionItem> AudioCdMode::ripItems(bool all, const QString& folder, const QString& extension) const {
  const QDir target(folder);
  const int selected = controls_.ListBox1->currentRow();
  std::vector<ConversionItem> items;
  for (int index = 0; index < controls_.ListBox1->count(); ++index) {
    if (!all && index != selected) continue;
    ConversionItem item;
    item.target = target.filePath(ripFileName(itemText(index), extension));
    item.cdDrive = currentDrive_;
    item.cdTrack = index;
    items.push_back(item);
  }
  numberRepeatedTargets(items);
  return items;
}

bool AudioCdMode::startRip(bool all, const ConversionSettings& settings, const QString& folder,
                           const QString& extension, QLabel* label, std::function<void()> finished) {
  if (anyStreamPlaying()) {
    cdWindow_.ShowEngineError(QStringLiteral("First Stop Playing!"));
    return false;
  }
  if (!BASS_CD_SetSpeed(DWORD(currentDrive_), -1)) window_.dialogs().beep();
  RemoveRipMarkers();
  std::vector<ConversionItem> items = ripItems(all, folder, extension);
  if (items.empty()) return false;
  std::vector<int> tracks;
  for (const ConversionItem& item : items) tracks.push_back(item.cdTrack);
  auto prefix = std::make_shared<QString>();
  ConversionRun::Events events{
      [=, this](int item) {
        const int track = tracks[std::size_t(item)];
        *prefix = QStringLiteral("Track %1 ").arg(track + 1);
        label->setText(*prefix);
        selectItem(track);
      },
      [=](int, int percent) { label->setText(*prefix + QStringLiteral("Done %1%").arg(percent)); },
      [this](int, const QString& message) { window_.dialogs().message(window_.dialogParent(), message); },
      [this, finished, several = tracks.size() > 1] {
        // This call comes from the run: it is deleted once the call has returned.
        QTimer::singleShot(0, [run = rip_.release()] { delete run; });
        if (several) selectItem(0);
        finished();
      },
      [=, this](int item, int readErrors) {
        QListWidgetItem* listItem = controls_.ListBox1->item(tracks[std::size_t(item)]);
        if (listItem) listItem->setText(listItem->text() + ripMarker(readErrors));
      },
  };
  rip_ = std::make_unique<ConversionRun>(std::move(items), settings, std::move(events));
  return true;
}

void AudioCdMode::cancelRip() {
  if (rip_) rip_->cancel();
}

// ---- CDDB ----

void AudioCdMode::startLookup(bool firstQueryOfDisc) {
  const char* disc = BASS_CD_GetID(DWORD(currentDrive_), BASS_CDID_CDDB);
  if (!disc) return;
  const CddbSettings settings = cdWindow_.cddbSettings();
  cddb_.start(cddbServerHost(settings.server), QString::fromLatin1(disc), settings, firstQueryOfDisc);
}

void AudioCdMode::lookupDone(const CddbOutcome& outcome) {
  if (outcome.kind == CddbOutcome::SocketError) {
    window_.dialogs().message(window_.dialogParent(), QStringLiteral("Socket Error = (%1) %2")
                                                          .arg(outcome.error)
                                                          .arg(NetErrorText(outcome.error)));
    return;
  }
  const char* discNow = active_ ? BASS_CD_GetID(DWORD(currentDrive_), BASS_CDID_CDDB) : nullptr;
  if (!titlesStillApply(active_, QString::fromLatin1(discNow), outcome.disc)) return;
  if (outcome.kind != CddbOutcome::Entry || !applyTitles(outcome.entry)) askRetry();
}

bool AudioCdMode::applyTitles(const CddbEntry& entry) {
  int applied = 0;
  for (auto title = entry.tracks.cbegin(); title != entry.tracks.cend(); ++title) {
    QListWidgetItem* item = controls_.ListBox1->item(title.key());
    if (!item) continue;
    item->setText(cddbTitledItem(item->text(), title.key(), title.value()));
    ++applied;
  }
  return applied > 0;
}

void AudioCdMode::askRetry() {
  retryQuestionOpen_ = true;
  const bool again = window_.dialogs().confirm(
      window_.dialogParent(), QStringLiteral("CDDB server is busy or CD id is not in CDDB. Tray again?"));
  retryQuestionOpen_ = false;
  if (again && active_) startLookup(false);
}

}  // namespace tavelo
