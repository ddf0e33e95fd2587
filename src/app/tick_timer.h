// The window's timers count their ticks in their tag. Declared as a property, the tag is found
// at once and written without the change event a dynamic property sends on every tick.
#pragma once

#include <QTimer>

namespace tavelo {

class TickTimer : public QTimer {
  Q_OBJECT
  Q_PROPERTY(int tag READ tag WRITE setTag)

 public:
  using QTimer::QTimer;

  int tag() const { return tag_; }
  void setTag(int tag) { tag_ = tag; }

 private:
  int tag_ = 0;
};

}  // namespace tavelo
