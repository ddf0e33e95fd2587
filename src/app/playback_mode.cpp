#include "app/playback_mode.h"

#include "util/fields.h"
#include "files/position_display.h"

#include <QLabel>
#include <QPushButton>

namespace tavelo {

void PlaybackMode::showStopped() {
  controls_.PBL->setValue(0);
  controls_.PBR->setValue(0);
  controls_.ButtonPause->setEnabled(false);
  controls_.ButtonStop->setEnabled(false);
  controls_.PB1->setEnabled(false);
  window_.SetStopped(true);
  controls_.PB1->setValue(0);
  controls_.Label1->setText(timeDisplayText(0, 0, 0, TimeDisplay::Elapsed));
  controls_.Label9->setText(FormatMinSec(0));
}

}  // namespace tavelo
