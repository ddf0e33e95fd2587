// The tag panel (p_ID3info): the seven tag fields of a playlist entry, read-only.
#pragma once

#include "app/side_panel.h"

namespace tavelo {

class TagPanel : public SidePanel {
  Q_OBJECT
 public:
  explicit TagPanel(QWidget* parent);
};

}  // namespace tavelo
