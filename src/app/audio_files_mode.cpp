#include "app/audio_files_mode.h"
#include "app/glyphs.h"

#include "files/cue_sheet.h"
#include "engine/engine.h"
#include "recording/file_names.h"
#include "util/fields.h"

#include <QCheckBox>
#include <QDir>
#include <QTimer>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QtConcurrent/QtConcurrentRun>
#include <functional>
#include <vector>

namespace tavelo {

namespace {

constexpr QChar kFieldEnd = QLatin1Char('^');

bool isCueSheet(const QString& path) { return fileExtension(path).toLower() == QLatin1String(".cue"); }

QString folderOf(const QString& path) { return QFileInfo(path).absolutePath(); }

// Mouse events of the position bar, the time display and the list, handed to the mode. It knows
// the watched controls by address alone, so an event sent while a control dies reads nothing.
class FilesMouseFilter : public QObject {
 public:
  FilesMouseFilter(AudioFilesMode* mode, const ModeControls& controls)
      : QObject(mode), mode_(mode), bar_(controls.PB1), time_(controls.Label1), hover_(controls.Label30),
        list_(controls.ListBox1->viewport()) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    const QEvent::Type type = event->type();
    if (watched == bar_) {
      if (type == QEvent::MouseButtonRelease) mode_->seek(mouseX(event));
      else if (type == QEvent::MouseMove) mode_->showHoverTime(mouseX(event));
      else if (type == QEvent::Leave) hover_->hide();
    } else if (watched == time_ && type == QEvent::MouseButtonRelease) {
      mode_->toggleTimeDisplay();
    } else if (watched == list_ && type == QEvent::MouseButtonPress) {
      mode_->listMouseDown();
    }
    return false;
  }

 private:
  static int mouseX(QEvent* event) { return int(static_cast<QMouseEvent*>(event)->position().x()); }
  AudioFilesMode* mode_;
  const QObject *bar_, *time_;
  QLabel* hover_;
  const QObject* list_;
};

}  // namespace

// Reads a Play Full Dir folder on a worker thread, so a large or slow folder never freezes the
// window. Only the newest request is answered; an older one still running is dropped.
class FolderScan : public QObject {
 public:
  using Done = std::function<void(const QStringList& paths)>;
  explicit FolderScan(QObject* parent) : QObject(parent) {}

  void start(const QString& chosenFile, const PlayableExtensions& extensions, Done done) {
    const int request = ++latest_;
    auto* watcher = new QFutureWatcher<QStringList>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, request, done = std::move(done)] {
      watcher->deleteLater();
      --running_;
      if (request == latest_) done(watcher->result());
    });
    ++running_;
    watcher->setFuture(QtConcurrent::run(
        [chosenFile, extensions] { return playlistPathsForOpenedFile(chosenFile, true, extensions); }));
  }
  void cancel() { ++latest_; }
  bool running() const { return running_ > 0; }

 private:
  int latest_ = 0;
  int running_ = 0;
};

AudioFilesMode::AudioFilesMode(ModeControls controls, ModeWindow& window, EngineEvents& events)
    : PlaybackMode(controls, window), events_(events), folderScan_(new FolderScan(this)) {
  connectControls();
  installMouseFilter();
}

// The filter goes before the controls it watches, which send events while they are destroyed.
AudioFilesMode::~AudioFilesMode() { removeMouseFilter(); }

void AudioFilesMode::connectControls() {
  connect(controls_.PM1, &QMenu::aboutToShow, this, [this] { menuOpen_ = true; });
  // A menu dismissed without a choice must not keep the selection from following the playing track.
  connect(controls_.PM1, &QMenu::aboutToHide, this, &AudioFilesMode::menuClosed);
  connect(&events_, &EngineEvents::streamEnded, this, &AudioFilesMode::streamEnded);
}

void AudioFilesMode::installMouseFilter() {
  mouseFilter_ = new FilesMouseFilter(this, controls_);
  controls_.PB1->setMouseTracking(true);
  controls_.PB1->installEventFilter(mouseFilter_);
  controls_.Label1->installEventFilter(mouseFilter_);
  controls_.ListBox1->viewport()->installEventFilter(mouseFilter_);
}

