// What a PulseAudio pipe sink, made the default sink, plays while a window runs: the samples, and
// when each piece of them arrived (a clock shared with the window's clicks).
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <utility>
#include <vector>

// Read from the sink's FIFO; the sink keeps real time, so silence is heard as silence.
class LiveMonitor {
 public:
  LiveMonitor() {
    clock_.start();
    module_ = pactl({"load-module", "module-pipe-sink", "sink_name=pipesink", "file=" + fifo_.filePath("sink"),
                     "format=s16le", "rate=44100", "channels=1", "use_system_clock_for_timing=yes"})
                  .trimmed();
    EXPECT_FALSE(module_.isEmpty()) << "no pipe sink";
    pactl({"set-default-sink", "pipesink"});
    QObject::connect(&reader_, &QProcess::readyReadStandardOutput, [this] { take(); });
    reader_.start(QStringLiteral("cat"), {fifo_.filePath("sink")});
    EXPECT_TRUE(reader_.waitForStarted());
    runEventsFor(500);  // reading
  }
  ~LiveMonitor() { stop(); }
  void stop() {
    if (reader_.state() == QProcess::NotRunning) return;
    pactl({"unload-module", module_});  // the pipe ends, and with it the reader
    reader_.waitForFinished(5000);
    take();
  }
  qint64 now() const { return clock_.elapsed(); }
  const std::vector<double>& samples() const { return samples_; }
  // The latest time (ms) at which sample index had been heard: when it reached this process.
  qint64 heardBy(std::size_t index) const {
    for (const auto& [count, at] : arrivals_)
      if (count > index) return at;
    return -1;
  }
  static void runEventsFor(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }

 private:
  static QString pactl(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral("pactl"), arguments);
    process.waitForFinished(5000);
    return QString::fromUtf8(process.readAllStandardOutput());
  }

  void take() {
    pending_ += reader_.readAllStandardOutput();
    const qsizetype whole = pending_.size() / 2 * 2;
    for (qsizetype i = 0; i < whole; i += 2) {
      const auto sample = qint16(quint8(pending_[i]) | quint8(pending_[i + 1]) << 8);
      samples_.push_back(sample / 32768.0);
    }
    pending_.remove(0, whole);
    arrivals_.emplace_back(samples_.size(), clock_.elapsed());
  }

  QTemporaryDir fifo_;
  QString module_;
  QProcess reader_;
  QElapsedTimer clock_;
  QByteArray pending_;
  std::vector<double> samples_;
  std::vector<std::pair<std::size_t, qint64>> arrivals_;
};

// The frequency of a clean tone between two sample positions of the sink (44.1 kHz), from its
// rising zero crossings.
inline double frequencyBetween(const std::vector<double>& samples, std::size_t from, std::size_t to) {
  double firstCrossing = -1;
  double lastCrossing = -1;
  int crossings = 0;
  for (std::size_t i = from + 1; i < to && i < samples.size(); ++i) {
    if (samples[i - 1] >= 0 || samples[i] < 0) continue;
    const double at = double(i - 1) + samples[i - 1] / (samples[i - 1] - samples[i]);
    if (crossings++ == 0) firstCrossing = at;
    lastCrossing = at;
  }
  return crossings < 2 ? 0 : (crossings - 1) * 44100.0 / (lastCrossing - firstCrossing);
}
