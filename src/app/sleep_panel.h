// The sleep panel (p_sleep): the minutes to wait, what follows the stop, and the Start/Stop button.
#pragma once

#include "app/side_panel.h"

class QLineEdit;

namespace tavelo {

class SleepPanel : public SidePanel {
  Q_OBJECT
 public:
  explicit SleepPanel(QWidget* parent);

  QLineEdit* minutesEdit() const { return minutes_; }

 signals:
  // btn_sleep: arm the sleep timer, or disarm it while it runs.
  void startStopClicked();

 private:
  QLineEdit* minutes_ = nullptr;  // ed_sleep
};

}  // namespace tavelo
