// The player's window plays to a real sound server, and the test hears what it played through a
// pipe sink: what was heard, not what the player believes it played.
#include "audio_files.h"
#include "live_monitor.h"
#include "program_folder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <cstdio>
#include <cmath>

namespace {

using tavelo::test::WavData;

constexpr int kRate = 44100;
constexpr double kAmplitude = 0.5;
constexpr double kBlockSeconds = 0.01;

bool makeAudio(const QString& path, const QString& expression, double seconds) {
  QProcess ffmpeg;
  ffmpeg.start(QStringLiteral("ffmpeg"), {"-v", "error", "-y", "-f", "lavfi", "-i",
                                          QStringLiteral("aevalsrc=%1:s=%2:d=%3").arg(expression).arg(kRate).arg(seconds),
                                          "-ac", "2", path});
  return ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0;
}

std::vector<bool> loudBlocks(const std::vector<double>& samples) {
  const std::size_t block = std::size_t(kRate * kBlockSeconds);
  std::vector<bool> loud;
  for (std::size_t at = 0; at + block <= samples.size(); at += block) {
    double sum = 0;
    for (std::size_t i = at; i < at + block; ++i) sum += samples[i] * samples[i];
    loud.push_back(std::sqrt(sum / double(block)) > 0.1 * kAmplitude);
  }
  return loud;
}

// Runs of quiet blocks between the first and the last loud block: (first block, length).
std::vector<std::pair<std::size_t, std::size_t>> quietRuns(const std::vector<bool>& loud, std::size_t first,
                                                           std::size_t last) {
  std::vector<std::pair<std::size_t, std::size_t>> runs;
  for (std::size_t at = first; at <= last; ++at) {
    if (loud[at]) continue;
    std::size_t end = at;
    while (end <= last && !loud[end]) ++end;
    runs.emplace_back(at, end - at);
    at = end;
  }
  return runs;
}

class FilesOnPulse : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(music_.isValid()); }

  // Starts the window, opens path through the open dialog and lets the window run (its real
  // timers included) while `during` acts, then until the list has stopped.
  void playHeard(const QString& path, const std::function<void(TFormMyTavelo&)>& during) {
    ProgramFolder program;
    StartedForm form(program);
    ASSERT_TRUE(form.create());
    QObject::connect(&*form, &QWidget::windowTitleChanged, [this](const QString& title) { captions_ << title; });
    form.dialogs.chosenFiles.enqueue({path});
    form->ButtonOpen->click();
    during(*form);
    QElapsedTimer clock;
    clock.start();
    while ((form->filesMode().folderScanRunning() || !form->Stopped) && clock.elapsed() < 20000) LiveMonitor::runEventsFor(50);
    EXPECT_TRUE(form->Stopped) << "the list did not end";
    LiveMonitor::runEventsFor(1000);  // what the server still held (up to 850 ms) has played
    monitor_.stop();
    ASSERT_FALSE(monitor_.samples().empty());
  }

  LiveMonitor monitor_;
  QTemporaryDir music_;
  QStringList captions_;
};

// Two tracks of one file, 440 Hz then 880 Hz: both heard in order, with no quiet between them.
TEST_F(FilesOnPulse, CueTracksFollowEachOtherWithoutAGap) {
  const QString album = music_.filePath(QStringLiteral("album.wav"));
  ASSERT_TRUE(makeAudio(album, QStringLiteral("'%1*sin(2*PI*if(lt(t,2),440,880)*t)'").arg(kAmplitude), 4));
  const QString sheet = music_.filePath(QStringLiteral("album.cue"));
  QFile cue(sheet);
  ASSERT_TRUE(cue.open(QIODevice::WriteOnly));
  cue.write("FILE \"album.wav\" WAVE\r\n  TRACK 01 AUDIO\r\n    TITLE \"Low\"\r\n    INDEX 01 00:00:00\r\n"
            "  TRACK 02 AUDIO\r\n    TITLE \"High\"\r\n    INDEX 01 00:02:00\r\n");
  cue.close();

  playHeard(sheet, [](TFormMyTavelo&) {});
  const std::vector<double>& heard = monitor_.samples();
  EXPECT_EQ(captions_.filter(QStringLiteral("Play ")), (QStringList{"Play 01. Low", "Play 02. High"}));
  EXPECT_TRUE(captions_.contains("Audio Files - Stopped"));

  const std::vector<bool> loud = loudBlocks(heard);
  const auto first = std::size_t(std::find(loud.begin(), loud.end(), true) - loud.begin());
  ASSERT_LT(first, loud.size()) << "nothing was heard";
  const auto last = std::size_t(loud.rend() - std::find(loud.rbegin(), loud.rend(), true)) - 1;
  EXPECT_NEAR(double(last + 1 - first) * kBlockSeconds, 4.0, 0.12);
  EXPECT_TRUE(quietRuns(loud, first, last).empty()) << "a gap in the sound";

  // Where the tone changes: about 2 s after the start, the lower tone first.
  const std::size_t block = std::size_t(kRate * kBlockSeconds);
  const double end = double(last + 1) * kBlockSeconds;
  std::size_t change = first;
  while (change <= last && frequencyBetween(heard, change * block, (change + 1) * block) < 660) ++change;
  EXPECT_NEAR(end - double(change) * kBlockSeconds, 2.0, 0.05) << "the second tone starts 2 s before the end";
  EXPECT_NEAR(frequencyBetween(heard, first * block + kRate / 2, first * block + kRate), 440, 5);
  EXPECT_NEAR(frequencyBetween(heard, (last + 1) * block - kRate, (last + 1) * block - kRate / 2), 880, 5);
}