void AudioFilesMode::removeMouseFilter() {
  controls_.PB1->removeEventFilter(mouseFilter_);
  controls_.Label1->removeEventFilter(mouseFilter_);
  controls_.ListBox1->viewport()->removeEventFilter(mouseFilter_);
}

void AudioFilesMode::enter() {
  active_ = true;
  if (layout(false).clearCueRecord) cueRecord_.clear();
}

void AudioFilesMode::leave() { active_ = false; }

bool AudioFilesMode::folderScanRunning() const { return folderScan_->running(); }

QString AudioFilesMode::itemText(int index) const {
  const QListWidgetItem* item = controls_.ListBox1->item(index);
  return item ? item->text() : QString();
}

QStringList AudioFilesMode::itemTexts() const {
  QStringList texts;
  texts.reserve(controls_.ListBox1->count());
  for (int index = 0; index < controls_.ListBox1->count(); ++index) texts.append(itemText(index));
  return texts;
}

void AudioFilesMode::selectItem(int index) {
  if (index >= 0 && index < controls_.ListBox1->count()) controls_.ListBox1->setCurrentRow(index);
}

// ---- Transport ----

bool AudioFilesMode::MyBassPlay(const QString& path, int track) {
  stream_.reset();
  mciMidi_ = false;
  controls_.Timer1->stop();
  stream_.reset(createFileStream(path));
  if (stream_) {
    events_.watchEnd(stream_.get());
    window_.EqualizeNewStream(stream_.get());
    startTrack(track);
  }
  if (trackLength_ == 0) trackLength_ = 1;
  return bool(stream_);
}

std::uint32_t AudioFilesMode::createFileStream(const QString& path) {
  if (isMidiFile(path)) return createMidiStream(path);
  FreeSoundFonts();
  const QByteArray file = QFile::encodeName(path);
  const DWORD flags = window_.SampleFloat() ? DWORD{BASS_SAMPLE_FLOAT} : DWORD{0};
  return BASS_StreamCreateFile(0, file.constData(), 0, 0, flags);
}

double AudioFilesMode::fileLengthSeconds() const {
  return BASS_ChannelBytes2Seconds(stream_.get(), BASS_ChannelGetLength(stream_.get(), BASS_POS_BYTE));
}

void AudioFilesMode::startTrack(int track) {
  const DWORD stream = stream_.get();
  trackLength_ = playedTrackLength(cueRecord_, track, fileLengthSeconds());
  if (track > 0) {
    const QWORD start = BASS_ChannelSeconds2Bytes(stream, cueTrackStart(cueRecord_, track));
    BASS_ChannelSetPosition(stream, start, BASS_POS_BYTE);
  }
  BASS_ChannelPlay(stream, 0);
  if (track > 0) {
    selectItem(track);
    currentTrack_ = track;
  }
  controls_.Label9->setText(timeScaleText(trackLength_));
  bitRate_.restart();
  controls_.Timer1->start();
}

void AudioFilesMode::enableTransport() {
  for (QWidget* control : {static_cast<QWidget*>(controls_.ButtonPause), static_cast<QWidget*>(controls_.ButtonPlay),
                           static_cast<QWidget*>(controls_.ButtonStop), static_cast<QWidget*>(controls_.ButtonNext),
                           static_cast<QWidget*>(controls_.ButtonPrev), static_cast<QWidget*>(controls_.PB1)}) {
    control->setEnabled(true);
  }
  window_.SetStopped(false);
}

// A file that cannot be played leaves the player stopped and says so, rather than showing
// "Play" over silence.
void AudioFilesMode::reportUnplayable() {
  stop();
  window_.SetCaption(QString::fromLatin1(kUnsupportedFileFormat));
}

