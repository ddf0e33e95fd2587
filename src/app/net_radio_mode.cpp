#include "app/net_radio_mode.h"
#include "app/glyphs.h"
#include "app/tags.h"

#include <QLabel>
#include <QPushButton>

namespace tavelo {

void NetRadioMode::leave() {
  controls_.Timer1->stop();
  controls_.PBR->setValue(0);
  controls_.PBL->setValue(0);
  stream_.reset();
  setTag(radio_.BnetRadioPause, 0);
  setGlyph(radio_.BnetRadioPause, QStringLiteral(";"));
  radio_.BnetRadioPause->setToolTip(QStringLiteral("Pause Current Radio (Space)"));
  radio_.Label4->clear();
  radio_.Label5->setText(QStringLiteral("Not playing"));
  radio_.Label6->clear();
}

void NetRadioMode::setRecordRunning(bool running) {
  recordRunning_ = running;
  setGlyph(radio_.BNetRadioRec, QLatin1String(running ? "<" : "="));
}

}  // namespace tavelo
