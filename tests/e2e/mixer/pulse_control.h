// What both mixer tests use to act on the sound server from outside and to wait for the result.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>

#include <functional>

// pactl's output for these arguments.
inline QString pactl(const QStringList& arguments) {
  QProcess process;
  process.start(QStringLiteral("pactl"), arguments);
  process.waitForFinished(5000);
  return QString::fromUtf8(process.readAllStandardOutput());
}

// Runs this thread's events until done() holds or ms have passed; what done() then says.
inline bool waitFor(const std::function<bool()>& done, int ms = 5000) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > ms) return done();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}
