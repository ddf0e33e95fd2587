// Small helpers that create a named control at a fixed place, as the window's layout wants.
#pragma once

#include "app/glyphs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRect>
#include <array>

namespace tavelo {

namespace form {

template <class Widget>
Widget* place(Widget* widget, const char* name, const QRect& geometry) {
  widget->setObjectName(QLatin1String(name));
  widget->setGeometry(geometry);
  return widget;
}

inline QLabel* label(QWidget* parent, const char* name, const QString& text, const QRect& geometry) {
  return place(new QLabel(text, parent), name, geometry);
}

inline QPushButton* button(QWidget* parent, const char* name, const QString& text, const QRect& geometry,
                           const QString& hint = {}) {
  auto* created = place(new QPushButton(text, parent), name, geometry);
  created->setToolTip(hint);
  created->setFocusPolicy(Qt::NoFocus);
  return created;
}

inline QCheckBox* checkBox(QWidget* parent, const char* name, const QString& text, const QRect& geometry,
                           bool checked = false) {
  auto* created = place(new QCheckBox(text, parent), name, geometry);
  created->setChecked(checked);
  return created;
}

inline QLineEdit* edit(QWidget* parent, const char* name, const QRect& geometry, const QString& text = {}) {
  return place(new QLineEdit(text, parent), name, geometry);
}

inline QComboBox* dropDown(QWidget* parent, const char* name, const QRect& geometry, const QStringList& items = {}) {
  auto* created = place(new QComboBox(parent), name, geometry);
  created->addItems(items);
  return created;
}

// A side panel: raised, opaque, hidden until its subsystem shows it.
inline QFrame* makePanel(QFrame* frame, const char* name, const QRect& geometry) {
  place(frame, name, geometry);
  frame->setFrameShape(QFrame::Panel);
  frame->setFrameShadow(QFrame::Raised);
  frame->setAutoFillBackground(true);
  frame->hide();
  return frame;
}

inline QFrame* panel(QWidget* parent, const char* name, const QRect& geometry) {
  return makePanel(new QFrame(parent), name, geometry);
}

// Radio items of a group, one under the other, named after the group with their index.
template <std::size_t N>
std::array<QRadioButton*, N> radioItems(QGroupBox* group, const QStringList& captions, int top, int step) {
  std::array<QRadioButton*, N> items{};
  for (std::size_t i = 0; i < N; ++i) {
    items[i] = new QRadioButton(captions[static_cast<qsizetype>(i)], group);
    items[i]->setObjectName(group->objectName() + QString::number(i));
    items[i]->setGeometry(8, top + static_cast<int>(i) * step, group->width() - 16, step);
  }
  return items;
}

// The close symbol at a panel's corner.
inline QPushButton* closeButton(QWidget* parent, const char* name, const QRect& geometry) {
  auto* created = button(parent, name, {}, geometry);
  setGlyph(created, QStringLiteral("r"));
  return created;
}

// The caption beside an edit, list or grid; the control carries it as its accessible name.
inline QLabel* caption(QWidget* control, const QString& text, const QRect& geometry) {
  auto* created = new QLabel(text, control->parentWidget());
  created->setObjectName(control->objectName() + QLatin1String("Caption"));
  created->setGeometry(geometry);
  created->setBuddy(control);
  control->setAccessibleName(text);
  return created;
}

}  // namespace form

}  // namespace tavelo
