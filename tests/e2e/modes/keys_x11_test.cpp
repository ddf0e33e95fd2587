// The real player on a virtual X display, driven by key presses that xdotool sends through
// the X server: the mode key steps through the user's order and the window follows.
#include "player_process.h"
#include "virtual_display.h"

#include <QDeadlineTimer>
#include <QFile>
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
    const QString windows = tool({"search", "--sync", "--onlyvisible", "--class", "TFormMyTavelo"});
    return windows.section(QLatin1Char('\n'), 0, 0);
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

  int windowHeight(const QString& window) {
    const QStringList lines = tool({"getwindowgeometry", "--shell", window}).split(QLatin1Char('\n'));
    for (const QString& line : lines) {
      if (line.startsWith(QLatin1String("HEIGHT="))) return line.mid(7).toInt();
    }
    return -1;
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
  EXPECT_EQ(player_.terminateAndWait(), 0) << player_.output().toStdString();
}

}  // namespace
