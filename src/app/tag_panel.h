// The tag panel (p_ID3info): the seven tag fields of a playlist entry, read-only.
#pragma once

#include "app/side_panel.h"

class TagPanel : public SidePanel {
  Q_OBJECT
 public:
  explicit TagPanel(QWidget* parent);
};