// The monitor's samples reach the test as they are heard, so the click and the silence share
// one clock. A rising tone tells from its pitch which moment of the file was heard, so the test
// also sees that Play goes on where the sound stopped.
TEST_F(FilesOnPulse, PauseSilencesAtOnceAndPlayResumesWhereItStopped) {
  constexpr double kStartHz = 200;
  constexpr double kRiseHzPerSecond = 500;
  // The sink hands over its samples a pipe's worth (46 ms) at a time, so a sample may reach the
  // test that much after it was heard; the window thread reads them between events.
  constexpr qint64 kMonitorDelayMs = 50;
  const auto fileSecondAt = [&](double hz) { return (hz - kStartHz) / kRiseHzPerSecond; };
  const QString chirp = music_.filePath(QStringLiteral("chirp.wav"));
  ASSERT_TRUE(makeAudio(chirp,
                        QStringLiteral("'%1*sin(2*PI*(%2*t+%3*t*t))'").arg(kAmplitude).arg(kStartHz).arg(kRiseHzPerSecond / 2),
                        4));
  qint64 pausedAt = -1;
  qint64 playedAt = -1;
  playHeard(chirp, [&](TFormMyTavelo& window) {
    LiveMonitor::runEventsFor(1500);
    pausedAt = monitor_.now();
    window.ButtonPause->click();
    LiveMonitor::runEventsFor(1000);
    playedAt = monitor_.now();
    window.ButtonPlay->click();
  });
  const std::vector<double>& heard = monitor_.samples();
  const std::vector<bool> loud = loudBlocks(heard);
  const auto first = std::size_t(std::find(loud.begin(), loud.end(), true) - loud.begin());
  ASSERT_LT(first, loud.size()) << "nothing was heard";
  const auto last = std::size_t(loud.rend() - std::find(loud.rbegin(), loud.rend(), true)) - 1;
  const auto runs = quietRuns(loud, first, last);
  ASSERT_EQ(runs.size(), 1u) << "one quiet stretch: the pause";

  const std::size_t block = std::size_t(kRate * kBlockSeconds);
  const std::size_t pauseStart = runs[0].first * block;
  const std::size_t resumeStart = (runs[0].first + runs[0].second) * block;
  const qint64 silentAfter = monitor_.heardBy(pauseStart) - pausedAt;
  const qint64 soundAfter = monitor_.heardBy(resumeStart) - playedAt;
  std::printf("quiet reached the monitor %lld ms after Pause, sound %lld ms after Play\n",
              static_cast<long long>(silentAfter), static_cast<long long>(soundAfter));
  EXPECT_LE(silentAfter, 100 + kMonitorDelayMs) << "the sound went on after Pause";
  EXPECT_GE(soundAfter, -kMonitorDelayMs);  // the first loud block may begin just before its sound
  EXPECT_LE(soundAfter, 1000) << "Play did not resume";

  const std::size_t window = kRate / 25;  // 40 ms
  // The pitch over the last 40 ms before the quiet is the pitch 20 ms before the sound stopped.
  const double stoppedAt = fileSecondAt(frequencyBetween(heard, pauseStart - window, pauseStart)) + 0.02;
  const double resumedAt = fileSecondAt(frequencyBetween(heard, resumeStart, resumeStart + window)) - 0.02;
  EXPECT_NEAR(resumedAt, stoppedAt, 0.04) << "nothing lost, nothing played twice";
}

}  // namespace
