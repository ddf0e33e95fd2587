#include "app/side_panel.h"
#include "app/form_builders.h"

#include <QAbstractButton>

namespace tavelo {

SidePanel::SidePanel(QWidget* parent, const char* name, const QRect& geometry) : QFrame(parent) {
  form::makePanel(this, name, geometry);
}

void SidePanel::closeOn(QAbstractButton* button) {
  connect(button, &QAbstractButton::clicked, this, [this] {
    hide();
    emit closed();
  });
}

}  // namespace tavelo
