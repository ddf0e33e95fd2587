// The main timer's Audio Files duty (levels, position, advance, CUE boundaries), seeking with
// the position bar, its hover time and the time display switch.
#include "app/form.h"
#include "app/tags.h"

#include "cue_sheet.h"
#include "engine/engine.h"
#include "fields.h"
#include "files_tick.h"

#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>

namespace {

constexpr int kFilesMode = 0;
constexpr int kInfoLineTicks = 10;

// Mouse events of the position bar, the time display and the list, handed to the form's handlers.
class FilesMouseFilter : public QObject {
 public:
  explicit FilesMouseFilter(TFormMyTavelo* form) : QObject(form), form_(form) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    const QEvent::Type type = event->type();
    if (watched == form_->PB1) {
      if (type == QEvent::MouseButtonRelease) form_->PB1MouseUp(mouseX(event));
      else if (type == QEvent::MouseMove) form_->PB1MouseMove(mouseX(event));
      else if (type == QEvent::Leave) form_->Label30->hide();
    } else if (watched == form_->Label1 && type == QEvent::MouseButtonRelease) {
      form_->Label1Click();
    } else if (watched == form_->ListBox1->viewport() && type == QEvent::MouseButtonPress) {
      form_->ListBox1MouseDown();
    }
    return false;
  }

 private:
  static int mouseX(QEvent* event) { return int(static_cast<QMouseEvent*>(event)->position().x()); }
  TFormMyTavelo* form_;
};

}  // namespace

void TFormMyTavelo::InstallFilesMouseFilter() {
  auto* filter = new FilesMouseFilter(this);
  PB1->setMouseTracking(true);
  PB1->installEventFilter(filter);
  Label1->installEventFilter(filter);
  ListBox1->viewport()->installEventFilter(filter);
}

void TFormMyTavelo::Timer1Timer() {
  Timer1->setTag(Timer1->tag() + 1);
  if (ListIdle.tick(Stopped, tagOf(PM1) == 1)) SelectItem(CurrentTrack);
  if (CurrentMode == kFilesMode) FilesTimerDuty();
}

void TFormMyTavelo::UpdateMeters(std::uint32_t stream, bool playing) {
  Meters.update(playing, playing ? BASS_ChannelGetLevel(stream) : 0);
  PBL->setValue(Meters.leftBar());
  PBR->setValue(Meters.rightBar());
}

void TFormMyTavelo::FilesTimerDuty() {
  const bool active = BASS_ChannelIsActive(FileStream) != BASS_ACTIVE_STOPPED;
  UpdateMeters(FileStream, active && !Paused);
  FilesTick tick;
  tick.streamActive = active;
  tick.positionSeconds = BASS_ChannelBytes2Seconds(FileStream, BASS_ChannelGetPosition(FileStream, BASS_POS_BYTE));
  if (!Cue.isEmpty()) tick.fileLengthSeconds = FileLengthSeconds();
  tick.cue = &Cue;
  tick.currentIndex = CurrentTrack;
  tick.itemCount = ListBox1->count();
  tick.trackLength = PB1->tag();
  tick.repeat = ChBoxRep->isChecked();
  tick.timeDisplay = TimeDisplay(tagOf(Label1));
  const FilesTickPlan plan = planFilesTick(tick, TimeTexts);

  if (Label34->isVisible() && Timer1->tag() % kInfoLineTicks == 0) Label34->setText(StreamInfoText(FileStream));
  if (plan.bar) PB1->setValue(*plan.bar);
  ButtonPause->setEnabled(true);
  ButtonStop->setEnabled(true);
  Label1->setText(plan.timeText);
  if (plan.endOfStream) ApplyEndOfStream(*plan.endOfStream);
  else if (plan.crossing) ApplyCueCrossing(plan.crossing->track, plan.crossing->trackLength);
}

// A plain list goes on with its next entry, a CUE sheet with Repeat starts again at track 1.
void TFormMyTavelo::ApplyEndOfStream(const EndOfStreamAction& action) {
  if (action.playNext) PlayEntry(action.index);
  else FinishList(action.index);
}

// The last entry has ended: stopped, the first entry selected.
void TFormMyTavelo::FinishList(int selectedIndex) {
  Timer1->stop();
  BASS_StreamFree(FileStream);
  FileStream = 0;
  ButtonPause->setEnabled(false);
  ButtonStop->setEnabled(false);
  PB1->setEnabled(false);
  Stopped = true;
  CurrentTrack = selectedIndex;
  Label1->setText(stoppedTimeDisplayText(ListBox1->count()));
  Label9->setText(FormatMinSec(0));
  PB1->setValue(0);
  SelectItem(selectedIndex);
  SetCaption(QString::fromLatin1(kStoppedCaption));
}

// The file plays on into the next CUE track; only the display follows.
void TFormMyTavelo::ApplyCueCrossing(int track, int trackLength) {
  CurrentTrack = track;
  PB1->setTag(trackLength);
  SelectItem(track);
  Label9->setText(timeScaleText(trackLength));
  PB1->setValue(0);
  SetCaption(playCaption(ItemText(track)));
}

void TFormMyTavelo::PB1MouseUp(int x) {
  const int cueStart = Cue.isEmpty() ? 0 : cueTrackStart(Cue, CurrentTrack);
  const BarSeek seek = barClickSeek(x, PB1->width(), PB1->tag(), cueStart, PB1->maximum());
  PB1->setValue(seek.position);
  // Seeking in Audio CD mode arrives with CD playback; a radio stream cannot seek.
  if (CurrentMode == kFilesMode)
    BASS_ChannelSetPosition(FileStream, BASS_ChannelSeconds2Bytes(FileStream, seek.seconds), BASS_POS_BYTE);
  ButtonPause->setEnabled(true);
  ButtonStop->setEnabled(true);
}

void TFormMyTavelo::PB1MouseMove(int x) {
  const int barLeft = PB1->x();
  const HoverTime hover = barHoverTime(x, PB1->width(), PB1->tag(), Panel2->width() - barLeft, PB1->maximum());
  Label30->move(barLeft + hover.labelLeft, Label30->y());
  Label30->setText(hover.text);
  Label30->show();
  Label30->raise();
}

void TFormMyTavelo::Label1Click() {
  setTag(Label1, int(toggledTimeDisplay(TimeDisplay(tagOf(Label1)))));
}
