// A numbered station button that also remembers whether its station is re-encoded when recorded.
#pragma once

#include <QPushButton>

namespace tavelo {

class TMyButton : public QPushButton {
 public:
  using QPushButton::QPushButton;
  bool ForceEncode = false;
};

}  // namespace tavelo
