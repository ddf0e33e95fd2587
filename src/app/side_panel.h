// A side panel: a raised frame inside the window, hidden until its subject shows it, with a
// close button of its own.
#pragma once

#include <QFrame>

class QAbstractButton;

namespace tavelo {

class SidePanel : public QFrame {
  Q_OBJECT
 public:
  SidePanel(QWidget* parent, const char* name, const QRect& geometry);

 signals:
  // The panel has hidden itself through its close button.
  void closed();

 protected:
  void closeOn(QAbstractButton* button);
  // What the close button does: hides the panel and says so.
  void closeByButton();
  // Shows the panel at place, in front, its window grown to windowHeight when lower.
  void showAt(const QPoint& place, int windowHeight);
};

}  // namespace tavelo