// Starts entry index of the list (a CUE track when a CUE record is loaded) from its beginning.
void AudioFilesMode::playEntry(int index) {
  currentTrack_ = index;
  selectItem(index);
  window_.SetCaption(playCaption(itemText(index)));
  const bool started = cueRecord_.isEmpty() ? MyBassPlay(pathList_.value(index), 0)
                                            : MyBassPlay(cueRecord_.audio, index);
  paused_ = false;
  controls_.PB1->setValue(0);
  enableTransport();
  if (!started) reportUnplayable();
}

void AudioFilesMode::play() {
  QListWidget* list = controls_.ListBox1;
  if (list->count() == 0) return;
  if (list->currentRow() < 0) selectItem(0);
  const int selected = trackIndexToPlay(list->currentRow(), !cueRecord_.isEmpty());
  // Resuming plays on where the pause was; another entry chosen meanwhile starts afresh.
  if (paused_ && selected == currentTrack_) {
    BASS_ChannelPlay(stream_.get(), 0);
    controls_.ButtonPause->setEnabled(true);
    window_.SetCaption(playCaption(itemText(currentTrack_)));
    paused_ = false;
  } else {
    playEntry(selected);
  }
}

void AudioFilesMode::playChosenEntry() {
  paused_ = false;
  play();
}

void AudioFilesMode::pause() {
  if (mciMidi_) return;
  if (paused_) {
    window_.SetCaption(playCaption(itemText(currentTrack_)));
    BASS_ChannelPlay(stream_.get(), 0);
  } else {
    window_.SetCaption(pauseCaption(itemText(currentTrack_)));
    BASS_ChannelPause(stream_.get());
  }
  paused_ = !paused_;
}

void AudioFilesMode::stop() {
  controls_.Timer1->stop();
  mciMidi_ = false;
  if (BASS_ChannelIsActive(stream_.get()) != BASS_ACTIVE_STOPPED) stream_.reset();
  window_.SetCaption(stopCaption(itemTexts(), currentTrack_));
  meters_.reset();
  paused_ = false;
  showStopped();
}

void AudioFilesMode::next() { stepTrack(TrackStep::Next); }

void AudioFilesMode::prev() { stepTrack(TrackStep::Prev); }

void AudioFilesMode::stepTrack(TrackStep step) {
  const std::optional<int> index =
      steppedTrackIndex(step, currentTrack_, controls_.ListBox1->count(), !cueRecord_.isEmpty());
  if (index) playEntry(*index);
}

void AudioFilesMode::seek(int x) {
  ValueBar* bar = controls_.PB1;
  const int cueStart = cueRecord_.isEmpty() ? 0 : cueTrackStart(cueRecord_, currentTrack_);
  const BarSeek target = barClickSeek(x, bar->width(), trackLength_, cueStart, bar->maximum());
  bar->setValue(target.position);
  BASS_ChannelSetPosition(stream_.get(), BASS_ChannelSeconds2Bytes(stream_.get(), target.seconds), BASS_POS_BYTE);
  controls_.ButtonPause->setEnabled(true);
  controls_.ButtonStop->setEnabled(true);
}

void AudioFilesMode::showHoverTime(int x) {
  ValueBar* bar = controls_.PB1;
  QLabel* label = controls_.Label30;
  const int barLeft = bar->x();
  const HoverTime hover =
      barHoverTime(x, bar->width(), trackLength_, controls_.Panel2->width() - barLeft, bar->maximum());
  label->move(barLeft + hover.labelLeft, label->y());
  label->setText(hover.text);
  label->show();
  label->raise();
}

void AudioFilesMode::toggleTimeDisplay() { timeDisplay_ = toggledTimeDisplay(timeDisplay_); }

// ---- Main timer ----

void AudioFilesMode::updateMeters(bool playing) {
  meters_.update(playing, playing ? BASS_ChannelGetLevel(stream_.get()) : 0);
  controls_.PBL->setValue(meters_.leftBar());
  controls_.PBR->setValue(meters_.rightBar());
}

