#include "delay.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

TEST(DelayMs, KeepsProcessingEventsWhileWaiting) {
  int argc = 1;
  char name[] = "delay_test";
  char* argv[] = {name, nullptr};
  QCoreApplication app(argc, argv);
  bool fired = false;
  QTimer::singleShot(0, &app, [&] { fired = true; });
  DelayMs(0);
  EXPECT_FALSE(fired) << "DelayMs(0) returns at once";
  QElapsedTimer clock;
  clock.start();
  DelayMs(30);
  EXPECT_GE(clock.elapsed(), 30);
  EXPECT_TRUE(fired) << "a queued event ran during the wait";
}

}  // namespace
