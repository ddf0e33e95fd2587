// The three playback modes: switching between them, the layout of each, the window's size
// rule, and the notice that shows every new caption at the bottom right of the screen.
#include "app/equalizer_panel.h"
#include "app/event_hook.h"
#include "app/form.h"
#include "app/glyphs.h"
#include "app/settings_panel.h"
#include "app/tags.h"

#include "util/fields.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTimer>
#include <QToolButton>

namespace tavelo {

namespace {

// In Net Radio the station buttons take the place of the position panel and the transport
// buttons; the radio panel follows below them.
constexpr int kPanelLeft = 2;
constexpr int kStationPanelTop = 104;
constexpr int kRadioPanelTop = 185;
constexpr int kInfoPanelHeight = 55;
constexpr int kNoticeFontPixels = 12;  // fits the notice's 16-pixel strip
constexpr int kNoticePadding = 4;

bool isLeftClick(QEvent* event) {
  const bool mouse = event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease;
  return mouse && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
}

void moveTop(QWidget* widget, int top) { widget->move(widget->x(), top); }

}  // namespace

void TFormMyTavelo::ConnectModes() {
  connect(Timer2, &QTimer::timeout, this, &TFormMyTavelo::Timer2Timer);
  setMinimumWidth(kWindowWidth);
  setMaximumWidth(kWindowWidth);
  p_SelButtons->move(kPanelLeft, kStationPanelTop);
  p_radio->move(kPanelLeft, kRadioPanelTop);
  Image1->setCursor(Qt::PointingHandCursor);
  AddClickHook(Image1, [this] { ButtonCdHdClick(Image1); });
  AddHook(this, this, [this](QObject*, QEvent* event) {
    if (event->type() == QEvent::Resize) FormCanResize(width(), height());
    return false;
  });
}

void TFormMyTavelo::AddHook(QObject* watched, QObject* owner, std::function<bool(QObject*, QEvent*)> handler) {
  auto* hook = new EventHook(owner, std::move(handler));
  watched->installEventFilter(hook);
  hooks_ << hook;
}

// A left click on a control that is no button acts on release, like a button; the press is
// taken so the release comes to the control.
void TFormMyTavelo::AddClickHook(QWidget* control, std::function<void()> click) {
  AddHook(control, control, [click = std::move(click)](QObject*, QEvent* event) {
    if (!isLeftClick(event)) return false;
    if (event->type() == QEvent::MouseButtonRelease) click();
    return true;
  });
}

void TFormMyTavelo::ButtonCdHdClick(QObject* sender) {
  ModeSwitchRequest request;
  request.stopped = Stopped;
  request.radioRecording =
      radioMode_->recordRunning() || filesMode_->conversionRunning() || cdMode_->ripRunning();
  request.fromStartup = sender == this;
  request.step = ModeStep;
  request.order = ModeOrder();
  const ModeSwitchDecision decision = decideModeSwitch(request);
  if (!decision.refusal.isEmpty()) {
    dialogs_.message(this, decision.refusal);
    return;
  }
  ResetModeDisplay();
  mode().leave();
  CurrentMode = int(decision.mode);
  ModeStep = decision.step;
  ApplyModeLayout(mode().layout(tagOf(BLockUnlock) != 0));
}

std::array<int, 3> TFormMyTavelo::ModeOrder() const {
  return settingsPanel_->modeOrder();
}

void TFormMyTavelo::ResetModeDisplay() {
  ButtonNext->setEnabled(false);
  ButtonPrev->setEnabled(false);
  Label1->setText(QStringLiteral("00   ") + FormatMinSec(0));
  Label9->setText(FormatMinSec(0));
  Label34->hide();
  p_info->resize(p_info->width(), kInfoPanelHeight);
}

void TFormMyTavelo::ApplyModeLayout(const ModeLayout& layout) {
  moveTop(settingsPanel_, layout.settingsPanelTop);
  Timer1->setTag(0);
  if (layout.mainTimerRunning) Timer1->start();
  else Timer1->stop();
  mode().enter();
  ShowModePanels(layout);
  ApplyModeButtons(layout);
  ApplyModeList(layout);
  ApplyModeTexts(layout);
  moveTop(eqPanel_, layout.eqPanelTop);
}

void TFormMyTavelo::ShowModePanels(const ModeLayout& layout) {
  p_SelButtons->setVisible(layout.stationsShown);
  p_radio->setVisible(layout.stationsShown);
  CBCDdrives->setVisible(layout.cdDrivesShown);
  sb_decode->setVisible(layout.decodeShown);
  chb_decodeAll->setVisible(layout.decodeShown);
  Panel2->setVisible(layout.positionPanelShown);
  moveTop(TrackBar1, layout.volumeBarTop);
  if (layout.fullDirShown) CheckBoxFullDir->setVisible(*layout.fullDirShown);
  if (layout.repeatLeft) ChBoxRep->move(*layout.repeatLeft, ChBoxRep->y());
  if (layout.programFolderCurrent) QDir::setCurrent(ProgramDir);
}

void TFormMyTavelo::ApplyModeButtons(const ModeLayout& layout) {
  if (layout.openHint) ButtonOpen->setToolTip(*layout.openHint);
  if (layout.openCaption) ButtonOpen->setText(*layout.openCaption);
  if (layout.lockHint) BLockUnlock->setToolTip(*layout.lockHint);
  if (layout.lockFace) {
    QFont face = BLockUnlock->font();
    face.setBold(layout.lockFaceBold);
    BLockUnlock->setFont(face);
    setGlyph(BLockUnlock, *layout.lockFace);
    BLockUnlock->show();
  }
  if (layout.playEnabled) ButtonPlay->setEnabled(*layout.playEnabled);
  if (layout.stopPauseDisabled) {
    ButtonStop->setEnabled(false);
    ButtonPause->setEnabled(false);
  }
}

// The mode's height is set first, so a list that needs more room wins.
void TFormMyTavelo::ApplyModeList(const ModeLayout& layout) {
  if (layout.clearList) ListBox1->clear();
  ListBox1->setVisible(layout.listShown);
  ListBox1->setAcceptDrops(layout.listAcceptsDrops);
  const int height = FrameHeight + layout.heightAboveFrame;
  setMaximumHeight(CurrentMode == int(PlayMode::NetRadio) ? height : QWIDGETSIZE_MAX);
  resize(width(), height);
  if (layout.fitListToWindow) FitWindowToList();
  FormCanResize(width(), this->height());
}

void TFormMyTavelo::ApplyModeTexts(const ModeLayout& layout) {
  Label2->setText(layout.modeLabel);
  Label3->setText(layout.columnHeading);
  ShowModePicture();
  SetCaption(layout.caption);
}

void TFormMyTavelo::FormCanResize(int newWidth, int newHeight) {
  const WindowSize allowed = allowedWindowSize(newHeight, FrameHeight, PlayMode(CurrentMode));
  ListBox1->resize(ListBox1->width(), allowed.listHeight);
  if (allowed.width != newWidth || allowed.height != newHeight) resize(allowed.width, allowed.height);
}

void TFormMyTavelo::Timer2Timer() {
  // Most ticks see the caption of the tick before: one comparison, nothing read or built.
  if (const QString caption = windowTitle(); caption != Captions.lastSeen())
    Notice(*Captions.check(caption, radioMode_->recordRunning()));
  const int ticks = Timer2->tag() + 1;
  Timer2->setTag(ticks);
  if (ticks > kNoticeTicks && NoticeWindow && NoticeWindow->isVisible()) NoticeWindow->hide();
}

void TFormMyTavelo::Notice(const QString& text) {
  if (Closing) return;
  if (!NoticeWindow) NoticeWindow = CreateNoticeWindow();
  const QScreen* screen = this->screen();
  const QRect whole = screen->geometry();
  const QRect workArea = screen->availableGeometry();
  const int textWidth = NoticeWindow->fontMetrics().horizontalAdvance(text);
  const QRect place = noticeRect(textWidth, whole.width(), workArea.bottom() + 1 - whole.top());
  Timer2->setTag(0);
  NoticeWindow->setText(text);
  NoticeWindow->setGeometry(place.translated(whole.topLeft()));
  NoticeWindow->show();
}

// A hint-like window of its own: no frame, above other windows, never taking the focus.
QLabel* TFormMyTavelo::CreateNoticeWindow() {
  auto* notice = new QLabel(this, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                                      Qt::WindowDoesNotAcceptFocus);
  notice->setObjectName(QStringLiteral("NoticeWindow"));
  notice->setWindowTitle(QStringLiteral("Notice"));  // never shown; tells it from the main window
  notice->setAttribute(Qt::WA_ShowWithoutActivating);
  notice->setForegroundRole(QPalette::ToolTipText);
  notice->setBackgroundRole(QPalette::ToolTipBase);
  notice->setAutoFillBackground(true);
  notice->setContentsMargins(kNoticePadding, 0, 0, 0);
  QFont font = notice->font();
  font.setPixelSize(kNoticeFontPixels);
  notice->setFont(font);
  return notice;
}

}  // namespace tavelo
