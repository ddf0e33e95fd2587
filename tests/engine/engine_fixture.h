// The engine on the "No sound" device with the FFmpeg plug-in loaded, fresh for every test.
#pragma once

#include "engine/engine.h"
#include "media.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>
#include <vector>

namespace tavelo::test {

class EngineTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(BASS_Init(0, 44100, 0, nullptr, nullptr)) << BASS_ErrorGetCode();
    ASSERT_NE(BASS_PluginLoad(pluginPath().c_str(), 0), 0u) << BASS_ErrorGetCode();
  }
  void TearDown() override {
    BASS_Free();
    BASS_PluginFree(0);
  }

  static HSTREAM open(const std::string& name, DWORD flags = 0) {
    return BASS_StreamCreateFile(0, mediaPath(name).c_str(), 0, 0, flags);
  }
};

// Reads a decode-only channel to its end as float; returns the frames it gave.
std::int64_t decodeToEnd(HSTREAM stream, std::uint32_t channels, std::vector<float>* samples = nullptr);

// Waits up to `timeout` for `done`; true when it came.
bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout);

double positionSeconds(HSTREAM stream);

}  // namespace tavelo::test
