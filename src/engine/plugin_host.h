// Plug-ins: shared libraries that add formats through the C interface of plugin_api.h.
#pragma once

#include "engine/engine.h"
#include "engine/plugin_api.h"
#include "engine/source.h"

#include <memory>
#include <mutex>
#include <vector>

namespace tavelo::engine {

struct LoadedPlugin;

class PluginHost {
public:
  // Returns the handle, or 0 with *error set.
  HPLUGIN load(const char* path, int* error);
  // 0 frees every plug-in. Sources already open keep their plug-in's code until they close.
  bool free(HPLUGIN handle);
  const BASS_PLUGININFO* info(HPLUGIN handle) const;
  // The first loaded plug-in's extension of that name; the pointer keeps its plug-in loaded.
  std::shared_ptr<void> extension(const char* name) const;
  // Offers the file to each plug-in in load order; null with *error set when none takes it.
  std::unique_ptr<Source> open(const char* path, DWORD flags, HPLUGIN* taker, int* error) const;
  // Offers bytes that arrive over time to each plug-in that opens streams, in load order.
  std::unique_ptr<Source> openStream(const TaveloByteStream& stream, const char* contentType, DWORD flags,
                                     HPLUGIN* taker, int* error) const;

private:
  template <typename Open>
  std::unique_ptr<Source> offer(Open open, HPLUGIN* taker, int* error) const;

  mutable std::mutex mutex_;
  std::vector<std::shared_ptr<LoadedPlugin>> plugins_;
  HPLUGIN nextHandle_ = 0x20000;
};

}  // namespace tavelo::engine
