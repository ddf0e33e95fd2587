// A recording of a playing stream through an encoder (or the engine's WAVE writer) into a work
// file beside its target, filed under the target's name (or the next free number) when it ends.
// Ending waits for the encoder to finish, so it happens on a thread of its own and its outcome
// reaches the window thread later.
#pragma once

#include "engine/engine.h"

#include <QObject>
#include <QString>
#include <functional>
#include <thread>

namespace tavelo {

class StreamRecording {
 public:
  struct Target {
    QString folder, stem, extension;  // folder/stem + extension
  };
  // The program folder (encoders are looked for there first) and the bitrate index.
  struct Setup {
    QString programDir;
    int bitrate = 4;
  };
  // Runs on the window thread: the path the recording got (empty when nothing was filed) and why
  // it is incomplete (empty when complete).
  using Done = std::function<void(const QString& path, const QString& failure)>;

  StreamRecording() = default;
  ~StreamRecording();  // waits for an ending under way
  StreamRecording(const StreamRecording&) = delete;
  StreamRecording& operator=(const StreamRecording&) = delete;

  // Empty when it runs, else the message to show.
  QString start(DWORD stream, const Target& target, const Setup& setup);
  bool running() const { return encoder_ != 0; }
  // Whether the encoder still takes the sound; a recording that is not running is not active.
  bool active() const;
  // Ends a running recording; `done` is called once it is filed.
  void stop(Done done);
  // Waits until an ending under way has filed its file.
  void finishStopping();

 private:
  HENCODE encoder_ = 0;
  Target target_;
  QObject receiver_;  // the window thread's: `done` is queued to it
  std::thread stopping_;
};

// The texts shown when an encoder cannot start.
QString encoderStartFailure(bool wave);

// Starts the encoder that `target`'s extension chooses on `stream`, writing target's work file;
// `flags` are added to 16-bit samples (and the engine's WAVE writer for ".wav"). 0 when there
// is no such format, no encoder for it here, or it cannot start.
HENCODE startTargetEncoder(DWORD stream, const QString& target, int bitrate, const QString& programDir, DWORD flags);

}  // namespace tavelo
