// Which files the FFmpeg plug-in takes, decided without FFmpeg: by name, or by the first bytes of
// a container that carries one of its formats (so a misnamed FLAC still plays, while MIDI files,
// pictures and damaged MP3 files never load the decoder).
#pragma once

#include "engine/plugin_api.h"

#include <span>

namespace tavelo::ffmpeg {

bool mayBeOurs(const char* path, std::span<const TaveloPluginFormat> formats);

}  // namespace tavelo::ffmpeg
