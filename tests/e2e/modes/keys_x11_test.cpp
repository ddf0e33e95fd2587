// The real player on a virtual X display, driven by key presses and clicks that xdotool sends
// through the X server: the mode key and the mode picture step through the user's order, the
// window follows, and a new caption shows as a notice in the screen's corner.
#include "player_process.h"
#include "virtual_display.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QHash>
#include <QRect>
#include <QThread>
#include <gtest/gtest.h>

namespace {

class KeysOnX11 : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(display_.display().isEmpty()) << "Xvfb did not start";
    ASSERT_FALSE(tool({"version"}).isEmpty()) << "xdotool is missing";
  }

  // Starts the player on a program folder whose settings hold the mode order; returns its window.
  QString startPlayer(const QString& modeOrder) {
    QFile settings(folder_.path() + QStringLiteral("Settings.ini"));
    if (settings.open(QIODevice::WriteOnly)) {
      settings.write(("/rec\r\n10\r\n\r\n \r\n1\r\n0\r\n0^4^\r\n\r\n0\r\n" + modeOrder + "\r\n").toUtf8());
    }
    settings.close();
    player_.setDisplay(display_.display());
    player_.start();
    return playerWindow(display_.display());
  }

  QString tool(const QStringList& arguments) { return runTool(display_.display(), arguments); }

  // The caption once it reads `expected`, or the last one seen after a few seconds.
  QString captionOnceItReads(const QString& window, const QString& expected) {
    QDeadlineTimer deadline(5000);
    QString caption = tool({"getwindowname", window});
    while (caption != expected && !deadline.hasExpired()) {
      QThread::msleep(50);
      caption = tool({"getwindowname", window});
    }
    return caption;
  }

  QRect windowGeometry(const QString& window) {
    QHash<QString, int> values;
    for (const QString& line : tool({"getwindowgeometry", "--shell", window}).split(QLatin1Char('\n'))) {
      values.insert(line.section(QLatin1Char('='), 0, 0), line.section(QLatin1Char('='), 1).toInt());
    }
    return QRect(values.value("X"), values.value("Y"), values.value("WIDTH"), values.value("HEIGHT"));
  }
  int windowHeight(const QString& window) { return windowGeometry(window).height(); }

  QString noticeWindow() {
    QDeadlineTimer deadline(5000);
    QString notice = playerWindow(display_.display(), QStringLiteral("Notice"));
    while (notice.isEmpty() && !deadline.hasExpired()) {
      QThread::msleep(50);
      notice = playerWindow(display_.display(), QStringLiteral("Notice"));
    }
    return notice;
  }

  // A key as the user types it: through the X server to the window that has the focus.
  void typeKey(const QString& window, const QString& key) {
    tool({"windowfocus", "--sync", window});
    tool({"key", "--clearmodifiers", key});
  }

  VirtualDisplay display_;
  RuntimeFolder runtime_;
  PlayerFolder folder_;
  PlayerProcess player_{folder_, runtime_};
};

TEST_F(KeysOnX11, ModeKeyStepsThroughTheUsersOrder) {
  const QString window = startPlayer(QStringLiteral("201"));  // Net Radio, Audio Files, Audio CD
  ASSERT_FALSE(window.isEmpty()) << player_.output().toStdString();
  EXPECT_EQ(captionOnceItReads(window, "Tavelo Mode ->  Net Radio"), "Tavelo Mode ->  Net Radio");
  EXPECT_EQ(windowHeight(window), 309);

  const struct {
    const char* key;
    const char* caption;
    int height;
  } steps[] = {
      {"m", "Tavelo Mode ->  Audio Files", 382},
      {"M", "Tavelo Mode ->  Audio Files", 382},  // only the lower-case letter acts
      {"m", "Tavelo Mode ->  Audio CD", 382},
      {"m", "Tavelo Mode ->  Net Radio", 309},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.key);
    typeKey(window, QString::fromLatin1(step.key));
    EXPECT_EQ(captionOnceItReads(window, QString::fromLatin1(step.caption)), step.caption);
    EXPECT_EQ(windowHeight(window), step.height);
  }
  // A click on the mode picture steps on as the key does.
  tool({"mousemove", "--window", window, "376", "34", "click", "1"});
  EXPECT_EQ(captionOnceItReads(window, "Tavelo Mode ->  Audio Files"), "Tavelo Mode ->  Audio Files");
  EXPECT_EQ(player_.terminateAndWait(), 0) << player_.output().toStdString();
}

TEST_F(KeysOnX11, NewCaptionShowsANoticeAtTheScreensBottomRight) {
  const QString window = startPlayer(QStringLiteral("012"));
  ASSERT_FALSE(window.isEmpty()) << player_.output().toStdString();
  const QString notice = noticeWindow();
  ASSERT_FALSE(notice.isEmpty());
  const QRect placed = windowGeometry(notice);
  EXPECT_EQ(placed.x() + placed.width(), 1024 - 6);  // the virtual screen is 1024 x 768
  EXPECT_EQ(placed.y() + placed.height(), 768);
  EXPECT_EQ(placed.height(), 16);
  EXPECT_GT(placed.width(), 100);  // "Tavelo Mode ->  Audio Files"
  EXPECT_EQ(player_.terminateAndWait(), 0) << player_.output().toStdString();
}

}  // namespace
