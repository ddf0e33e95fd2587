// The Audio Files playlist: opening files, folders and CUE sheets, Prev/Next, adding and
// deleting entries, the list's context menu and fitting the window to the list.
#include "app/form.h"
#include "app/glyphs.h"
#include "app/tags.h"

#include "cue_sheet.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QGuiApplication>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>
#include <functional>

namespace {

constexpr int kFilesMode = 0;
constexpr int kOpenGivenPath = 1;
constexpr int kOpenDroppedFiles = 2;
constexpr int kListExtraHeight = 189;
constexpr int kScreenBottomMargin = 30;
constexpr double kItemHeightFactor = 1.142;

bool isCueSheet(const QString& path) { return fileExtension(path).toLower() == QLatin1String(".cue"); }

QString folderOf(const QString& path) { return QFileInfo(path).absolutePath(); }

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

void TFormMyTavelo::CreateFolderScan() { folderScan_ = new FolderScan(this); }

bool TFormMyTavelo::FolderScanRunning() const { return folderScan_->running(); }

PlayableExtensions TFormMyTavelo::Playable() const { return PlayableExtensions(ExtensionList); }

void TFormMyTavelo::ButtonOpenClick() {
  // The Audio CD door command arrives with CD playback; in Net Radio the button does nothing.
  if (CurrentMode == kFilesMode) OpenInAudioFilesMode(tagOf(ButtonOpen));
}

// request: 0 asks with the open dialog, 1 opens path-list entry 0, 2 the dropped files in the path list.
void TFormMyTavelo::OpenInAudioFilesMode(int request) {
  QString chosen = PathList.value(0);
  if (request != kOpenGivenPath && request != kOpenDroppedFiles) {
    OpenDialog1.fileName.clear();
    OpenDialog1.multiSelect = false;
    chosen = dialogs_.openFiles(this, OpenDialog1).value(0);
    if (chosen.isEmpty()) return;
  }
  if (request == kOpenGivenPath) ShowAddButton();
  OpenDialog1.fileName = chosen;
  folderScan_->cancel();
  if (isCueSheet(chosen)) {
    OpenCueSheet(chosen);
  } else if (request == kOpenDroppedFiles) {
    QStringList dropped = PathList;
    sortPathsCaseInsensitive(dropped);
    Cue.clear();
    ListBox1->clear();
    FillPlaylist(dropped);
    PlayOpenedFile(chosen);
  } else {
    OpenChosenFile(chosen);
  }
}

// A file handed over skips the mode switch, which would otherwise have set up the add button.
void TFormMyTavelo::ShowAddButton() {
  QFont bold = BLockUnlock->font();
  bold.setBold(true);
  BLockUnlock->setFont(bold);
  setGlyph(BLockUnlock, QStringLiteral("+"));
  BLockUnlock->show();
}

void TFormMyTavelo::OpenChosenFile(const QString& path) {
  Cue.clear();
  ListBox1->clear();
  PathList.clear();
  CurrentTrack = 0;
  OpenDialog1.initialDir = folderOf(path);
  const PlayableExtensions extensions = Playable();
  // A missing file has no folder worth reading: it is reported at once.
  if (!CheckBoxFullDir->isChecked() || !extensions.contains(path) || !QFileInfo::exists(path)) {
    FillPlaylist({path});
    PlayOpenedFile(path);
    return;
  }
  folderScan_->start(path, extensions, [this, path](const QStringList& paths) {
    if (CurrentMode != kFilesMode) return;  // the user left the mode while the folder was read
    FillPlaylist(paths.isEmpty() ? QStringList{path} : paths);
    PlayOpenedFile(path);
  });
}

void TFormMyTavelo::FillPlaylist(const QStringList& paths) {
  PathList = paths;
  ListBox1->addItems(playlistItemTexts(paths));
  FitListWidth(ListBox1);
  FitWindowToList();
}

void TFormMyTavelo::PlayOpenedFile(const QString& chosenFile) {
  CurrentTrack = playlistIndexOf(PathList, chosenFile);
  SelectItem(CurrentTrack);
  if (!MyBassPlay(PathList.value(CurrentTrack), 0)) {
    ListBox1->clear();
    PathList.clear();
    ReportUnplayable();
    return;
  }
  SetCaption(playCaption(ItemText(CurrentTrack)));
  EnableTransport();
  ButtonOpen->setEnabled(true);
  Paused = false;
}

void TFormMyTavelo::OpenCueSheet(const QString& cuePath) {
  if (LoadCueSheet(cuePath)) return;
  LoadCueFileList(cuePath);
  Cue.clear();
  FitListWidth(ListBox1);
  FitWindowToList();
  PlayOpenedFile(cuePath);
}

// True when the sheet is dealt with (playing, or its failure shown); false when it names
// several files and is to be loaded as a plain playlist.
bool TFormMyTavelo::LoadCueSheet(const QString& cuePath) {
  const CueSheetResult sheet = ::LoadCueSheet(cuePath, Playable());
  if (sheet.kind == CueSheetKind::Error) {
    dialogs_.message(this, sheet.message);  // the list and what plays stay as they were
    return true;
  }
  ListBox1->clear();
  PathList.clear();
  if (sheet.kind == CueSheetKind::MultiFile) {
    ButtonStopClick();
    SetCaption(QString::fromLatin1(kCueFileError));
    return false;
  }
  Cue = sheet.record;
  ListBox1->addItems(sheet.items);
  if (!MyBassPlay(sheet.record.audio, 1)) {
    ListBox1->clear();
    Cue.clear();
    ReportUnplayable();
    return true;
  }
  SetCaption(playCaption(ItemText(CurrentTrack)));
  EnableTransport();
  FitListWidth(ListBox1);
  FitWindowToList();
  Paused = false;
  ButtonOpen->setEnabled(true);
  OpenDialog1.initialDir = folderOf(cuePath);
  return true;
}

void TFormMyTavelo::LoadCueFileList(const QString& cuePath) {
  const CueFileList list = ::LoadCueFileList(cuePath, Playable());
  PathList = list.paths;
  ListBox1->addItems(list.items);
  OpenDialog1.initialDir = folderOf(cuePath);
}

void TFormMyTavelo::ButtonPrevClick() { StepTrack(TrackStep::Prev); }

void TFormMyTavelo::ButtonNextClick() { StepTrack(TrackStep::Next); }

// No wrap-around: at either end the current entry starts again. The Audio CD steps arrive with
// CD playback.
void TFormMyTavelo::StepTrack(TrackStep step) {
  if (CurrentMode != kFilesMode) return;
  const std::optional<int> index = steppedTrackIndex(step, CurrentTrack, ListBox1->count(), !Cue.isEmpty());
  if (index) PlayEntry(*index);
}

void TFormMyTavelo::BLockUnlockClick() {
  // The Audio CD door lock arrives with CD playback.
  if (CurrentMode == kFilesMode) AddFiles();
}

void TFormMyTavelo::AddFiles() {
  if (!Cue.isEmpty()) {
    dialogs_.message(this, QString::fromLatin1(kCantAddToCueList));
    return;
  }
  OpenDialog1.fileName.clear();
  OpenDialog1.multiSelect = true;
  const QStringList chosen = dialogs_.openFiles(this, OpenDialog1);
  OpenDialog1.multiSelect = false;
  if (chosen.isEmpty()) return;
  const FilesToAdd added = filesToAdd(chosen);
  for (int skipped = 0; skipped < added.cueSheetsSkipped; ++skipped)
    dialogs_.message(this, QString::fromLatin1(kCantAddCueList));
  // Entering the mode empties the list but not the path list; item i must still play path i.
  PathList = PathList.mid(0, ListBox1->count()) + added.paths;
  ListBox1->addItems(playlistItemTexts(added.paths));
  ButtonPlay->setEnabled(ListBox1->count() > 0);
  OpenDialog1.initialDir = folderOf(chosen.constFirst());
  if (ListBox1->currentRow() < 0) SelectItem(0);
  FitListWidth(ListBox1);
  FitWindowToList();
}

void TFormMyTavelo::ListBox1MouseDown() {
  ListIdle.reset();
  setTag(PM1, 0);
}

void TFormMyTavelo::ListBox1ContextPopup(const QPoint& position) {
  if (QListWidgetItem* item = ListBox1->itemAt(position)) ListBox1->setCurrentItem(item);
  ContextItem = ListBox1->currentRow();
  if (CurrentMode != kFilesMode || ContextItem < 0 || ContextItem >= ListBox1->count()) return;
  PM1->popup(ListBox1->viewport()->mapToGlobal(position) + QPoint(6, 6));
}

void TFormMyTavelo::DeletetrackfromlistClick() {
  const QString refusal = deleteRefusal(!Cue.isEmpty(), ContextItem, CurrentTrack, Timer1->isActive());
  if (!refusal.isEmpty()) {
    dialogs_.message(this, refusal);
  } else if (ContextItem >= 0 && ContextItem < ListBox1->count() &&
             dialogs_.confirm(this, deleteQuestion(ItemText(ContextItem)))) {
    delete ListBox1->takeItem(ContextItem);
    if (ContextItem < PathList.size()) PathList.removeAt(ContextItem);
    CurrentTrack = currentIndexAfterDelete(ContextItem, CurrentTrack);
    SelectItem(CurrentTrack);
  }
  setTag(PM1, 0);
}

// The list view measures its widest item itself at its next layout, so a horizontal scroll
// bar as needed is all it takes; forcing the layout here would hold up the start of playback
// (60 ms for 5,000 items).
void TFormMyTavelo::FitListWidth(QListWidget* list) { list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded); }

// Tall enough for the list (at least the designed height), never past the screen's bottom.
void TFormMyTavelo::FitWindowToList() {
  const int itemHeight = ListBox1->count() > 0 ? ListBox1->sizeHintForRow(0) : fontMetrics().height();
  int height = int(ListBox1->count() * itemHeight * kItemHeightFactor) + FrameHeight + kListExtraHeight;
  height = std::max(height, FrameHeight + kFilesClientHeight);
  if (const QScreen* screen = this->screen()) {
    const int bottomLimit = screen->geometry().height() - kScreenBottomMargin;
    if (geometry().top() + height > bottomLimit) height = bottomLimit - geometry().top();
  }
  resize(width(), height);
}
