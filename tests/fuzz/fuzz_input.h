// Helpers for fuzz targets whose parser reads a file by its name: the input is written to a
// file in a private temporary folder, replaced on every run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace tavelo::fuzz {

// The temporary folder of this process, made at the first call.
inline const std::string& scratchFolder() {
  static const std::string folder = [] {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/tavelo-fuzz-XXXXXX";
    if (!mkdtemp(pattern.data())) std::abort();
    return pattern;
  }();
  return folder;
}

// Writes the input to scratchFolder()/name and returns the file's path.
inline std::string writeInputFile(const char* name, const std::uint8_t* data, std::size_t size) {
  const std::string path = scratchFolder() + "/" + name;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) std::abort();
  if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
  std::fclose(file);
  return path;
}

}  // namespace tavelo::fuzz
