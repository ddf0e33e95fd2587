// The radio's work off the window thread: the connection thread that opens a station's stream
// and waits for its buffer, the engine's download callback that feeds the raw recording, and
// the title syncs. Every report is tagged with the generation of its connection; the window
// starts a new generation to cancel one, and drops reports of any other.
#pragma once

#include "app/engine_events.h"

#include <QByteArray>
#include <QString>
#include <atomic>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace tavelo {

// The raw bytes of a stream written to a file. Written from the download callback and stopped
// from the window: once stop() returns, no byte is written.
class RawRecorder {
 public:
  ~RawRecorder() { stop(); }
  // Creates path + ".part" (never over an existing file) for the bytes of the download of
  // generation; filed as path, or the next free number when path was taken meanwhile, when the
  // recording ends. False when the file cannot be created.
  bool start(const QString& path, quint64 generation);
  // True when this call ended a recording (it was running).
  bool stop();
  bool running() const;
  enum class Write { NotRecording, Written, Failed };
  // A failed write ends the recording; the caller reports it with *failure, the system's words.
  Write write(quint64 generation, const void* data, std::size_t length, QByteArray* failure);
  // The download of generation ended: true when that ended the recording.
  bool downloadEnded(quint64 generation);

 private:
  void closeLocked();

  mutable std::mutex lock_;
  std::FILE* file_ = nullptr;
  QString path_;
  quint64 generation_ = 0;
};

// What the engine's callbacks of one connection reach.
class RadioFeed;
struct DownloadContext {
  RadioFeed* feed;
  quint64 generation;
};

class RadioFeed {
 public:
  explicit RadioFeed(EngineEvents& events) : events_(events) {}

  // A new connection: reports of every earlier one are dropped from now on.
  DownloadContext* newGeneration();
  quint64 generation() const { return generation_.load(); }
  bool current(quint64 generation) const { return generation == generation_.load(); }
  // Ends every connection: the window wants no more reports from them.
  void cancel() { ++generation_; }

  void post(RadioInfo info) { events_.postRadioInfo(std::move(info)); }
  RawRecorder& recorder() { return recorder_; }

  // The engine's download callback; user is the connection's DownloadContext.
  static void onDownload(const void* buffer, DWORD length, void* user);
  // The title syncs (metadata, Ogg logical stream): report the title now heard.
  void watchTitles(DWORD stream, DownloadContext* context);
  // The title a stream's tags give now, or nothing when it has none.
  static std::optional<QByteArray> currentTitle(DWORD stream);

 private:
  static void onTitleSync(HSYNC sync, DWORD channel, DWORD data, void* user);

  EngineEvents& events_;
  std::atomic<quint64> generation_{0};
  RawRecorder recorder_;
  // One per connection, alive as long as the feed: the engine may call back until its stream
  // is freed. Touched on the window thread only.
  std::deque<DownloadContext> contexts_;
};

// One connection: opens the URL on a thread of its own ("radio-connect"), reports its progress,
// and hands the buffered stream to the window with StreamReady. Cancelled through its feed's
// generation and the engine's abort: a stream it still opens is freed without a report.
class RadioConnection {
 public:
  RadioConnection(DownloadContext* context, QByteArray url);
  ~RadioConnection();  // joins: the thread ends soon after a cancel
  RadioConnection(const RadioConnection&) = delete;
  RadioConnection& operator=(const RadioConnection&) = delete;
  bool finished() const { return finished_.load(); }

 private:
  void run();
  bool cancelled() const;
  // Waits until the buffer is full enough, reporting its filling; false when cancelled.
  bool waitForBuffer(HSTREAM stream);

  DownloadContext* context_;
  QByteArray url_;
  std::atomic<bool> finished_{false};
  std::thread thread_;
};

}  // namespace tavelo
