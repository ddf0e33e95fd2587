#include "util/fields.h"

#include <gtest/gtest.h>

using namespace tavelo;

namespace {

TEST(GetField, ReturnsTheWantedFieldsLessTheLastCollectedCharacter) {
  struct Case {
    const char* text;
    int first;
    int count;
    const char* expected;
  };
  const Case cases[] = {
      {"a^bb^ccc^", 1, 1, "a"},
      {"a^bb^ccc^", 2, 1, "bb"},
      {"a^bb^ccc^", 3, 1, "ccc"},
      {"a^bb^ccc^", 4, 1, ""},  // beyond the end
      {"a^bb^ccc^", 1, 2, "a^bb"},
      {"a^bb^ccc^", 2, 5, "bb^ccc"},  // runs off the end: the caret goes
      {"a^bb^ccc", 3, 1, "cc"},       // an unterminated last field loses a character
      {"a^bb^c", 3, 1, ""},
      {"^^x^", 1, 1, ""},
      {"^^x^", 3, 1, "x"},
      {"", 1, 1, ""},
      {"2^5", 2, 1, ""},
      {"/music/a.mp3^\xc3\x9c^", 2, 1, "\xc3\x9c"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(GetField(QString::fromUtf8(c.text), c.first, c.count, QLatin1Char('^')).toUtf8(), c.expected)
        << c.text << " first " << c.first << " count " << c.count;
}

TEST(FormatMinSec, TwoDigitMinutesAndSeconds) {
  const std::pair<int, const char*> cases[] = {
      {0, "00:00"}, {59, "00:59"}, {60, "01:00"}, {3725, "62:05"}, {6000, "100:00"}, {-65, "-01:-05"}};
  for (const auto& [seconds, expected] : cases)
    EXPECT_EQ(FormatMinSec(seconds).toStdString(), expected) << seconds;
}

}  // namespace
