// Engine handles that free what they hold when they go: a stream, a SoundFont. Move-only, so
// one owner frees each handle once; 0 is "none", as the engine has it.
#pragma once

#include "engine/engine.h"

#include <cstdint>
#include <utility>

namespace tavelo {

template <BOOL (*Free)(DWORD)>
class EngineHandle {
 public:
  EngineHandle() = default;
  explicit EngineHandle(std::uint32_t handle) : handle_(handle) {}
  EngineHandle(EngineHandle&& other) noexcept : handle_(std::exchange(other.handle_, 0)) {}
  EngineHandle& operator=(EngineHandle&& other) noexcept {
    if (this != &other) reset(std::exchange(other.handle_, 0));
    return *this;
  }
  EngineHandle(const EngineHandle&) = delete;
  EngineHandle& operator=(const EngineHandle&) = delete;
  ~EngineHandle() { reset(); }

  std::uint32_t get() const { return handle_; }
  explicit operator bool() const { return handle_ != 0; }
  // Frees the handle held (if any) and takes handle in its place.
  void reset(std::uint32_t handle = 0) {
    if (handle_ != 0) Free(handle_);
    handle_ = handle;
  }

 private:
  std::uint32_t handle_ = 0;
};

using StreamHandle = EngineHandle<BASS_StreamFree>;
using FontHandle = EngineHandle<BASS_MIDI_FontFree>;

}  // namespace tavelo
