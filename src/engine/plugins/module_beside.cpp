#include "engine/plugins/module_beside.h"

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include <string>

namespace tavelo::plugins {
namespace {

// The main program's file as the kernel knows it: dladdr names it as it was started, which is
// relative to a folder the program may since have left.
std::string programFile() {
  char path[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  return length > 0 ? std::string(path, static_cast<size_t>(length)) : std::string();
}

std::string folderOf(const void* anchor) {
  Dl_info info{};
  if (dladdr(anchor, &info) == 0 || info.dli_fname == nullptr) {
    return {};
  }
  const std::string file = info.dli_fname[0] == '/' ? std::string(info.dli_fname) : programFile();
  const auto slash = file.rfind('/');
  return slash == std::string::npos ? std::string() : file.substr(0, slash + 1);
}

}  // namespace

void* loadModuleBeside(const void* anchor, const char* relativePath, const char* entry) {
  const std::string folder = folderOf(anchor);
  if (folder.empty()) {
    return nullptr;
  }
  const std::string path = folder + relativePath;
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    return nullptr;
  }
  void* symbol = dlsym(module, entry);
  if (symbol != nullptr) {
    dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);  // pins it
  }
  dlclose(module);
  return symbol;
}

}  // namespace tavelo::plugins
