// What the engine's add-on calls (the MIDI functions) build on: plug-in extensions and the
// engine's error code.
#pragma once

#include "engine/engine.h"
#include "engine/plugin_api.h"
#include "engine/source.h"

#include <memory>
#include <optional>
#include <string>

namespace tavelo::engine {

class Channel;

// The channel of that handle, null when there is none.
std::shared_ptr<Channel> findChannel(DWORD handle);

// The first loaded plug-in's extension of that name, or null; the pointer keeps its plug-in loaded.
std::shared_ptr<void> pluginExtension(const char* name);

// Sets what BASS_ErrorGetCode answers on this thread.
void setLastError(int code);

// Offers bytes that arrive over time (a net stream the engine does not decode itself) to the
// loaded plug-ins; null with *error set when none takes them.
std::unique_ptr<Source> openPluginStream(const TaveloByteStream& stream, const char* contentType, HPLUGIN* taker, int* error);

// What net streams are opened with: copies of the configuration taken at one moment.
struct NetConfig {
  DWORD bufferMs = 5000;
  DWORD replyTimeoutMs = 10000;
  DWORD readTimeoutMs = 10000;
  bool playlists = false;
  std::optional<std::string> agent;
  std::optional<std::string> proxy;
};
// False when the engine is not initialised.
bool netConfig(NetConfig* config);

// Makes an open source a stream (a channel that plays on the device, or decode-only); `plugin` is
// the plug-in that opened it (0: built in). 0 with *error set when the engine was freed meanwhile.
HSTREAM addStream(std::unique_ptr<Source> source, DWORD flags, const std::string& path, HPLUGIN plugin, int* error);

}  // namespace tavelo::engine
