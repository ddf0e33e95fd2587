#include "app/sleep_panel.h"
#include "app/form_builders.h"

#include <QGroupBox>

namespace tavelo {

using namespace form;

SleepPanel::SleepPanel(QWidget* parent) : SidePanel(parent, "p_sleep", QRect(60, 200, 288, 110)) {
  auto* group = place(new QGroupBox(QStringLiteral("Sleep mode settings"), this), "gb_sleep", QRect(4, 4, 250, 100));
  minutes_ = edit(group, "ed_sleep", QRect(8, 22, 50, 22), QStringLiteral("20"));
  caption(minutes_, QStringLiteral("Minutes"), QRect(64, 24, 60, 18));
  QCheckBox* powerOff = checkBox(group, "cb_powerOff", QStringLiteral("Power Off"), QRect(8, 50, 110, 20), true);
  powerOff->setEnabled(false);  // until the receiver's port is open
  checkBox(group, "cb_shutdown", QStringLiteral("Shutdown PC"), QRect(124, 50, 118, 20));
  QPushButton* startStop = button(group, "btn_sleep", QStringLiteral("Start"), QRect(8, 74, 80, 22));
  connect(startStop, &QPushButton::clicked, this, &SleepPanel::startStopClicked);
  closeOn(closeButton(this, "Button1", QRect(260, 4, 22, 20)));
}

}  // namespace tavelo