void AudioFilesMode::tick() {
  if (listIdle_.tick(window_.IsStopped(), menuOpen_)) selectItem(currentTrack_);
  const DWORD stream = stream_.get();
  const bool active = BASS_ChannelIsActive(stream) != BASS_ACTIVE_STOPPED;
  updateMeters(active && !paused_);
  FilesTick tick;
  tick.streamActive = active;
  tick.positionSeconds = BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetPosition(stream, BASS_POS_BYTE));
  if (!cueRecord_.isEmpty()) tick.fileLengthSeconds = fileLengthSeconds();
  tick.cue = &cueRecord_;
  tick.currentIndex = currentTrack_;
  tick.itemCount = controls_.ListBox1->count();
  tick.trackLength = trackLength_;
  tick.repeat = controls_.ChBoxRep->isChecked();
  tick.timeDisplay = timeDisplay_;
  const FilesTickPlan plan = planFilesTick(tick, timeTexts_);

  showStreamInfo(stream);
  if (plan.bar) controls_.PB1->setValue(*plan.bar);
  controls_.ButtonPause->setEnabled(true);
  controls_.ButtonStop->setEnabled(true);
  controls_.Label1->setText(plan.timeText);
  if (plan.endOfStream) applyEndOfStream(*plan.endOfStream);
  else if (plan.crossing) applyCueCrossing(plan.crossing->track, plan.crossing->trackLength);
}

// The engine's end report moves on at once instead of at the next tick. A report of a stream
// already replaced, or one that comes while the main timer is off, changes nothing.
void AudioFilesMode::streamEnded(DWORD channel) {
  if (active_ && channel == stream_.get() && controls_.Timer1->isActive()) tick();
}

// A plain list goes on with its next entry, a CUE sheet with Repeat starts again at track 1.
void AudioFilesMode::applyEndOfStream(const EndOfStreamAction& action) {
  if (action.playNext) playEntry(action.index);
  else finishList(action.index);
}

// The last entry has ended: stopped, the first entry selected.
void AudioFilesMode::finishList(int selectedIndex) {
  controls_.Timer1->stop();
  stream_.reset();
  controls_.ButtonPause->setEnabled(false);
  controls_.ButtonStop->setEnabled(false);
  controls_.PB1->setEnabled(false);
  window_.SetStopped(true);
  currentTrack_ = selectedIndex;
  controls_.Label1->setText(stoppedTimeDisplayText(controls_.ListBox1->count()));
  controls_.Label9->setText(FormatMinSec(0));
  controls_.PB1->setValue(0);
  selectItem(selectedIndex);
  window_.SetCaption(QString::fromLatin1(kStoppedCaption));
}

// The file plays on into the next CUE track; only the display follows.
void AudioFilesMode::applyCueCrossing(int track, int trackLength) {
  currentTrack_ = track;
  trackLength_ = trackLength;
  selectItem(track);
  controls_.Label9->setText(timeScaleText(trackLength));
  controls_.PB1->setValue(0);
  window_.SetCaption(playCaption(itemText(track)));
}

// ---- Opening files, folders and CUE sheets ----

void AudioFilesMode::open() {
  FileDialogSettings& dialog = window_.OpenDialog();
  dialog.fileName.clear();
  dialog.multiSelect = false;
  const QString chosen = window_.dialogs().openFiles(window_.dialogParent(), dialog).value(0);
  if (!chosen.isEmpty()) openChosen(chosen);
}

// A file handed over skips the mode switch, which would otherwise have set up the add button.
void AudioFilesMode::openGivenFile(const QString& path) {
  QFont bold = controls_.BLockUnlock->font();
  bold.setBold(true);
  controls_.BLockUnlock->setFont(bold);
  setGlyph(controls_.BLockUnlock, QStringLiteral("+"));
  controls_.BLockUnlock->show();
  openChosen(path);
}

