#include "engine/net/download.h"

#include "engine/net/playlist.h"
#include "engine/thread_name.h"

#include <algorithm>
#include <charconv>

namespace tavelo::engine {
namespace {

// A reply's header larger than this is refused: no radio server needs it, a hostile one could
// grow us without end.
constexpr std::size_t kMaxHeaderBytes = 8 * 1024;
// When the server does not say its bit rate, the buffer is sized for this.
constexpr std::uint64_t kDefaultKbps = 128;
constexpr std::size_t kMinBufferBytes = 16 * 1024;

// "128" or "128,128": the first number.
std::uint64_t kbpsOf(const std::optional<std::string>& value) {
  std::uint64_t kbps = 0;
  if (value) {
    std::from_chars(value->data(), value->data() + value->size(), kbps);
  }
  return kbps > 0 && kbps <= 10000 ? kbps : kDefaultKbps;
}

std::size_t bufferBytes(std::uint32_t bufferMs, std::uint64_t kbps) {
  return std::max<std::size_t>(kMinBufferBytes, static_cast<std::size_t>(kbps * 1000 / 8 * bufferMs / 1000));
}

bool isText(const std::optional<std::string>& contentType) {
  return contentType && contentType->size() >= 5 && std::equal(contentType->begin(), contentType->begin() + 5, "text/",
                                                             [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

}  // namespace

void DownloadReport::headers(const std::string& lines) {
  if (proc_ != nullptr && withHeaders_) {
    proc_(lines.c_str(), 0, user_);
  }
}

void DownloadReport::data(const void* bytes, std::size_t length) {
  if (proc_ != nullptr && length > 0) {
    proc_(bytes, static_cast<DWORD>(length), user_);
  }
}

void DownloadReport::end() {
  if (proc_ != nullptr && !ended_.exchange(true)) {
    proc_(nullptr, 0, user_);
  }
}

Download::Download(DownloadOptions options, std::shared_ptr<DownloadReport> report)
    : options_(std::move(options)), report_(std::move(report)), url_(options_.url) {}

std::shared_ptr<Download> Download::start(const TaveloFetchOps& ops, DownloadOptions options,
                                          std::shared_ptr<DownloadReport> report, int* error) {
  std::shared_ptr<Download> download(new Download(std::move(options), std::move(report)));
  Download& d = *download;
  const TaveloFetchRequest request{
      sizeof(TaveloFetchRequest), d.options_.url.c_str(), d.options_.agent ? d.options_.agent->c_str() : nullptr,
      d.options_.proxy ? d.options_.proxy->c_str() : nullptr, d.options_.replyTimeoutMs, d.options_.readTimeoutMs, &d,
      [](void* user, const char* line, std::size_t length) {
        return static_cast<Download*>(user)->onHeaderLine({line, length});
      },
      [](void* user, const void* data, std::size_t length) {
        return static_cast<Download*>(user)->onBody(static_cast<const std::uint8_t*>(data), length);
      }};
  d.ops_ = &ops;
  d.fetch_ = ops.create(&request);
  if (d.fetch_ == nullptr) {
    *error = BASS_ERROR_FILEOPEN;
    return nullptr;
  }
  d.thread_ = std::thread([&d, &ops] { d.run(ops); });
  return download;
}

Download::~Download() {
  cancel();
  if (thread_.joinable()) {
    thread_.join();
  }
  if (fetch_ != nullptr) {
    ops_->destroy(fetch_);
  }
}

void Download::run(const TaveloFetchOps& ops) {
  nameThisThread("download");
  const int result = ops.run(fetch_);
  bool tell = false;
  {
    std::lock_guard lock(mutex_);
    error_ = ownError_ != BASS_OK ? ownError_ : result;
    if (error_ == BASS_OK && !kind_) {
      error_ = BASS_ERROR_FILEOPEN;  // the server closed before a reply
    }
    ended_ = true;
    tell = adopted_;
    if (buffer_) {
      buffer_->finish();
    }
  }
  changed_.notify_all();
  if (tell) {
    report_->end();
  }
  std::lock_guard lock(mutex_);
  halted_ = true;
  changed_.notify_all();
}

int Download::refuse(int error) {
  std::lock_guard lock(mutex_);
  ownError_ = error;
  return 0;
}

int Download::onHeaderLine(std::string_view line) {
  if (reply_.empty() && line.empty()) {
    return 1;  // a stray line end between replies
  }
  replyBytes_ += line.size() + 2;
  if (replyBytes_ > kMaxHeaderBytes) {
    return refuse(BASS_ERROR_FILEOPEN);
  }
  if (!line.empty()) {
    reply_.emplace_back(line);
    return 1;
  }
  const int result = onReplyEnd();
  reply_.clear();
  replyBytes_ = 0;
  return result;
}

// A reply's headers are complete: a redirect (curl follows it), an interim reply, a refusal or
// the last reply.
int Download::onReplyEnd() {
  report_->headers(zeroTerminatedLines(reply_));
  const int code = statusCode(reply_.front());
  if (code >= 300 && code < 400) {
    if (const auto location = headerValue(reply_, "Location")) {
      url_ = resolveUrl(url_, *location).value_or(url_);
      return 1;
    }
  }
  if (code >= 100 && code < 200) {
    return 1;
  }
  if (code < 200 || code >= 300) {
    return refuse(BASS_ERROR_FILEOPEN);
  }
  return takeFinalReply(code);
}

int Download::takeFinalReply(int) {
  const std::optional<std::string> type = headerValue(reply_, "Content-Type");
  const bool playlist = isPlaylistReply(type.value_or(""), url_);
  if (playlist && options_.playlists != PlaylistRule::Followed) {
    return refuse(options_.playlists == PlaylistRule::TooDeep ? BASS_ERROR_FILEOPEN : BASS_ERROR_FILEFORM);
  }
  if (!playlist && isText(type)) {
    return refuse(BASS_ERROR_FILEFORM);  // a web page, not sound
  }
  if (!playlist) {
    stripper_.emplace(
        metaInterval(reply_), [this](const std::uint8_t* data, std::size_t length) {
          report_->data(data, length);
          bufferClosed_ = bufferClosed_ || !buffer_->write(data, length);
        },
        [this](std::string text, std::uint64_t offset) {
          std::lock_guard lock(mutex_);
          latestMeta_ = text;
          marks_.push_back({offset, std::move(text)});
        });
  }
  std::lock_guard lock(mutex_);
  headers_ = reply_;
  finalUrl_ = url_;
  if (!playlist) {
    buffer_ = std::make_unique<ByteBuffer>(bufferBytes(options_.bufferMs, kbpsOf(headerValue(reply_, "icy-br"))));
  }
  kind_ = playlist ? ReplyKind::Playlist : ReplyKind::Sound;
  changed_.notify_all();
  return 1;
}

int Download::onBody(const std::uint8_t* data, std::size_t length) {
  if (!kind_) {
    return 0;  // cannot be: body bytes come after the last reply's headers
  }
  if (*kind_ == ReplyKind::Sound) {
    stripper_->feed(data, length);
    return bufferClosed_ ? 0 : 1;
  }
  report_->data(data, length);
  std::lock_guard lock(mutex_);
  if (playlist_.size() + length > kMaxPlaylistBytes) {
    ownError_ = BASS_ERROR_FILEOPEN;
    return 0;
  }
  playlist_.append(reinterpret_cast<const char*>(data), length);
  return 1;
}

int Download::awaitReply(ReplyKind* kind) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return kind_ || ended_; });
  if (!kind_) {
    return error_;
  }
  *kind = *kind_;
  return BASS_OK;
}

std::optional<std::string> Download::awaitPlaylist(int* error) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return ended_; });
  if (error_ != BASS_OK) {
    *error = error_;
    return std::nullopt;
  }
  return playlist_;
}

