#include "radio/radio_timing.h"
#include "radio/radio_list.h"
#include "radio/station_choice.h"
#include "radio/station_settings.h"

#include <gtest/gtest.h>
#include <vector>

using namespace tavelo;
using namespace std::chrono_literals;

namespace {

TEST(RadioTiming, BufferPercentageAndTheEndOfTheWait) {
  const struct {
    const char* name;
    BufferReading reading;
    int percent;
    bool over;
  } cases[] = {
      {"empty buffer keeps waiting", {1000, 0, 0, kNoPosition, true}, 0, false},
      {"half full", {1000, 500, 0, kNoPosition, true}, 50, false},
      {"counts what is not decoded yet", {1000, 700, 300, kNoPosition, true}, 40, false},
      {"90 % still waits", {1000, 900, 0, kNoPosition, true}, 90, false},
      {"above 90 % plays", {1000, 910, 0, kNoPosition, true}, 91, true},
      {"decoded past downloaded is 0, not a huge number", {1000, 10, 20, kNoPosition, true}, 0, false},
      {"0 falls back on the WMA percentage", {1000, 0, 0, 95, true}, 95, true},
      {"more than the buffer shows 100", {1000, 5000, 0, kNoPosition, true}, 100, true},
      {"a closed connection ends the wait", {1000, 10, 0, kNoPosition, false}, 1, true},
      {"no buffer size: no wait", {kNoPosition, 0, 0, kNoPosition, true}, 100, true},
      {"a size of 0 does not divide", {0, 10, 0, kNoPosition, true}, 100, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(bufferPercent(c.reading), c.percent);
    EXPECT_EQ(bufferWaitOver(c.reading), c.over);
  }
  EXPECT_TRUE(skipBufferWait(0));
  EXPECT_TRUE(skipBufferWait(kNoPosition));
  EXPECT_FALSE(skipBufferWait(1));
  EXPECT_LE(1000ms / kBufferPollInterval, 20) << "at most 20 reports a second";
}

// The action of each silent tick after `silentTicks` silent ticks with `restarts` made before.
SilenceWatchdog::Action afterSilence(int restarts, int silentTicks) {
  SilenceWatchdog watchdog;
  for (int r = 0; r < restarts; ++r)
    for (int t = 0; t <= SilenceWatchdog::kSilentTicks; ++t) watchdog.tick(true);
  SilenceWatchdog::Action last = SilenceWatchdog::Action::None;
  for (int t = 0; t < silentTicks; ++t) last = watchdog.tick(true);
  return last;
}

TEST(RadioTiming, SilenceWatchdogRestartsAfter151TicksAndStopsAfter20Restarts) {
  using Action = SilenceWatchdog::Action;
  const struct {
    const char* name;
    int restartsBefore, silentTicks;
    Action action;
  } cases[] = {
      {"150 silent ticks wait", 0, 150, Action::None},
      {"the 151st restarts", 0, 151, Action::Restart},
      {"the 20th restart", 19, 151, Action::Restart},
      {"after 20 restarts it stops", 20, 151, Action::Stop},
      {"after 20 restarts 150 ticks still wait", 20, 150, Action::None},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(afterSilence(c.restartsBefore, c.silentTicks), c.action);
  }

  SilenceWatchdog watchdog;
  for (int t = 0; t < 150; ++t) watchdog.tick(true);
  EXPECT_EQ(watchdog.tick(false), Action::None) << "a sound starts the count again";
  for (int t = 0; t < 150; ++t) EXPECT_EQ(watchdog.tick(true), Action::None);
  EXPECT_EQ(watchdog.tick(true), Action::Restart);
  EXPECT_EQ(watchdog.restarts(), 1);
  watchdog.reset();
  EXPECT_EQ(watchdog.restarts(), 0) << "a station the user starts";

  SilenceWatchdog stopped;
  for (int r = 0; r <= SilenceWatchdog::kRestarts; ++r)
    for (int t = 0; t <= SilenceWatchdog::kSilentTicks; ++t) stopped.tick(true);
  EXPECT_EQ(stopped.restarts(), 0) << "stopping starts the count again";
}

TEST(RadioTiming, ReconnectBackoffDoublesToThirtySecondsAndResetsAfterAMinuteOfSound) {
  ReconnectBackoff backoff;
  std::vector<long> delays;
  for (int i = 0; i < 8; ++i) delays.push_back(long(backoff.next().count()));
  EXPECT_EQ(delays, (std::vector<long>{1, 2, 4, 8, 16, 30, 30, 30}));

  backoff.heard(59s);
  EXPECT_EQ(backoff.next(), 30s) << "59 s of sound is not enough";
  backoff.heard(30s);
  backoff.silence();
  backoff.heard(30s);
  EXPECT_EQ(backoff.next(), 30s) << "the minute must be unbroken";
  for (int tick = 0; tick < 300; ++tick) backoff.heard(200ms);
  EXPECT_EQ(backoff.next(), 1s);
  EXPECT_EQ(backoff.next(), 2s);
  backoff.reset();
  EXPECT_EQ(backoff.next(), 1s);
}

QStringList stationLines(const QString& url, const QString& proxy) {
  QStringList lines(91);
  lines[3 * 6] = QStringLiteral("Seven");
  lines[3 * 6 + 1] = url;
  lines[3 * 6 + 2] = proxy;
  return lines;
}

TEST(StationChoice, ReadsURLProxyAndNameOfTheButtonsStation) {
  const QString longest(kProxyTextLimit, QLatin1Char('p'));
  const struct {
    const char* name;
    int station;
    QString url, proxy;
    const char* refusal;
    bool inStatusLine;
  } cases[] = {
      {"a station with system proxy", 7, "http://127.0.0.1:8000/a", "", "", false},
      {"a blank URL is none", 7, "  ", "", "Not URL for This Button.", false},
      {"no URL", 7, "", "none", "Not URL for This Button.", false},
      {"99 proxy characters", 7, "http://x/", longest, "", false},
      {"100 proxy characters", 7, "http://x/", longest + "p", "Proxy text too long.", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const StationChoice choice = stationChoice(stationLines(c.url, c.proxy), c.station);
    EXPECT_EQ(choice.refusal, QLatin1String(c.refusal));
    EXPECT_EQ(choice.refusedInStatusLine, c.inStatusLine);
    if (choice.refusal.isEmpty()) {
      EXPECT_EQ(choice.url, c.url.trimmed());
      EXPECT_EQ(choice.proxyLine, c.proxy);
      EXPECT_EQ(choice.name, QStringLiteral("Seven"));
    }
  }
  QStringList cyrillic = stationLines(QStringLiteral("http://x/"), QString());
  setStationTitleEncoding(cyrillic, 7, TitleEncoding::Windows1251);
  EXPECT_EQ(stationChoice(cyrillic, 7).titleEncoding, TitleEncoding::Windows1251)
      << "titles are read in the station's own encoding";
  EXPECT_EQ(stationChoice(QStringList(), 7).refusal, QStringLiteral("Not URL for This Button."))
      << "a short list reads as empty lines";
}

}  // namespace
