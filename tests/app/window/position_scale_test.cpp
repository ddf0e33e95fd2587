// The scale under the position bar (Label9) shows whole while a track plays, however long it is.
#include "files_fixture.h"

#include "files/position_display.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

using namespace tavelo;

namespace {

class PositionScale : public FilesWindow {
 protected:
  void expectWhole(const QString& text) {
    const QLabel* scale = form->Label9;
    EXPECT_LE(scale->fontMetrics().horizontalAdvance(text), scale->width()) << text.toStdString();
  }
};

TEST_F(PositionScale, APlayingTracksScaleFitsUnderTheBarAndIsVisible) {
  form->show();
  open(tone("song.wav", 5));
  const QLabel* scale = form->Label9;
  ASSERT_EQ(scale->text(), timeScaleText(5));
  expectWhole(scale->text());
  EXPECT_TRUE(scale->isVisible());
  // Under the bar, across its width, inside the position panel, clear of the buttons below.
  EXPECT_GE(scale->y(), form->PB1->geometry().bottom());
  EXPECT_LE(scale->x(), form->PB1->x());
  EXPECT_GE(scale->geometry().right(), form->PB1->geometry().right());
  EXPECT_TRUE(form->Panel2->contentsRect().contains(scale->geometry()));
  EXPECT_LT(form->Panel2->geometry().bottom(), form->ButtonOpen->y());
}

TEST_F(PositionScale, ScalesOfLongTracksFitToo) {
  for (const int seconds : {59, 5999, 6000, 36000, 999 * 60 + 59}) expectWhole(timeScaleText(seconds));
}

}  // namespace
