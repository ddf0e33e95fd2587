// The station settings panel (p_radioSet): name, address and proxy of one station button,
// stepped through the stations with the arrows.
#pragma once

#include "app/side_panel.h"

namespace tavelo {

class StationSettingsPanel : public SidePanel {
  Q_OBJECT
 public:
  explicit StationSettingsPanel(QWidget* parent);

 signals:
  void okClicked();        // BnetOk
  void previousClicked();  // btn_back
  void nextClicked();      // btn_for
};

}  // namespace tavelo
