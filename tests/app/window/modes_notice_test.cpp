// The caption watcher on Timer2 and the notice window at the bottom right of the screen.
#include "app/glyphs.h"
#include "app/tags.h"
#include "modes_fixture.h"

#include <QLabel>
#include <QPushButton>
#include <QScreen>

using namespace tavelo;

namespace {

class CaptionNotice : public ModesWindow {
 protected:
  void SetUp() override { ASSERT_NO_FATAL_FAILURE(start()); }
  QLabel* notice() { return form().NoticeWindow; }
  bool noticeShows(const QString& text) { return notice() && notice()->isVisible() && notice()->text() == text; }
  void ticks(int count) {
    for (int tick = 0; tick < count; ++tick) form().Timer2Timer();
  }
};

TEST_F(CaptionNotice, NewCaptionBecomesANoticeAtTheBottomRightOfTheScreen) {
  form().Timer2Timer();
  ASSERT_TRUE(noticeShows("Tavelo Mode ->  Audio Files"));
  EXPECT_TRUE(notice()->isWindow());
  EXPECT_TRUE(notice()->windowFlags() & Qt::FramelessWindowHint);
  const QScreen* screen = form().screen();
  const QRect placed = notice()->geometry();
  EXPECT_EQ(placed.right(), screen->geometry().right() - 6);
  EXPECT_EQ(placed.bottom(), screen->availableGeometry().bottom());
  EXPECT_EQ(placed.height(), 16);
  EXPECT_EQ(placed.width(), notice()->fontMetrics().horizontalAdvance(notice()->text()) + 8);
}

TEST_F(CaptionNotice, OnlyTheCaptionSeenAtTheTickIsShown) {
  form().Timer2Timer();
  form().setWindowTitle(QStringLiteral("Play a.mp3"));
  form().setWindowTitle(QStringLiteral("Play b.mp3"));
  form().Timer2Timer();
  EXPECT_TRUE(noticeShows("Play b.mp3"));
  EXPECT_EQ(form().Captions.lastSeen(), "Play b.mp3");
}

TEST_F(CaptionNotice, StaysTwoHundredTicksAndANewerOneStartsAgain) {
  form().Timer2Timer();
  ticks(199);
  EXPECT_TRUE(notice()->isVisible());
  form().setWindowTitle(QStringLiteral("Play c.mp3"));
  ticks(200);  // the new caption restarts the count
  EXPECT_TRUE(noticeShows("Play c.mp3"));
  ticks(1);
  EXPECT_FALSE(notice()->isVisible());
  ticks(5);  // an unchanged caption brings nothing back
  EXPECT_FALSE(notice()->isVisible());
}

TEST_F(CaptionNotice, RadioRecordingMarksTheNotice) {
  form().Timer2Timer();
  form().radioMode().setRecordRunning(true);
  form().setWindowTitle(QStringLiteral("Radio - Song"));
  form().Timer2Timer();
  form().radioMode().setRecordRunning(false);
  EXPECT_TRUE(noticeShows("<Record>        Radio - Song"));
}

TEST_F(CaptionNotice, NothingIsShownWhileClosing) {
  form().Closing = true;
  form().Notice(QStringLiteral("Bye"));
  EXPECT_FALSE(noticeShows("Bye"));  // the start-up volume's notice may still be up
  form().Closing = false;
}

}  // namespace