void AudioFilesMode::openDroppedFiles(const QStringList& paths) {
  if (paths.isEmpty()) return;
  const QString chosen = paths.constFirst();
  window_.OpenDialog().fileName = chosen;
  folderScan_->cancel();
  if (isCueSheet(chosen)) {
    openCueSheet(chosen);
    return;
  }
  QStringList dropped = paths;
  sortPathsCaseInsensitive(dropped);
  cueRecord_.clear();
  controls_.ListBox1->clear();
  fillPlaylist(dropped);
  playOpenedFile(chosen);
}

void AudioFilesMode::openChosen(const QString& chosen) {
  window_.OpenDialog().fileName = chosen;
  folderScan_->cancel();
  if (isCueSheet(chosen)) openCueSheet(chosen);
  else openChosenFile(chosen);
}

void AudioFilesMode::openChosenFile(const QString& path) {
  cueRecord_.clear();
  controls_.ListBox1->clear();
  pathList_.clear();
  currentTrack_ = 0;
  window_.OpenDialog().initialDir = folderOf(path);
  const PlayableExtensions extensions = window_.Playable();
  // A missing file has no folder worth reading: it is reported at once.
  if (!controls_.CheckBoxFullDir->isChecked() || !extensions.contains(path) || !QFileInfo::exists(path)) {
    fillPlaylist({path});
    playOpenedFile(path);
    return;
  }
  folderScan_->start(path, extensions, [this, path](const QStringList& paths) {
    if (!active_) return;  // the user left the mode while the folder was read
    fillPlaylist(paths.isEmpty() ? QStringList{path} : paths);
    playOpenedFile(path);
  });
}

void AudioFilesMode::fillPlaylist(const QStringList& paths) {
  pathList_ = paths;
  controls_.ListBox1->addItems(playlistItemTexts(paths));
  window_.FitWindowToList();
}

void AudioFilesMode::playOpenedFile(const QString& chosenFile) {
  currentTrack_ = playlistIndexOf(pathList_, chosenFile);
  selectItem(currentTrack_);
  if (!MyBassPlay(pathList_.value(currentTrack_), 0)) {
    controls_.ListBox1->clear();
    pathList_.clear();
    reportUnplayable();
    return;
  }
  window_.SetCaption(playCaption(itemText(currentTrack_)));
  enableTransport();
  controls_.ButtonOpen->setEnabled(true);
  paused_ = false;
}

void AudioFilesMode::openCueSheet(const QString& cuePath) {
  if (loadCueSheet(cuePath)) return;
  loadCueFileList(cuePath);
  cueRecord_.clear();
  window_.FitWindowToList();
  playOpenedFile(cuePath);
}

// True when the sheet is dealt with (playing, or its failure shown); false when it names
// several files and is to be loaded as a plain playlist.
bool AudioFilesMode::loadCueSheet(const QString& cuePath) {
  const CueSheetResult sheet = LoadCueSheet(cuePath, window_.Playable());
  if (sheet.kind == CueSheetKind::Error) {
    window_.dialogs().message(window_.dialogParent(), sheet.message);  // the list and what plays stay
    return true;
  }
  controls_.ListBox1->clear();
  pathList_.clear();
  if (sheet.kind == CueSheetKind::MultiFile) {
    stop();
    window_.SetCaption(QString::fromLatin1(kCueFileError));
    return false;
  }
  cueRecord_ = sheet.record;
  controls_.ListBox1->addItems(sheet.items);
  if (!MyBassPlay(sheet.record.audio, 1)) {
    controls_.ListBox1->clear();
    cueRecord_.clear();
    reportUnplayable();
    return true;
  }
  window_.SetCaption(playCaption(itemText(currentTrack_)));
  enableTransport();
  window_.FitWindowToList();
  paused_ = false;
  controls_.ButtonOpen->setEnabled(true);
  window_.OpenDialog().initialDir = folderOf(cuePath);
  return true;
}

void AudioFilesMode::loadCueFileList(const QString& cuePath) {
  const CueFileList list = LoadCueFileList(cuePath, window_.Playable());
  pathList_ = list.paths;
  controls_.ListBox1->addItems(list.items);
  window_.OpenDialog().initialDir = folderOf(cuePath);
}

