// Xvfb on a display number it picks itself, stopped with the test, and xdotool run on it.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

class VirtualDisplay {
 public:
  VirtualDisplay();
  ~VirtualDisplay();
  QString display() const { return display_; }

 private:
  QProcess server_;
  QString display_;
};

// xdotool's standard output, trimmed.
QString runTool(const QString& display, const QStringList& arguments);

// The player's shown window of that name ("Notice": its notice), or else its main window;
// waits until the player shows a window. Empty when none matches.
QString playerWindow(const QString& display, const QString& name = {});
