// What the engine's add-on calls (the MIDI functions) build on: plug-in extensions and the
// engine's error code.
#pragma once

#include <memory>

namespace tavelo::engine {

// The first loaded plug-in's extension of that name, or null; the pointer keeps its plug-in loaded.
std::shared_ptr<void> pluginExtension(const char* name);

// Sets what BASS_ErrorGetCode answers on this thread.
void setLastError(int code);

}  // namespace tavelo::engine
