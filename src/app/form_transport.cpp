// Audio Files transport: opening a file through the engine and the Play, Pause and Stop buttons.
#include "app/form.h"
#include "app/settings_panel.h"
#include "app/tags.h"

#include "cue_sheet.h"
#include "engine/engine.h"
#include "fields.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTimer>

namespace {

constexpr int kFilesMode = 0;
constexpr int kCdMode = 1;

}  // namespace

void TFormMyTavelo::ConnectFilesControls() {
  connect(ButtonPlay, &QPushButton::clicked, this, &TFormMyTavelo::ButtonPlayClick);
  connect(ButtonPause, &QPushButton::clicked, this, &TFormMyTavelo::ButtonPauseClick);
  connect(ButtonStop, &QPushButton::clicked, this, &TFormMyTavelo::ButtonStopClick);
  connect(ButtonOpen, &QPushButton::clicked, this, &TFormMyTavelo::ButtonOpenClick);
  connect(ButtonPrev, &QPushButton::clicked, this, &TFormMyTavelo::ButtonPrevClick);
  connect(ButtonNext, &QPushButton::clicked, this, &TFormMyTavelo::ButtonNextClick);
  connect(BLockUnlock, &QPushButton::clicked, this, &TFormMyTavelo::BLockUnlockClick);
  connect(ListBox1, &QListWidget::itemDoubleClicked, this, &TFormMyTavelo::ListBox1DblClick);
  connect(ListBox1, &QWidget::customContextMenuRequested, this, &TFormMyTavelo::ListBox1ContextPopup);
  connect(PM1->findChild<QAction*>(QStringLiteral("Playtrack1")), &QAction::triggered, this,
          &TFormMyTavelo::Playtrack1Click);
  connect(PM1->findChild<QAction*>(QStringLiteral("Deletetrackfromlist")), &QAction::triggered, this,
          &TFormMyTavelo::DeletetrackfromlistClick);
  connect(PM1, &QMenu::aboutToShow, this, [this] { setTag(PM1, 1); });
  // A menu dismissed without a choice must not keep the selection from following the playing track.
  connect(PM1, &QMenu::aboutToHide, this, [this] { setTag(PM1, 0); });
  connect(Timer1, &QTimer::timeout, this, &TFormMyTavelo::Timer1Timer);
  InstallFilesMouseFilter();
  CreateFolderScan();
}

void TFormMyTavelo::SetCaption(const QString& caption) {
  setWindowTitle(caption);
  TrayIcon1->setToolTip(caption);
}

QString TFormMyTavelo::ItemText(int index) const {
  const QListWidgetItem* item = ListBox1->item(index);
  return item ? item->text() : QString();
}

QStringList TFormMyTavelo::ItemTexts() const {
  QStringList texts;
  texts.reserve(ListBox1->count());
  for (int index = 0; index < ListBox1->count(); ++index) texts.append(ListBox1->item(index)->text());
  return texts;
}

void TFormMyTavelo::SelectItem(int index) {
  if (index >= 0 && index < ListBox1->count()) ListBox1->setCurrentRow(index);
}

// Opens path through the engine and starts it; track > 0 plays that track of the CUE record.
bool TFormMyTavelo::MyBassPlay(const QString& path, int track) {
  BASS_StreamFree(FileStream);
  FileStream = 0;
  MciMidi = false;
  Timer1->stop();
  FileStream = CreateFileStream(path);
  if (FileStream) StartTrack(FileStream, track);
  if (PB1->tag() == 0) PB1->setTag(1);
  return FileStream != 0;
}

std::uint32_t TFormMyTavelo::CreateFileStream(const QString& path) {
  if (isMidiFile(path)) return CreateMidiStream(path);
  FreeSoundFonts();
  const QByteArray file = QFile::encodeName(path);
  return BASS_StreamCreateFile(0, file.constData(), 0, 0, settingsPanel_->options().sampleFloat ? DWORD{BASS_SAMPLE_FLOAT} : DWORD{0});
}

double TFormMyTavelo::FileLengthSeconds() const {
  return BASS_ChannelBytes2Seconds(FileStream, BASS_ChannelGetLength(FileStream, BASS_POS_BYTE));
}

void TFormMyTavelo::StartTrack(std::uint32_t stream, int track) {
  const int length = playedTrackLength(CueRecord, track, FileLengthSeconds());
  PB1->setTag(length);
  if (track > 0) {
    const QWORD start = BASS_ChannelSeconds2Bytes(stream, cueTrackStart(CueRecord, track));
    BASS_ChannelSetPosition(stream, start, BASS_POS_BYTE);
  }
  BASS_ChannelPlay(stream, 0);
  if (track > 0) {
    SelectItem(track);
    CurrentTrack = track;
  }
  Label9->setText(timeScaleText(length));
  BitRate.restart();
  Timer1->start();
}

