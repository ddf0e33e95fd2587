#include "engine/plugin_host.h"

#include "engine/plugin_api.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <string>

namespace tavelo::engine {

struct LoadedPlugin {
  LoadedPlugin(void* library, const TaveloPlugin* plugin, HPLUGIN handle, std::string path)
      : library(library), plugin(plugin), handle(handle), path(std::move(path)) {
    for (std::uint32_t i = 0; i < plugin->format_count; ++i) {
      const TaveloPluginFormat& f = plugin->formats[i];
      formats.push_back({f.ctype, f.name, f.exts});
    }
    info = {plugin->version, static_cast<DWORD>(formats.size()), formats.data()};
  }
  ~LoadedPlugin() { dlclose(library); }
  LoadedPlugin(const LoadedPlugin&) = delete;
  LoadedPlugin& operator=(const LoadedPlugin&) = delete;

  void* library;
  const TaveloPlugin* plugin;
  HPLUGIN handle;
  std::string path;
  std::vector<BASS_PLUGINFORM> formats;
  BASS_PLUGININFO info{};
};

namespace {

// A plug-in's source seen as an engine source; it keeps the plug-in loaded while it is open.
class PluginSource final : public Source {
public:
  PluginSource(std::shared_ptr<LoadedPlugin> owner, void* source, const TaveloSourceInfo& info)
      : owner_(std::move(owner)), ops_(owner_->plugin->ops), source_(source) {
    format_ = {info.rate, info.channels, info.ctype, info.origres};
  }
  ~PluginSource() override { ops_->close(source_); }
  PluginSource(const PluginSource&) = delete;
  PluginSource& operator=(const PluginSource&) = delete;

  SourceFormat format() const override { return format_; }
  std::int64_t lengthFrames() const override { return ops_->length_frames(source_); }
  std::int64_t read(float* out, std::int64_t frames) override { return std::max<std::int64_t>(ops_->read(source_, out, frames), 0); }
  bool seek(std::int64_t frame) override { return ops_->seek(source_, frame) != 0; }
  std::uint64_t filePosition(std::uint32_t mode) const override { return ops_->file_position(source_, mode); }
  void interrupt() override {
    if (ops_->size > offsetof(TaveloSourceOps, interrupt) && ops_->interrupt != nullptr) {
      ops_->interrupt(source_);
    }
  }

private:
  std::shared_ptr<LoadedPlugin> owner_;
  const TaveloSourceOps* ops_;
  void* source_;
  SourceFormat format_;
};

bool usable(const TaveloPlugin* plugin) {
  return plugin != nullptr && plugin->size >= offsetof(TaveloPlugin, open_stream) && plugin->ops != nullptr &&
         plugin->ops->size >= offsetof(TaveloSourceOps, interrupt) && plugin->open_file != nullptr &&
         (plugin->format_count == 0 || plugin->formats != nullptr);
}

std::string canonicalPath(const char* path) {
  char* resolved = realpath(path, nullptr);
  std::string result = resolved != nullptr ? resolved : path;
  std::free(resolved);
  return result;
}

}  // namespace

HPLUGIN PluginHost::load(const char* path, int* error) {
  struct stat st{};
  if (path == nullptr || stat(path, &st) != 0 || !S_ISREG(st.st_mode)) {
    *error = BASS_ERROR_FILEOPEN;
    return 0;
  }
  const std::string canonical = canonicalPath(path);
  std::lock_guard lock(mutex_);
  if (std::any_of(plugins_.begin(), plugins_.end(), [&](const auto& p) { return p->path == canonical; })) {
    *error = BASS_ERROR_ALREADY;
    return 0;
  }
  // Once loaded, a library stays mapped: its static state, and that of the libraries it pulls
  // in, is set up once per process instead of being lost at each unload (BASS_Free, or a library
  // that turns out to be no plug-in) and made again at the next load.
  void* library = dlopen(canonical.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (library == nullptr) {
    *error = BASS_ERROR_FILEFORM;
    return 0;
  }
  auto entry = reinterpret_cast<TaveloPluginEntry>(dlsym(library, TAVELO_PLUGIN_ENTRY));
  const TaveloPlugin* plugin = entry != nullptr ? entry(TAVELO_PLUGIN_API_VERSION) : nullptr;
  if (!usable(plugin)) {
    dlclose(library);
    *error = entry != nullptr ? BASS_ERROR_VERSION : BASS_ERROR_FILEFORM;
    return 0;
  }
  const HPLUGIN handle = nextHandle_++;
  plugins_.push_back(std::make_shared<LoadedPlugin>(library, plugin, handle, canonical));
  return handle;
}

bool PluginHost::free(HPLUGIN handle) {
  std::lock_guard lock(mutex_);
  if (handle == 0) {
    plugins_.clear();
    return true;
  }
  return std::erase_if(plugins_, [handle](const auto& p) { return p->handle == handle; }) > 0;
}

const BASS_PLUGININFO* PluginHost::info(HPLUGIN handle) const {
  std::lock_guard lock(mutex_);
  const auto it = std::find_if(plugins_.begin(), plugins_.end(), [handle](const auto& p) { return p->handle == handle; });
  return it != plugins_.end() ? &(*it)->info : nullptr;
}

std::shared_ptr<void> PluginHost::extension(const char* name) const {
  std::lock_guard lock(mutex_);
  for (const auto& loaded : plugins_) {
    void* found = loaded->plugin->get_extension != nullptr ? loaded->plugin->get_extension(name) : nullptr;
    if (found != nullptr) {
      return std::shared_ptr<void>(loaded, found);
    }
  }
  return nullptr;
}

// `open` is asked of each plug-in in load order: (plug-in, info, error) -> its source or null.
template <typename Open>
std::unique_ptr<Source> PluginHost::offer(Open open, HPLUGIN* taker, int* error) const {
  std::vector<std::shared_ptr<LoadedPlugin>> plugins;
  {
    std::lock_guard lock(mutex_);
    plugins = plugins_;
  }
  *error = BASS_ERROR_FILEFORM;
  for (const auto& loaded : plugins) {
    TaveloSourceInfo info{};
    info.size = sizeof(info);
    int pluginError = BASS_ERROR_FILEFORM;
    void* source = open(*loaded->plugin, &info, &pluginError);
    if (source != nullptr && info.rate > 0 && info.channels > 0) {
      *taker = loaded->handle;
      return std::make_unique<PluginSource>(loaded, source, info);
    }
    if (source != nullptr) {
      loaded->plugin->ops->close(source);
    }
    if (pluginError != BASS_ERROR_FILEFORM) {
      *error = pluginError;  // it is this plug-in's format, but the file is damaged
    }
  }
  return nullptr;
}

std::unique_ptr<Source> PluginHost::open(const char* path, DWORD flags, HPLUGIN* taker, int* error) const {
  return offer([&](const TaveloPlugin& plugin, TaveloSourceInfo* info, int* pluginError) {
    return plugin.open_file(path, flags, info, pluginError);
  }, taker, error);
}

std::unique_ptr<Source> PluginHost::openStream(const TaveloByteStream& stream, const char* contentType, DWORD flags,
                                               HPLUGIN* taker, int* error) const {
  return offer([&](const TaveloPlugin& plugin, TaveloSourceInfo* info, int* pluginError) -> void* {
    const bool offers = plugin.size >= offsetof(TaveloPlugin, open_stream) + sizeof(plugin.open_stream) &&
                        plugin.open_stream != nullptr;
    return offers ? plugin.open_stream(&stream, contentType, flags, info, pluginError) : nullptr;
  }, taker, error);
}

}  // namespace tavelo::engine
