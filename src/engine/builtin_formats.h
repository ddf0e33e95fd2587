// The formats the engine plays without plug-ins: MPEG audio layers 1-3, Ogg Vorbis, WAVE, AIFF.
#pragma once

#include <cstdint>

namespace tavelo::engine {

std::uint32_t classifyBuiltIn(int codecId, const char* demuxer);

}  // namespace tavelo::engine
