// The output devices: 0 is "No sound", then the sound server's sinks with the default one first.
#pragma once

#include <string>
#include <vector>

namespace tavelo::engine {

struct Device {
  std::string name;    // what the user sees (the sink's description)
  std::string driver;  // the sink's own name; empty for "No sound"
  bool isDefault = false;
};

inline constexpr const char* kNoSoundName = "No sound";

// Asks the sound server; with no server reachable the list holds "No sound" alone.
std::vector<Device> listDevices();

}  // namespace tavelo::engine
