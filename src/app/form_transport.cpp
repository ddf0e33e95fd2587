// The transport buttons, the list, the position bar and the main timer: each handler is the one
// entry for its action and hands it to the current mode.
#include "app/form.h"
#include "app/settings_panel.h"

#include "files/mode_switch.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QLoggingCategory>
#include <QSystemTrayIcon>

namespace tavelo {

Q_DECLARE_LOGGING_CATEGORY(lcStartup)

void TFormMyTavelo::CreateModes() {
  engineEvents_ = new EngineEvents(this);
  filesMode_ = std::make_unique<AudioFilesMode>(Controls(), *this, *engineEvents_);
  cdMode_ = std::make_unique<AudioCdMode>(Controls(), *this, *this, CBCDdrives, *engineEvents_);
  radioMode_ = std::make_unique<NetRadioMode>(
      Controls(), *this, RadioControls{BnetRadioPause, BNetRadioStop, BNetRadioRec, Label4, Label5, Label6, Label17},
      *this, *engineEvents_);
  mode().enter();
  ConnectTransport();
  ConnectCd();
}

ModeControls TFormMyTavelo::Controls() {
  return {ListBox1,     PB1,        PBL,         PBR,        Label1,          Label9,  Label30,   Label34,
          Panel2,       ButtonPlay, ButtonPause, ButtonStop, ButtonPrev,      ButtonNext, ButtonOpen, BLockUnlock,
          CheckBoxFullDir, ChBoxRep, PM1,        Timer1};
}

bool TFormMyTavelo::SampleFloat() const { return settingsPanel_->options().sampleFloat; }

void TFormMyTavelo::ConnectTransport() {
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
  connect(Timer1, &QTimer::timeout, this, &TFormMyTavelo::Timer1Timer);
}

PlaybackMode& TFormMyTavelo::mode() {
  switch (PlayMode(CurrentMode)) {
    case PlayMode::AudioCd: return *cdMode_;
    case PlayMode::NetRadio: return *radioMode_;
    case PlayMode::AudioFiles: break;
  }
  return *filesMode_;
}

void TFormMyTavelo::SetCaption(const QString& caption) {
  qCDebug(lcStartup).noquote() << "caption:" << caption;
  setWindowTitle(caption);
  TrayIcon1->setToolTip(caption);
}

void TFormMyTavelo::ButtonPlayClick() { mode().play(); }
void TFormMyTavelo::ButtonPauseClick() { mode().pause(); }
void TFormMyTavelo::ButtonStopClick() { mode().stop(); }
void TFormMyTavelo::ButtonPrevClick() { mode().prev(); }
void TFormMyTavelo::ButtonNextClick() { mode().next(); }
void TFormMyTavelo::ButtonOpenClick() { mode().open(); }

// The add button of the Audio Files mode, the door lock of the Audio CD mode.
void TFormMyTavelo::BLockUnlockClick() {
  if (&mode() == filesMode_.get()) filesMode_->addFiles();
  else if (&mode() == cdMode_.get()) cdMode_->LockClick();
}

void TFormMyTavelo::ListBox1DblClick() {
  if (&mode() == filesMode_.get()) filesMode_->playChosenEntry();
  else mode().play();
}

void TFormMyTavelo::Playtrack1Click() {
  ButtonPlayClick();
  filesMode_->menuClosed();
}

void TFormMyTavelo::ListBox1ContextPopup(const QPoint& position) { filesMode_->listContextPopup(position); }
void TFormMyTavelo::DeletetrackfromlistClick() { filesMode_->deleteContextItem(); }
void TFormMyTavelo::ListBox1MouseDown() { filesMode_->listMouseDown(); }

void TFormMyTavelo::Timer1Timer() {
  Timer1->setTag(Timer1->tag() + 1);
  mode().tick();
}

// A radio stream cannot seek.
void TFormMyTavelo::PB1MouseUp(int x) { mode().seek(x); }
void TFormMyTavelo::PB1MouseMove(int x) { filesMode_->showHoverTime(x); }
void TFormMyTavelo::Label1Click() { filesMode_->toggleTimeDisplay(); }

// The list view measures its widest item itself at its next layout, so a horizontal scroll bar
// as needed is all its width takes; forcing the layout here would hold up the start of playback
// (60 ms for 5,000 items).
void TFormMyTavelo::FitWindowToList() {
  ListBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  const int itemHeight = ListBox1->count() > 0 ? ListBox1->sizeHintForRow(0) : fontMetrics().height();
  const QScreen* screen = this->screen();
  const int screenHeight = screen ? screen->geometry().height() : QWIDGETSIZE_MAX / 2;
  resize(width(), fitWindowToListHeight(ListBox1->count(), itemHeight, FrameHeight, geometry().top(), screenHeight));
}

}  // namespace tavelo
