// The equaliser as heard: a band raised in the window's panel, switched on while a tone plays,
// recorded by a pipe sink that keeps real time.
#include "app/equalizer_panel.h"
#include "live_monitor.h"
#include "program_folder.h"

#include <QCheckBox>
#include <QPushButton>
#include <QSlider>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr int kRate = 44100;
constexpr std::size_t kBlock = kRate / 100;  // 10 ms
constexpr int kRaisedPosition = 3;           // +12 dB

// RMS of each 10 ms block.
std::vector<double> blockLevels(const std::vector<double>& samples) {
  std::vector<double> levels;
  for (std::size_t at = 0; at + kBlock <= samples.size(); at += kBlock) {
    double sum = 0;
    for (std::size_t i = at; i < at + kBlock; ++i) sum += samples[i] * samples[i];
    levels.push_back(std::sqrt(sum / double(kBlock)));
  }
  return levels;
}

double median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::nth_element(values.begin(), values.begin() + std::ptrdiff_t(values.size() / 2), values.end());
  return values[values.size() / 2];
}

double medianBetween(const std::vector<double>& levels, std::size_t from, std::size_t to) {
  return median({levels.begin() + std::ptrdiff_t(std::min(from, levels.size())),
                 levels.begin() + std::ptrdiff_t(std::min(to, levels.size()))});
}

bool makeTone(const QString& path) {
  QProcess ffmpeg;  // ffmpeg's sine has amplitude 1/8: -18 dBFS
  ffmpeg.start(QStringLiteral("ffmpeg"), {"-v", "error", "-y", "-f", "lavfi", "-i",
                                          "sine=frequency=1000:sample_rate=44100:duration=6", "-ac", "1", path});
  return ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0;
}

TEST(EqualizerOnPulse, ABandAtPlus12IsHeard12DecibelsLouderWithinASecondOfSwitchingItOn) {
  QTemporaryDir music;
  const QString tone = music.filePath(QStringLiteral("tone.wav"));
  ASSERT_TRUE(makeTone(tone));
  LiveMonitor monitor;
  ProgramFolder program;
  StartedForm form(program);
  ASSERT_TRUE(form.create());
  form->findChild<QSlider*>(QStringLiteral("tbar_1000"))->setValue(kRaisedPosition);
  form.dialogs.chosenFiles.enqueue({tone});
  form->ButtonOpen->click();
  LiveMonitor::runEventsFor(2500);
  const qint64 switchedAt = monitor.now();
  form->findChild<QCheckBox*>(QStringLiteral("cbox_enEQ"))->click();
  QElapsedTimer clock;
  clock.start();
  while (!form->Stopped && clock.elapsed() < 10000) LiveMonitor::runEventsFor(50);
  LiveMonitor::runEventsFor(1000);  // what the server still held
  monitor.stop();

  const std::vector<double> levels = blockLevels(monitor.samples());
  const auto first = std::size_t(std::find_if(levels.begin(), levels.end(), [](double l) { return l > 0.02; }) - levels.begin());
  const auto last = std::size_t(std::find_if(levels.rbegin(), levels.rend(), [](double l) { return l > 0.02; }).base() - levels.begin());
  ASSERT_LT(first + 400, last) << "the tone was not heard whole";
  const double plain = medianBetween(levels, first + 50, first + 150);
  const double raised = medianBetween(levels, last - 150, last - 50);
  EXPECT_NEAR(20 * std::log10(raised / plain), 12.0, 0.5);

  const double halfway = plain * std::pow(10.0, 6.0 / 20);
  const auto rise = std::size_t(std::find_if(levels.begin() + std::ptrdiff_t(first), levels.end(),
                                             [&](double l) { return l > halfway; }) - levels.begin());
  ASSERT_LT(rise, levels.size());
  const qint64 heardAfterMs = monitor.heardBy(rise * kBlock) - switchedAt;
  EXPECT_LT(heardAfterMs, 1000) << "heard within a second";
  std::printf("the band raised the tone %+.2f dB, heard %lld ms after the switch\n", 20 * std::log10(raised / plain),
              static_cast<long long>(heardAfterMs));
}

}  // namespace
