// One net stream's download: a thread of its own runs the fetch (the download module's GET with
// its redirects), checks each reply, takes the ICY metadata out and fills a bounded buffer the
// decoder reads. The player's download callback hears each reply's headers, the sound bytes and,
// once, the end.
#pragma once

#include "engine/engine.h"
#include "engine/net/byte_buffer.h"
#include "engine/net/fetch_api.h"
#include "engine/net/icy.h"
#include "engine/source.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace tavelo::engine {

// The player's download callback for one BASS_StreamCreateURL, shared by the downloads it tries
// (redirects are one download; playlist entries are one each). The end is told once.
class DownloadReport {
public:
  DownloadReport(DOWNLOADPROC* proc, void* user, bool withHeaders) : proc_(proc), user_(user), withHeaders_(withHeaders) {}
  void headers(const std::string& lines);
  void data(const void* bytes, std::size_t length);
  void end();

private:
  DOWNLOADPROC* const proc_;
  void* const user_;
  const bool withHeaders_;
  std::atomic<bool> ended_{false};
};

// What a playlist reply is: not sound (playlists are not followed), read whole, or refused as a
// playlist nested deeper than one level.
enum class PlaylistRule { NotFollowed, Followed, TooDeep };

struct DownloadOptions {
  std::string url;
  std::optional<std::string> agent;
  std::optional<std::string> proxy;
  std::uint32_t replyTimeoutMs = 10000;
  std::uint32_t readTimeoutMs = 10000;
  std::uint32_t bufferMs = 5000;
  PlaylistRule playlists = PlaylistRule::NotFollowed;
};

enum class ReplyKind { Sound, Playlist };

class Download final : public SourceStatus {
public:
  // Starts the thread; null with *error set when the module cannot set the fetch up.
  static std::shared_ptr<Download> start(const TaveloFetchOps& ops, DownloadOptions options,
                                         std::shared_ptr<DownloadReport> report, int* error);
  ~Download() override;
  Download(const Download&) = delete;
  Download& operator=(const Download&) = delete;

  // Creating thread. Waits until the last reply's headers are in (0, and its kind) or the download
  // has failed (its error).
  int awaitReply(ReplyKind* kind);
  // Creating thread, for a playlist reply: waits for its whole text; nullopt with *error when it
  // did not arrive whole.
  std::optional<std::string> awaitPlaylist(int* error);
  // The URL the last reply came from (after redirects), for resolving a playlist's entries.
  std::string finalUrl() const;
  // Why the download ended, once it has (BASS_OK while it runs or when the server ended it).
  int endError() const;
  std::optional<std::string> header(std::string_view name) const;

  // This download's sound is the stream: its end is told to the player (the others end quietly).
  void adopt();
  // Any thread, never blocks: the fetch ends and the buffer's waits with it.
  void cancel();

  // Decoder thread: the buffer of sound bytes (valid once awaitReply said Sound).
  ByteBuffer& buffer() { return *buffer_; }
  // Decoder thread: the metadata blocks whose place in the sound comes before `soundBytes`.
  std::vector<std::string> metaUpTo(std::uint64_t soundBytes);

  std::uint64_t position(std::uint32_t mode) const override;
  std::optional<std::string> tags(std::uint32_t type) const override;
  void awaitHalt() override;

private:
  struct Mark {
    std::uint64_t offset;
    std::string text;
  };

  Download(DownloadOptions options, std::shared_ptr<DownloadReport> report);
  void run(const TaveloFetchOps& ops);
  int onHeaderLine(std::string_view line);
  int onReplyEnd();
  int takeFinalReply(int code);
  int onBody(const std::uint8_t* data, std::size_t length);
  int refuse(int error);

  const DownloadOptions options_;
  const std::shared_ptr<DownloadReport> report_;
  const TaveloFetchOps* ops_ = nullptr;
  void* fetch_ = nullptr;

  // The download thread's own.
  std::vector<std::string> reply_;
  std::size_t replyBytes_ = 0;
  std::string url_;
  std::optional<IcyStripper> stripper_;
  bool bufferClosed_ = false;

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> headers_;  // of the last reply
  std::string finalUrl_;
  std::unique_ptr<ByteBuffer> buffer_;
  std::string playlist_;
  std::deque<Mark> marks_;
  std::optional<std::string> latestMeta_;
  std::optional<ReplyKind> kind_;
  int ownError_ = BASS_OK;  // why a callback ended the fetch
  int error_ = BASS_OK;
  bool ended_ = false;
  bool adopted_ = false;
  bool halted_ = false;  // the end has been told (or is not ours to tell)
  std::thread thread_;
};

}  // namespace tavelo::engine
