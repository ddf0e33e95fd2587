// A started window in a chosen mode order, shown on the offscreen screen; Timer2 is stopped so
// the test drives its ticks.
#pragma once

#include "program_folder.h"

#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

class ModesWindow : public ::testing::Test {
 protected:
  // order: the settings line of the mode order, "012" for Audio Files, Audio CD, Net Radio.
  void start(const QString& order = QStringLiteral("012")) {
    folder.write(QStringLiteral("Settings.ini"),
                 crlfLines({"/rec", "10", "", " ", "1", "0", "0^4^", "", "0", order}));
    started = std::make_unique<StartedForm>(folder);
    ASSERT_TRUE(started->create());
    form().Timer2->stop();
    form().show();
  }
  TFormMyTavelo& form() { return **started; }

  ProgramFolder folder;
  std::unique_ptr<StartedForm> started;
};