QString TFormMyTavelo::StreamInfoText(std::uint32_t stream) {
  BASS_CHANNELINFO channel{};
  BASS_ChannelGetInfo(stream, &channel);
  StreamInfo info;
  info.flags = channel.flags;
  info.channels = int(channel.chans);
  BASS_ChannelGetAttribute(stream, BASS_ATTRIB_FREQ, &info.frequency);
  info.filePosition = BASS_StreamGetFilePosition(stream, BASS_FILEPOS_CURRENT);
  return ::StreamInfoText(info, BitRate);
}

void TFormMyTavelo::EnableTransport() {
  for (QWidget* control : {static_cast<QWidget*>(ButtonPause), static_cast<QWidget*>(ButtonPlay),
                           static_cast<QWidget*>(ButtonStop), static_cast<QWidget*>(ButtonNext),
                           static_cast<QWidget*>(ButtonPrev), static_cast<QWidget*>(PB1)}) {
    control->setEnabled(true);
  }
  Stopped = false;
}

// A file that cannot be played leaves the player stopped and says so, rather than showing
// "Play" over silence.
void TFormMyTavelo::ReportUnplayable() {
  ButtonStopClick();
  SetCaption(QString::fromLatin1(kUnsupportedFileFormat));
}

// Starts entry index of the list (a CUE track when a CUE record is loaded) from its beginning.
void TFormMyTavelo::PlayEntry(int index) {
  CurrentTrack = index;
  SelectItem(index);
  SetCaption(playCaption(ItemText(index)));
  const bool started = CueRecord.isEmpty() ? MyBassPlay(PathList.value(index), 0)
                                           : MyBassPlay(cueAudioPath(CueRecord), index);
  Paused = false;
  PB1->setValue(0);
  EnableTransport();
  if (!started) ReportUnplayable();
}

void TFormMyTavelo::ButtonPlayClick() {
  if (CurrentMode == kFilesMode) {
    if (ListBox1->count() == 0) return;
    if (ListBox1->currentRow() < 0) SelectItem(0);
    const int selected = trackIndexToPlay(ListBox1->currentRow(), !CueRecord.isEmpty());
    // Resuming plays on where the pause was; another entry chosen meanwhile starts afresh.
    if (Paused && selected == CurrentTrack) {
      BASS_ChannelPlay(FileStream, 0);
      ButtonPause->setEnabled(true);
      SetCaption(playCaption(ItemText(CurrentTrack)));
      Paused = false;
    } else {
      PlayEntry(selected);
    }
  } else if (CurrentMode == kCdMode) {
    PlayCdFromButton();
  } else {
    Paused = false;
  }
}

void TFormMyTavelo::ButtonPauseClick() {
  if (CurrentMode == kFilesMode) {
    if (MciMidi) return;
    if (Paused) {
      SetCaption(playCaption(ItemText(CurrentTrack)));
      BASS_ChannelPlay(FileStream, 0);
    } else {
      SetCaption(pauseCaption(ItemText(CurrentTrack)));
      BASS_ChannelPause(FileStream);
    }
    Paused = !Paused;
  } else if (CurrentMode == kCdMode) {
    PauseCd();
  }
}

void TFormMyTavelo::ButtonStopClick() {
  if (CurrentMode == kFilesMode) {
    Timer1->stop();
    MciMidi = false;
    if (BASS_ChannelIsActive(FileStream) != BASS_ACTIVE_STOPPED) {
      BASS_StreamFree(FileStream);
      FileStream = 0;
    }
    SetCaption(stopCaption(ItemTexts(), CurrentTrack));
  } else if (CurrentMode == kCdMode) {
    StopCd();
  }
  Meters.reset();
  PBL->setValue(0);
  PBR->setValue(0);
  Paused = false;
  ButtonPause->setEnabled(false);
  ButtonStop->setEnabled(false);
  PB1->setEnabled(false);
  Stopped = true;
  PB1->setValue(0);
  Label1->setText(timeDisplayText(0, 0, 0, TimeDisplay::Elapsed));
  Label9->setText(FormatMinSec(0));
}

void TFormMyTavelo::ListBox1DblClick() {
  Paused = false;
  ButtonPlayClick();
}

void TFormMyTavelo::Playtrack1Click() {
  ButtonPlayClick();
  setTag(PM1, 0);
}

// The Audio CD transport arrives with CD playback; until then the CD buttons change nothing.
void TFormMyTavelo::PlayCdFromButton() {}
void TFormMyTavelo::PauseCd() {}
void TFormMyTavelo::StopCd() {}
