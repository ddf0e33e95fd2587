#include "app/side_panel.h"
#include "app/form_builders.h"

#include <QAbstractButton>

namespace tavelo {

SidePanel::SidePanel(QWidget* parent, const char* name, const QRect& geometry) : QFrame(parent) {
  form::makePanel(this, name, geometry);
}

void SidePanel::closeOn(QAbstractButton* button) {
  connect(button, &QAbstractButton::clicked, this, &SidePanel::closeByButton);
}

void SidePanel::closeByButton() {
  hide();
  emit closed();
}

void SidePanel::showAt(const QPoint& place, int windowHeight) {
  move(place);
  QWidget* window = parentWidget();
  if (window->height() < windowHeight) window->resize(window->width(), windowHeight);
  show();
  raise();
}

}  // namespace tavelo
