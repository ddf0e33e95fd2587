// The plain bar of the level meters and the position bar: the values it takes, and that a new
// value repaints only the strip of pixels it changes, or nothing when no pixel changes.
#include "app/tags.h"
#include "app/value_bar.h"

#include <QCoreApplication>
#include <QPaintEvent>
#include <QTest>
#include <gtest/gtest.h>

using namespace tavelo;

namespace {

// Records the rectangles the bar is asked to repaint.
class PaintRecorder : public QObject {
 public:
  QList<QRect> painted;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) painted.append(static_cast<QPaintEvent*>(event)->rect());
    return false;
  }
};

class ShownBar : public ::testing::Test {
 protected:
  // 52 pixels wide: a 1-pixel border around 50 pixels of inside, half a pixel per step.
  void SetUp() override {
    bar.setGeometry(0, 0, 52, 10);
    bar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
    QCoreApplication::processEvents();
    bar.installEventFilter(&recorder);
  }

  QList<QRect> paintsAfter(int value) {
    recorder.painted.clear();
    bar.setValue(value);
    QCoreApplication::processEvents();
    return recorder.painted;
  }

  ValueBar bar;
  PaintRecorder recorder;
};

TEST(ValueBar, TakesValuesInsideItsRangeOnly) {
  struct Case {
    int value;
    int shown;  // the value afterwards: one outside the range leaves the bar as it was
  };
  const Case cases[] = {{40, 40}, {100, 100}, {0, 0}, {101, 0}, {-1, 0}};
  ValueBar bar;
  for (const Case& step : cases) {
    bar.setValue(step.value);
    EXPECT_EQ(bar.value(), step.shown) << step.value;
  }
}

TEST(ValueBar, ANarrowerRangeKeepsTheValueInside) {
  ValueBar bar;
  bar.setValue(80);
  bar.setRange(0, 50);
  EXPECT_EQ(bar.value(), 50);
}

TEST(ValueBar, CarriesATagAsOtherControlsDo) {
  ValueBar bar;
  setTag(&bar, 300);
  EXPECT_EQ(tagOf(&bar), 300);
  EXPECT_EQ(bar.tag(), 300);
}

TEST_F(ShownBar, ANewValueRepaintsOnlyTheChangedStrip) {
  EXPECT_EQ(paintsAfter(40), QList<QRect>{QRect(1, 1, 20, 8)});
  EXPECT_EQ(bar.filledWidth(), 20);
  EXPECT_EQ(paintsAfter(30), QList<QRect>{QRect(16, 1, 5, 8)}) << "a falling meter repaints what it leaves";
}

TEST_F(ShownBar, AValueThatChangesNoPixelRepaintsNothing) {
  paintsAfter(50);
  EXPECT_TRUE(paintsAfter(51).isEmpty());
  EXPECT_EQ(bar.value(), 51);
  EXPECT_TRUE(paintsAfter(51).isEmpty());
}

}  // namespace