// ---- Editing the list ----

void AudioFilesMode::addFiles() {
  Dialogs& dialogs = window_.dialogs();
  if (!cueRecord_.isEmpty()) {
    dialogs.message(window_.dialogParent(), QString::fromLatin1(kCantAddToCueList));
    return;
  }
  FileDialogSettings& dialog = window_.OpenDialog();
  dialog.fileName.clear();
  dialog.multiSelect = true;
  const QStringList chosen = dialogs.openFiles(window_.dialogParent(), dialog);
  dialog.multiSelect = false;
  if (chosen.isEmpty()) return;
  const FilesToAdd added = filesToAdd(chosen);
  for (int skipped = 0; skipped < added.cueSheetsSkipped; ++skipped)
    dialogs.message(window_.dialogParent(), QString::fromLatin1(kCantAddCueList));
  QListWidget* list = controls_.ListBox1;
  // Entering the mode empties the list but not the path list; item i must still play path i.
  pathList_ = pathList_.mid(0, list->count()) + added.paths;
  list->addItems(playlistItemTexts(added.paths));
  controls_.ButtonPlay->setEnabled(list->count() > 0);
  dialog.initialDir = folderOf(chosen.constFirst());
  if (list->currentRow() < 0) selectItem(0);
  window_.FitWindowToList();
}

void AudioFilesMode::listMouseDown() {
  listIdle_.reset();
  menuOpen_ = false;
}

void AudioFilesMode::listContextPopup(const QPoint& position) {
  QListWidget* list = controls_.ListBox1;
  if (QListWidgetItem* item = list->itemAt(position)) list->setCurrentItem(item);
  contextItem_ = list->currentRow();
  if (!active_ || contextItem_ < 0 || contextItem_ >= list->count()) return;
  controls_.PM1->popup(list->viewport()->mapToGlobal(position) + QPoint(6, 6));
}

void AudioFilesMode::deleteContextItem() {
  Dialogs& dialogs = window_.dialogs();
  QListWidget* list = controls_.ListBox1;
  const QString refusal =
      deleteRefusal(!cueRecord_.isEmpty(), contextItem_, currentTrack_, controls_.Timer1->isActive());
  if (!refusal.isEmpty()) {
    dialogs.message(window_.dialogParent(), refusal);
  } else if (contextItem_ >= 0 && contextItem_ < list->count() &&
             dialogs.confirm(window_.dialogParent(), deleteQuestion(itemText(contextItem_)))) {
    delete list->takeItem(contextItem_);
    if (contextItem_ < pathList_.size()) pathList_.removeAt(contextItem_);
    currentTrack_ = currentIndexAfterDelete(contextItem_, currentTrack_);
    selectItem(currentTrack_);
  }
  menuClosed();
}

// ---- MIDI through SoundFonts ----

// True when at least one font of the list is in use. A list of fonts that all fail to open
// counts as failure, so that the file plays through the system font rather than without fonts.
bool AudioFilesMode::LoadSoundFonts(bool force) {
  if (fonts_[0] && !force) return true;
  FreeSoundFonts();
  std::vector<BASS_MIDI_FONT> fonts;
  const QString list = window_.SoundFontList() + kFieldEnd;
  for (int entry = 1; entry <= kSoundFontSlots; ++entry) {
    const QString path = GetField(list, entry, 1, kFieldEnd);
    const HSOUNDFONT font = path.isEmpty() ? 0 : BASS_MIDI_FontInit(QFile::encodeName(path).constData(), 0);
    if (font == 0) continue;
    fonts_[fonts.size()].reset(font);
    fonts.push_back({font, -1, 0});
  }
  const DWORD count = DWORD(fonts.size());
  bool accepted = BASS_MIDI_StreamSetFonts(0, fonts.data(), count);
  if (stream_) accepted = BASS_MIDI_StreamSetFonts(stream_.get(), fonts.data(), count);
  return accepted && count > 0;
}

void AudioFilesMode::FreeSoundFonts() {
  for (FontHandle& font : fonts_) font.reset();
}

