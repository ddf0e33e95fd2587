// The download module: one fetch is one libcurl easy transfer driven by a multi handle of its own,
// so that cancel wakes the wait at once (curl_multi_wakeup) wherever the transfer is.
#include "engine/engine.h"
#include "engine/net/fetch_api.h"

#include <curl/curl.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <new>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

// How long one wait lasts at most, so that the time-outs are checked.
constexpr int kPollMs = 50;
constexpr long kMaxRedirects = 10;

struct ProxyParts {
  std::string address;  // "http://server:port"
  std::string user;
  std::string password;
  bool credentials = false;
};

// "[user:pass@]server:port": credentials before the last "@", split at their first ":".
ProxyParts splitProxy(const std::string& text) {
  ProxyParts parts;
  const auto at = text.rfind('@');
  const std::string server = at == std::string::npos ? text : text.substr(at + 1);
  parts.address = "http://" + server;
  if (at != std::string::npos) {
    const std::string credentials = text.substr(0, at);
    const auto colon = credentials.find(':');
    parts.user = credentials.substr(0, colon);
    parts.password = colon == std::string::npos ? std::string() : credentials.substr(colon + 1);
    parts.credentials = true;
  }
  return parts;
}

struct Fetch {
  TaveloFetchRequest request{};
  std::string url;
  std::string agent;
  ProxyParts proxy;
  CURLM* multi = nullptr;
  CURL* easy = nullptr;
  curl_slist* headers = nullptr;
  std::atomic<bool> cancelled{false};
  Clock::time_point lastByte{};
  bool anyByte = false;
  bool timedOut = false;

  ~Fetch() {
    if (multi != nullptr && easy != nullptr) {
      curl_multi_remove_handle(multi, easy);
    }
    curl_easy_cleanup(easy);
    curl_multi_cleanup(multi);
    curl_slist_free_all(headers);
  }
};

std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* user) {
  auto* fetch = static_cast<Fetch*>(user);
  const std::size_t bytes = size * count;
  fetch->lastByte = Clock::now();
  fetch->anyByte = true;
  std::size_t length = bytes;
  while (length > 0 && (data[length - 1] == '\n' || data[length - 1] == '\r')) {
    --length;
  }
  return fetch->request.header_line(fetch->request.user, data, length) != 0 ? bytes : 0;
}

std::size_t onBody(char* data, std::size_t size, std::size_t count, void* user) {
  auto* fetch = static_cast<Fetch*>(user);
  const std::size_t bytes = size * count;
  fetch->lastByte = Clock::now();
  fetch->anyByte = true;
  return fetch->request.body(fetch->request.user, data, bytes) != 0 ? bytes : 0;
}

// null proxy: an empty CURLOPT_PROXY, which also keeps curl from the environment's; "": curl
// reads http_proxy, https_proxy and no_proxy itself.
bool setProxy(Fetch& f) {
  if (f.request.proxy == nullptr) {
    return curl_easy_setopt(f.easy, CURLOPT_PROXY, "") == CURLE_OK;
  }
  if (*f.request.proxy == '\0') {
    return true;
  }
  f.proxy = splitProxy(f.request.proxy);
  bool ok = curl_easy_setopt(f.easy, CURLOPT_PROXY, f.proxy.address.c_str()) == CURLE_OK;
  if (f.proxy.credentials) {
    ok = ok && curl_easy_setopt(f.easy, CURLOPT_PROXYUSERNAME, f.proxy.user.c_str()) == CURLE_OK &&
         curl_easy_setopt(f.easy, CURLOPT_PROXYPASSWORD, f.proxy.password.c_str()) == CURLE_OK &&
         curl_easy_setopt(f.easy, CURLOPT_PROXYAUTH, CURLAUTH_BASIC) == CURLE_OK;
  }
  return ok;
}

