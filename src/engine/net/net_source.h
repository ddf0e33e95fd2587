// A net stream as a source: the download's buffer decoded by the built-in MPEG or Vorbis decoder
// or a plug-in, the ICY titles told where they are heard.
#pragma once

#include "engine/net/download.h"
#include "engine/source.h"

#include <memory>

namespace tavelo::engine {

// Creating thread, once the download's last reply is sound: reads until the format is known
// (the download may still be cancelled meanwhile). MP3 and Vorbis are decoded by the engine, AAC
// by a plug-in (*plugin: the one that took it, else 0). Null with *error set when it is no sound
// this engine decodes.
std::unique_ptr<Source> openNetSource(std::shared_ptr<Download> download, HPLUGIN* plugin, int* error);

}  // namespace tavelo::engine