std::uint32_t AudioFilesMode::createMidiStream(const QString& path) {
  const QByteArray file = QFile::encodeName(path);
  if (LoadSoundFonts(false)) return BASS_MIDI_StreamCreateFile(0, file.constData(), 0, 0, BASS_MIDI_NOFX, 0);
  const HSTREAM stream = BASS_StreamCreateFile(0, file.constData(), 0, 0, 0);
  mciMidi_ = stream != 0;
  return stream;
}

void AudioFilesMode::releaseEngine() {
  conversion_.reset();  // the item under way is abandoned, its work file removed
  folderScan_->cancel();
  stream_.reset();
  FreeSoundFonts();
}

// ---- Conversion ----

std::vector<ConversionItem> AudioFilesMode::conversionItems(bool all, const QString& folder,
                                                            const QString& extension) const {
  const QDir target(folder);
  const int selected = controls_.ListBox1->currentRow();
  std::vector<ConversionItem> items;
  for (int index = 0; index < controls_.ListBox1->count(); ++index) {
    if (!all && index != selected) continue;
    if (cueRecord_.isEmpty()) {
      items.push_back({pathList_.value(index), -1, -1, target.filePath(convertedFileName(pathList_.value(index), extension))});
    } else if (index >= 1 && index <= cueTrackCount(cueRecord_)) {
      const bool last = index == cueTrackCount(cueRecord_);
      items.push_back({cueRecord_.audio, double(cueTrackStart(cueRecord_, index)),
                       last ? -1.0 : double(cueTrackStart(cueRecord_, index + 1)),
                       target.filePath(cueTrackFileName(index, cueTrackTitle(cueRecord_, index), extension))});
    } else if (index == 0 && !all) {
      items.push_back({cueRecord_.audio, -1, -1, target.filePath(convertedFileName(cueRecord_.audio, extension))});
    }
  }
  numberRepeatedTargets(items);
  return items;
}

// "Track 2 of 3 " with All Tracks, else "Track 2 "; a CUE sheet counts its tracks, not its header.
static QString conversionPrefix(bool all, int number, int count) {
  return all ? QStringLiteral("Track %1 of %2 ").arg(number).arg(count) : QStringLiteral("Track %1 ").arg(number);
}

bool AudioFilesMode::startConversion(bool all, const ConversionSettings& settings, const QString& folder,
                                     const QString& extension, QLabel* label, std::function<void()> finished) {
  std::vector<ConversionItem> items = conversionItems(all, folder, extension);
  if (items.empty()) return false;
  const bool cue = !cueRecord_.isEmpty();
  const int count = cue ? controls_.ListBox1->count() - 1 : controls_.ListBox1->count();
  // The number each item shows: its list index (+1 for a plain list), the CUE track as it is.
  std::vector<int> numbers;
  for (int index = 0; index < controls_.ListBox1->count(); ++index) {
    if (!all && index != controls_.ListBox1->currentRow()) continue;
    if (!cue || index >= 1 || !all) numbers.push_back(cue ? index : index + 1);
  }
  auto prefix = std::make_shared<QString>();
  ConversionRun::Events events{
      [=](int item) {
        const int number = numbers[std::size_t(item)];
        *prefix = cue && number == 0 ? QString() : conversionPrefix(all, number, count);
        label->setText(*prefix);
      },
      [=](int, int percent) { label->setText(*prefix + QStringLiteral("Done %1%").arg(percent)); },
      [this](int, const QString& message) { window_.dialogs().message(window_.dialogParent(), message); },
      [this, finished] {
        // This call comes from the run: it is deleted once the call has returned.
        QTimer::singleShot(0, [run = conversion_.release()] { delete run; });
        finished();
      },
  };
  conversion_ = std::make_unique<ConversionRun>(std::move(items), settings, std::move(events));
  return true;
}

void AudioFilesMode::cancelConversion() {
  if (conversion_) conversion_->cancel();
}

}  // namespace tavelo
