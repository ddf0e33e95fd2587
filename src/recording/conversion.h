// A conversion run: files (or ranges of them, CUE tracks) decoded and fed to the encoder of the
// ripping format on a thread of its own, 10000 bytes at a time. Each item is written to a work
// file beside its target and renamed over the target only when complete. What the run does
// reaches the window thread as queued calls of its Events.
#pragma once

#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <thread>
#include <vector>

namespace tavelo {

struct ConversionItem {
  QString source;
  double start = -1;  // seconds; -1: the beginning
  double end = -1;    // seconds; -1: the end of the file
  QString target;     // the file to make; its extension chooses the encoder
};

struct ConversionSettings {
  QString programDir;  // encoders are looked for here first
  int bitrate = 4;
};

class ConversionRun {
 public:
  // Each runs on the thread that made the run.
  struct Events {
    std::function<void(int item)> itemStarted;
    std::function<void(int item, int percent)> progress;  // when the percentage changes
    // An item that was not made: what to tell the user.
    std::function<void(int item, const QString& message)> itemFailed;
    std::function<void()> finished;
  };

  ConversionRun(std::vector<ConversionItem> items, ConversionSettings settings, Events events);
  ~ConversionRun();  // cancels and waits
  ConversionRun(const ConversionRun&) = delete;
  ConversionRun& operator=(const ConversionRun&) = delete;

  // The item under way stops, its work file is removed; the finished ones stay.
  void cancel() { cancelled_ = true; }
  bool running() const { return !done_; }

 private:
  enum class Outcome { Made, Skipped, RunEnds };
  void run();
  Outcome convert(int index);
  void post(std::function<void()> call);

  const std::vector<ConversionItem> items_;
  const ConversionSettings settings_;
  const Events events_;
  std::atomic<bool> cancelled_{false};
  std::atomic<bool> done_{false};
  QObject receiver_;
  std::thread worker_;
};

// The targets of a run made distinct: a second item with the target of an earlier one gets the
// first free "001", "002" … before its extension.
void numberRepeatedTargets(std::vector<ConversionItem>& items);

}  // namespace tavelo