bool setUp(Fetch& f) {
  static curl_slist icyAlias{const_cast<char*>("ICY 200 OK"), nullptr};
  f.headers = curl_slist_append(nullptr, "Icy-MetaData: 1");
  CURL* e = f.easy;
  bool ok = f.headers != nullptr &&
            curl_easy_setopt(e, CURLOPT_URL, f.url.c_str()) == CURLE_OK &&
            curl_easy_setopt(e, CURLOPT_DEFAULT_PROTOCOL, "http") == CURLE_OK &&
            curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK &&
            curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https") == CURLE_OK &&
            curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L) == CURLE_OK &&
            curl_easy_setopt(e, CURLOPT_MAXREDIRS, kMaxRedirects) == CURLE_OK &&
            curl_easy_setopt(e, CURLOPT_HTTP200ALIASES, &icyAlias) == CURLE_OK &&
            curl_easy_setopt(e, CURLOPT_HTTPHEADER, f.headers) == CURLE_OK &&
            curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
            curl_easy_setopt(e, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L) == CURLE_OK &&
            curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, onHeader) == CURLE_OK &&
            curl_easy_setopt(e, CURLOPT_HEADERDATA, &f) == CURLE_OK &&
            curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, onBody) == CURLE_OK &&
            curl_easy_setopt(e, CURLOPT_WRITEDATA, &f) == CURLE_OK && setProxy(f);
  if (ok && f.request.agent != nullptr) {
    ok = curl_easy_setopt(e, CURLOPT_USERAGENT, f.agent.c_str()) == CURLE_OK;
  }
  return ok && curl_multi_add_handle(f.multi, e) == CURLM_OK;
}

void* create(const TaveloFetchRequest* request) {
  if (request == nullptr || request->size < sizeof(TaveloFetchRequest) || request->url == nullptr) {
    return nullptr;
  }
  auto* f = new (std::nothrow) Fetch;
  if (f == nullptr) {
    return nullptr;
  }
  f->request = *request;
  f->url = request->url;
  f->agent = request->agent != nullptr ? request->agent : "";
  f->multi = curl_multi_init();
  f->easy = curl_easy_init();
  if (f->multi == nullptr || f->easy == nullptr || !setUp(*f)) {
    delete f;
    return nullptr;
  }
  return f;
}

int errorOf(CURLcode code) {
  switch (code) {
    case CURLE_OK: return BASS_OK;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_CONNECT: return BASS_ERROR_NONET;
    case CURLE_OPERATION_TIMEDOUT: return BASS_ERROR_TIMEOUT;
    case CURLE_PROXY: return BASS_ERROR_FILEOPEN;  // the proxy refused the tunnel (407 and the like)
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING: return BASS_ERROR_NONET;
    default: return BASS_ERROR_FILEOPEN;  // redirect limit, a refused scheme, a callback that said no
  }
}

bool overdue(const Fetch& f, Clock::time_point started) {
  const auto now = Clock::now();
  const auto limit = std::chrono::milliseconds(f.anyByte ? f.request.read_timeout_ms : f.request.reply_timeout_ms);
  return now - (f.anyByte ? f.lastByte : started) > limit;
}

int run(void* fetch) {
  auto& f = *static_cast<Fetch*>(fetch);
  const auto started = Clock::now();
  int running = 1;
  while (!f.cancelled.load()) {
    if (curl_multi_perform(f.multi, &running) != CURLM_OK) {
      return BASS_ERROR_UNKNOWN;
    }
    if (running == 0) {
      break;
    }
    if (overdue(f, started)) {
      return BASS_ERROR_TIMEOUT;
    }
    curl_multi_poll(f.multi, nullptr, 0, kPollMs, nullptr);
  }
  if (f.cancelled.load()) {
    return BASS_ERROR_ENDED;
  }
  int left = 0;
  while (CURLMsg* message = curl_multi_info_read(f.multi, &left)) {
    if (message->msg == CURLMSG_DONE) {
      return errorOf(message->data.result);
    }
  }
  return BASS_ERROR_UNKNOWN;
}

void cancel(void* fetch) {
  auto& f = *static_cast<Fetch*>(fetch);
  f.cancelled = true;
  curl_multi_wakeup(f.multi);
}

void destroy(void* fetch) { delete static_cast<Fetch*>(fetch); }

constexpr TaveloFetchOps kOps{sizeof(TaveloFetchOps), create, run, cancel, destroy};

}  // namespace

extern "C" __attribute__((visibility("default"))) const TaveloFetchOps* tavelo_fetch_entry(uint32_t version) {
  static std::once_flag initialised;
  static bool ready = false;
  std::call_once(initialised, [] { ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
  return ready && version == TAVELO_FETCH_API_VERSION ? &kOps : nullptr;
}
