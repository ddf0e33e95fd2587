// A conversion run: files (or ranges of them, CUE tracks) or CD tracks decoded and fed to the
// encoder of the ripping format on a thread of its own, 10000 bytes at a time. Each item is written to a work
// file beside its target and renamed over the target only when complete. What the run does
// reaches the window thread as queued calls of its Events.
#pragma once

#include <QObject>
#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace tavelo {

class CdTrackReader;

struct ConversionItem {
  QString source;
  double start = -1;  // seconds; -1: the beginning
  double end = -1;    // seconds; -1: the end of the file
  QString target;     // the file to make; its extension chooses the encoder
  // A CD track instead of a file: the engine's drive number and its track (from 0).
  int cdDrive = -1;
  int cdTrack = -1;
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
    // An item that was made, with the sectors the drive gave up on while reading it (CD tracks;
    // 0 for files). Optional.
    std::function<void(int item, int readErrors)> itemMade;
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
  Outcome convertFile(int index);
  Outcome ripCdTrack(int index);
  // Feeds bytes first to last of `stream` to the item's encoder and files the result.
  Outcome encodeRange(int index, std::uint32_t stream, std::uint64_t first, std::uint64_t last);
  Outcome fail(int index, const QString& message, Outcome outcome);
  void post(std::function<void()> call);

  const std::vector<ConversionItem> items_;
  const ConversionSettings settings_;
  const Events events_;
  std::atomic<bool> cancelled_{false};
  std::atomic<bool> done_{false};
  std::unique_ptr<CdTrackReader> cdReader_;  // made by the first CD item, kept for the next
  QObject receiver_;
  std::thread worker_;
};

// The targets of a run made distinct: a second item with the target of an earlier one gets the
// first free "001", "002" … before its extension.
void numberRepeatedTargets(std::vector<ConversionItem>& items);

}  // namespace tavelo
