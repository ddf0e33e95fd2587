// The engine reports on its own threads; this object hands each report to the window thread as
// a signal, so no widget is ever touched from an engine thread.
#pragma once

#include "engine/engine.h"

#include <QObject>

namespace tavelo {

class EngineEvents : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;

  // streamEnded(channel) follows when channel plays to its end. Lives as long as the channel.
  HSYNC watchEnd(DWORD channel);

 signals:
  // Emitted on the thread this object lives in (the window's), never on an engine thread.
  void streamEnded(DWORD channel);

 private:
  static void onEnd(HSYNC sync, DWORD channel, DWORD data, void* user);
};

}  // namespace tavelo
