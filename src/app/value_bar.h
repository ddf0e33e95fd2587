// A flat horizontal bar for a value between a minimum and a maximum: the level meters and the
// position bar. It repaints only the strip of pixels a new value changes, and only when the
// drawn length changes, so meters that move every tick cost little.
#pragma once

#include <QWidget>

namespace tavelo {

class ValueBar : public QWidget {
  Q_OBJECT
  // The control's small integer (the position bar keeps the track length there); a declared
  // property is found at once, where a dynamic one is looked up by name through every class.
  Q_PROPERTY(int tag READ tag WRITE setTag)

 public:
  explicit ValueBar(QWidget* parent = nullptr);

  int value() const { return value_; }
  int minimum() const { return minimum_; }
  int maximum() const { return maximum_; }
  // A value outside the range is ignored, as a progress bar does.
  void setValue(int value);
  void setRange(int minimum, int maximum);

  int tag() const { return tag_; }
  void setTag(int tag) { tag_ = tag; }

  // Pixels of the inside that the value fills.
  int filledWidth() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int value_ = 0;
  int minimum_ = 0;
  int maximum_ = 100;
  int tag_ = 0;
};

}  // namespace tavelo
