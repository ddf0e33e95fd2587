#include "app/engine_events.h"

namespace tavelo {

HSYNC EngineEvents::watchEnd(DWORD channel) {
  return BASS_ChannelSetSync(channel, BASS_SYNC_END, 0, &EngineEvents::onEnd, this);
}

// Runs on an engine thread: the signal is queued to this object's thread. A report still
// queued when the object goes is dropped with it.
void EngineEvents::onEnd(HSYNC, DWORD channel, DWORD, void* user) {
  auto* events = static_cast<EngineEvents*>(user);
  QMetaObject::invokeMethod(events, [events, channel] { emit events->streamEnded(channel); }, Qt::QueuedConnection);
}

void EngineEvents::postRadioInfo(RadioInfo info) {
  QMetaObject::invokeMethod(
      this, [this, info = std::move(info)] { emit radioInfo(info); }, Qt::QueuedConnection);
}

}  // namespace tavelo
