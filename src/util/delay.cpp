#include "delay.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

void DelayMs(int ms) {
  if (ms <= 0) return;
  QElapsedTimer clock;
  clock.start();
  do {
    if (QCoreApplication::instance()) QCoreApplication::processEvents();
    QThread::msleep(10);
  } while (clock.elapsed() < ms);
}
