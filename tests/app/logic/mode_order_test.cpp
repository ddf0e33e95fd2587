#include "app/mode_order.h"

#include <gtest/gtest.h>

using namespace tavelo;

namespace {

TEST(ModeOrder, CodesAndLines) {
  struct Case {
    ModeOrder order;
    int code;
    const char* line;
  };
  const Case cases[] = {{{0, 1, 2}, 12, "012"}, {{1, 2, 0}, 120, "120"}, {{2, 1, 0}, 210, "210"},
                        {{0, 2, 1}, 21, "021"}};
  for (const Case& c : cases) {
    EXPECT_EQ(modeOrderCode(c.order), c.code);
    EXPECT_EQ(modeOrderFromCode(c.code), c.order);
    EXPECT_EQ(formatModeOrderCode(c.code), c.line);
    EXPECT_EQ(parseModeOrderLine(c.line), c.order);
  }
}

TEST(ModeOrder, LinesThatAreNoOrder) {
  for (const char* line : {"", "12", "0123", "112", "0 1", "-12", "abc", "\xd9\xa1\xd9\xa2\xd9\xa0"})
    EXPECT_EQ(parseModeOrderLine(QString::fromUtf8(line)), std::nullopt) << line;
}

TEST(ModeOrder, StepOfAModeIsTheLastBoxSelectingIt) {
  EXPECT_EQ(modeStepOf({0, 1, 2}, 0), 0);
  EXPECT_EQ(modeStepOf({1, 2, 0}, 0), 2);
  EXPECT_EQ(modeStepOf({2, 0, 1}, 0), 1);
  EXPECT_EQ(modeStepOf({0, 0, 1}, 0), 1);
  EXPECT_EQ(modeStepOf({1, 1, 2}, 0), 0);
}

}  // namespace
