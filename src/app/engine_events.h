// The engine reports on its own threads; this object hands each report to the window thread as
// a signal, so no widget is ever touched from an engine thread.
#pragma once

#include "engine/engine.h"

#include <QByteArray>
#include <QObject>

namespace tavelo {

// A report about the radio stream of one connection (its generation), for the window thread.
struct RadioInfo {
  enum Code {
    Connecting = 0,
    OpenFailed = 1,    // number: the engine's error code, read on the thread that failed
    Buffering = 2,     // number: percent
    StationName = 3,
    Bitrate = 4,
    Title = 7,         // text: the title's bytes as the stream has them
    ServerReply = 8,   // text: the first line of a reply's headers
    RawRecordEnded = 9,
    Buffered = 10,
    StreamReady = 100,      // number: the stream, connected and buffered
    DownloadEnded = 101,    // the stream's download ended (dropped, finished or failed)
    RecordWriteFailed = 102,
  };
  quint64 generation = 0;
  int code = 0;
  QByteArray text;  // a copy: the sender's buffer may be gone when the window reads it
  qint64 number = 0;
};

class EngineEvents : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;

  // streamEnded(channel) follows when channel plays to its end. Lives as long as the channel.
  HSYNC watchEnd(DWORD channel);
  // Any thread: radioInfo(info) follows on this object's thread. Never waits for the window.
  void postRadioInfo(RadioInfo info);

 signals:
  // Emitted on the thread this object lives in (the window's), never on an engine thread.
  void streamEnded(DWORD channel);
  void radioInfo(const tavelo::RadioInfo& info);

 private:
  static void onEnd(HSYNC sync, DWORD channel, DWORD data, void* user);
};

}  // namespace tavelo
