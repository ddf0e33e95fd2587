#include "app/value_bar.h"

#include <QPainter>
#include <algorithm>

namespace tavelo {

namespace {

constexpr int kBorder = 1;

}  // namespace

ValueBar::ValueBar(QWidget* parent) : QWidget(parent) {
  // Every pixel is painted here, so nothing behind the bar is painted with it.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void ValueBar::setValue(int value) {
  if (value == value_ || value < minimum_ || value > maximum_) return;
  const int before = filledWidth();
  value_ = value;
  const int after = filledWidth();
  if (before == after) return;
  update(QRect(kBorder + std::min(before, after), kBorder, std::abs(after - before), height() - 2 * kBorder));
}

void ValueBar::setRange(int minimum, int maximum) {
  minimum_ = minimum;
  maximum_ = std::max(minimum, maximum);
  value_ = std::clamp(value_, minimum_, maximum_);
  update();
}

int ValueBar::filledWidth() const {
  const int inside = std::max(width() - 2 * kBorder, 0);
  const qint64 span = qint64(maximum_) - minimum_;
  if (span <= 0) return 0;
  return int((qint64(value_) - minimum_) * inside / span);
}

// Paints within the changed strip only: the painter is clipped to it.
void ValueBar::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect whole = rect();
  const QRect inside = whole.adjusted(kBorder, kBorder, -kBorder, -kBorder);
  const int filled = filledWidth();
  painter.fillRect(whole, palette().color(QPalette::Mid));
  painter.fillRect(inside, palette().color(QPalette::Base));
  painter.fillRect(QRect(inside.left(), inside.top(), filled, inside.height()), palette().color(QPalette::Highlight));
}

}  // namespace tavelo
