// Net streams: BASS_StreamCreateURL and the abandoning of creations in progress.
#include "engine/engine.h"

#include "engine/addon_support.h"
#include "engine/net/download.h"
#include "engine/net/net_source.h"
#include "engine/net/playlist.h"
#include "engine/plugins/module_beside.h"

#include <algorithm>
#include <list>
#include <mutex>

namespace tavelo::engine {
namespace {

// The download module, beside the program in its plug-in folder (out of the plug-in scan's reach).
constexpr const char* kFetchModule = "Plug-ins/net/download.so";

// A playlist's entries may be playlists once more; deeper than that is refused.
constexpr int kMaxPlaylistDepth = 1;

const TaveloFetchOps* fetchModule() {
  static const TaveloFetchOps* ops = [] {
    auto entry = reinterpret_cast<TaveloFetchEntry>(plugins::loadModuleBeside(reinterpret_cast<const void*>(&fetchModule), kFetchModule, TAVELO_FETCH_ENTRY));
    const TaveloFetchOps* found = entry != nullptr ? entry(TAVELO_FETCH_API_VERSION) : nullptr;
    return found != nullptr && found->size >= sizeof(TaveloFetchOps) ? found : nullptr;
  }();
  return ops;
}

// A BASS_StreamCreateURL in progress, which BASS_StreamAbortCreateURL abandons.
struct Creation {
  std::mutex mutex;
  bool abandoned = false;
  std::shared_ptr<Download> current;

  // False when abandoned: the download is not to be waited for.
  bool follow(const std::shared_ptr<Download>& download) {
    std::lock_guard lock(mutex);
    current = download;
    if (abandoned) {
      download->cancel();
    }
    return !abandoned;
  }
  void abandon() {
    std::lock_guard lock(mutex);
    abandoned = true;
    if (current) {
      current->cancel();
    }
  }
  bool wasAbandoned() {
    std::lock_guard lock(mutex);
    return abandoned;
  }
};

struct Creations {
  std::mutex mutex;
  std::list<std::shared_ptr<Creation>> active;
};

Creations& creations() {
  static Creations instance;
  return instance;
}

// Registered while alive.
class CreationScope {
public:
  CreationScope() : creation_(std::make_shared<Creation>()) {
    std::lock_guard lock(creations().mutex);
    creations().active.push_back(creation_);
  }
  ~CreationScope() {
    std::lock_guard lock(creations().mutex);
    creations().active.remove(creation_);
  }
  CreationScope(const CreationScope&) = delete;
  CreationScope& operator=(const CreationScope&) = delete;
  Creation& operator*() { return *creation_; }
  Creation* operator->() { return creation_.get(); }

private:
  std::shared_ptr<Creation> creation_;
};

struct Opener {
  const TaveloFetchOps& ops;
  const NetConfig& config;
  const std::shared_ptr<DownloadReport>& report;
  Creation& creation;

  HPLUGIN plugin = 0;  // the plug-in that decodes the stream opened, 0 for a built-in format

  std::unique_ptr<Source> open(const std::string& url, int depth, int* error) {
    const PlaylistRule playlists = !config.playlists ? PlaylistRule::NotFollowed
                                   : depth <= kMaxPlaylistDepth ? PlaylistRule::Followed
                                                                : PlaylistRule::TooDeep;
    DownloadOptions options{url, config.agent, config.proxy, config.replyTimeoutMs, config.readTimeoutMs,
                            config.bufferMs, playlists};
    auto download = Download::start(ops, std::move(options), report, error);
    if (!download || !creation.follow(download)) {
      return nullptr;
    }
    ReplyKind kind = ReplyKind::Sound;
    *error = download->awaitReply(&kind);
    if (*error != BASS_OK) {
      return nullptr;
    }
    if (kind == ReplyKind::Playlist) {
      return openEntries(*download, url, depth, error);
    }
    auto source = openNetSource(download, &plugin, error);
    if (source) {
      download->adopt();
    } else if (const int ended = download->endError(); ended != BASS_OK) {
      *error = ended;  // the sound stopped coming (a time-out) before its format was known
    }
    return source;
  }

  // The playlist's entries in order, until one plays.
  std::unique_ptr<Source> openEntries(Download& playlist, const std::string& url, int depth, int* error) {
    const std::optional<std::string> text = playlist.awaitPlaylist(error);
    if (!text) {
      return nullptr;
    }
    const std::string base = playlist.finalUrl();
    *error = BASS_ERROR_FILEOPEN;  // an empty playlist, or one of nothing playable
    for (const std::string& entry : playlistEntries(*text)) {
      const std::optional<std::string> target = resolveUrl(base, entry);
      if (!target || *target == base || *target == url || creation.wasAbandoned()) {
        continue;  // not a web address, or the playlist itself
      }
      int entryError = BASS_OK;
      if (auto source = open(*target, depth + 1, &entryError)) {
        return source;
      }
      *error = entryError;
    }
    return nullptr;
  }
};

}  // namespace
}  // namespace tavelo::engine

using namespace tavelo::engine;

extern "C" {

HSTREAM BASS_StreamCreateURL(const char* url, DWORD, DWORD flags, DOWNLOADPROC* proc, void* user) {
  NetConfig config;
  if (!netConfig(&config)) {
    setLastError(BASS_ERROR_INIT);
    return 0;
  }
  const TaveloFetchOps* ops = url != nullptr ? fetchModule() : nullptr;
  if (ops == nullptr) {
    setLastError(url == nullptr ? BASS_ERROR_ILLPARAM : BASS_ERROR_NOTAVAIL);
    return 0;
  }
  auto report = std::make_shared<DownloadReport>(proc, user, (flags & BASS_STREAM_STATUS) != 0);
  CreationScope creation;
  int error = BASS_OK;
  Opener opener{*ops, config, report, *creation};
  auto source = opener.open(url, 0, &error);
  if (!source) {
    report->end();
    setLastError(creation->wasAbandoned() ? BASS_ERROR_ENDED : error);
    return 0;
  }
  const HSTREAM handle = addStream(std::move(source), flags, url, opener.plugin, &error);
  setLastError(handle != 0 ? BASS_OK : error);
  return handle;
}

void BASS_StreamAbortCreateURL() {
  std::lock_guard lock(creations().mutex);
  for (const auto& creation : creations().active) {
    creation->abandon();
  }
}

}  // extern "C"