std::string Download::finalUrl() const {
  std::lock_guard lock(mutex_);
  return finalUrl_;
}

int Download::endError() const {
  std::lock_guard lock(mutex_);
  return ended_ ? error_ : BASS_OK;
}

std::optional<std::string> Download::header(std::string_view name) const {
  std::lock_guard lock(mutex_);
  return headerValue(headers_, name);
}

void Download::adopt() {
  bool tell = false;
  {
    std::lock_guard lock(mutex_);
    adopted_ = true;
    tell = ended_;  // else the download thread tells it when it ends
  }
  if (tell) {
    report_->end();  // it ended before it was adopted
  }
}

void Download::cancel() {
  if (fetch_ != nullptr) {
    ops_->cancel(fetch_);
  }
  std::lock_guard lock(mutex_);
  if (buffer_) {
    buffer_->close();
  }
}

std::vector<std::string> Download::metaUpTo(std::uint64_t soundBytes) {
  std::vector<std::string> texts;
  std::lock_guard lock(mutex_);
  while (!marks_.empty() && marks_.front().offset <= soundBytes) {
    texts.push_back(std::move(marks_.front().text));
    marks_.pop_front();
  }
  return texts;
}

std::uint64_t Download::position(std::uint32_t mode) const {
  std::lock_guard lock(mutex_);
  switch (mode) {
    case BASS_FILEPOS_DOWNLOAD: return buffer_ ? buffer_->written() : 0;
    case BASS_FILEPOS_END: {
      std::uint64_t length = 0;
      const auto declared = headerValue(headers_, "Content-Length");
      if (declared && std::from_chars(declared->data(), declared->data() + declared->size(), length).ec == std::errc()) {
        return length;
      }
      return buffer_ ? buffer_->capacity() : 0;
    }
    case BASS_FILEPOS_CONNECTED: return kind_ && !ended_ ? 1 : 0;
    default: return kNoFilePosition;
  }
}

std::optional<std::string> Download::tags(std::uint32_t type) const {
  std::lock_guard lock(mutex_);
  const bool icy = !headers_.empty() && headers_.front().starts_with("ICY");
  switch (type) {
    case BASS_TAG_HTTP:
      return !headers_.empty() && !icy ? std::optional(zeroTerminatedLines(headers_)) : std::nullopt;
    case BASS_TAG_ICY: return icy ? std::optional(zeroTerminatedLines(headers_)) : std::nullopt;
    case BASS_TAG_META: return latestMeta_;
    default: return std::nullopt;
  }
}

// The download's own thread cannot wait for itself (a callback that frees its stream).
void Download::awaitHalt() {
  if (std::this_thread::get_id() == thread_.get_id()) {
    return;
  }
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return halted_; });
}

}  // namespace tavelo::engine
