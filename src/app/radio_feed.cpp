#include "app/radio_feed.h"

#include "radio/radio_timing.h"
#include "radio/stream_texts.h"

#include "recording/work_file.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <pthread.h>

namespace tavelo {

namespace {

constexpr int kStartPercent = 6;

}  // namespace

// ---- Raw recording ----

bool RawRecorder::start(const QString& path, quint64 generation) {
  std::lock_guard guard(lock_);
  closeLocked();
  file_ = std::fopen(QFile::encodeName(workFileOf(path)).constData(), "wbx");
  if (!file_) return false;
  path_ = path;
  generation_ = generation;
  return true;
}

bool RawRecorder::stop() {
  std::lock_guard guard(lock_);
  const bool wasRunning = file_ != nullptr;
  closeLocked();
  return wasRunning;
}

bool RawRecorder::running() const {
  std::lock_guard guard(lock_);
  return file_ != nullptr;
}

RawRecorder::Write RawRecorder::write(quint64 generation, const void* data, std::size_t length,
                                      QByteArray* failure) {
  std::lock_guard guard(lock_);
  if (!file_ || generation != generation_) return Write::NotRecording;
  if (std::fwrite(data, 1, length, file_) == length && std::fflush(file_) == 0) return Write::Written;
  *failure = std::strerror(errno);
  closeLocked();
  return Write::Failed;
}

bool RawRecorder::downloadEnded(quint64 generation) {
  std::lock_guard guard(lock_);
  if (!file_ || generation != generation_) return false;
  closeLocked();
  return true;
}

// What was written stays, under its name or the next free number: a file that took the name
// meanwhile is never replaced, and an empty recording leaves nothing.
void RawRecorder::closeLocked() {
  if (!file_) return;
  std::fclose(file_);
  file_ = nullptr;
  const QFileInfo target(path_);
  const QString extension = QLatin1Char('.') + target.suffix();
  QString ignored;  // a rename that fails leaves the ".part" file, which holds the recording
  fileWorkFileAnew(workFileOf(path_), target.absolutePath(), target.fileName().chopped(extension.size()), extension,
                   &ignored);
}

// ---- Feed ----

DownloadContext* RadioFeed::newGeneration() {
  contexts_.push_back({this, ++generation_});
  return &contexts_.back();
}

// Runs on an engine thread. A block of length 0 is a reply's headers; no block at all is the
// end of the download, reported once.
void RadioFeed::onDownload(const void* buffer, DWORD length, void* user) {
  const auto* context = static_cast<const DownloadContext*>(user);
  RadioFeed& feed = *context->feed;
  const quint64 generation = context->generation;
  if (!buffer) {
    if (feed.recorder_.downloadEnded(generation)) feed.post({generation, RadioInfo::RawRecordEnded, {}, 0});
    feed.post({generation, RadioInfo::DownloadEnded, {}, 0});
  } else if (length == 0) {
    // The headers are zero-terminated lines: the first ends at the first zero.
    feed.post({generation, RadioInfo::ServerReply, QByteArray(static_cast<const char*>(buffer)), 0});
  } else if (QByteArray failure; feed.recorder_.write(generation, buffer, length, &failure) == RawRecorder::Write::Failed) {
    feed.post({generation, RadioInfo::RecordWriteFailed, failure, 0});
  }
}

void RadioFeed::watchTitles(DWORD stream, DownloadContext* context) {
  BASS_ChannelSetSync(stream, BASS_SYNC_META, 0, &RadioFeed::onTitleSync, context);
  BASS_ChannelSetSync(stream, BASS_SYNC_OGG_CHANGE, 0, &RadioFeed::onTitleSync, context);
}

void RadioFeed::onTitleSync(HSYNC, DWORD channel, DWORD, void* user) {
  const auto* context = static_cast<const DownloadContext*>(user);
  if (auto title = currentTitle(channel)) context->feed->post({context->generation, RadioInfo::Title, *title, 0});
}

std::optional<QByteArray> RadioFeed::currentTitle(DWORD stream) {
  if (const char* metadata = BASS_ChannelGetTags(stream, BASS_TAG_META)) return streamTitle(QByteArray(metadata));
  if (const char* comments = BASS_ChannelGetTags(stream, BASS_TAG_OGG)) return oggTitle(tagLines(comments));
  return std::nullopt;
}

// ---- Connection ----

RadioConnection::RadioConnection(DownloadContext* context, QByteArray url)
    : context_(context), url_(std::move(url)), thread_([this] { run(); }) {}

RadioConnection::~RadioConnection() {
  if (thread_.joinable()) thread_.join();
}

bool RadioConnection::cancelled() const { return !context_->feed->current(context_->generation); }

void RadioConnection::run() {
  pthread_setname_np(pthread_self(), "radio-connect");
  RadioFeed& feed = *context_->feed;
  const quint64 generation = context_->generation;
  feed.post({generation, RadioInfo::Connecting, {}, 0});
  const HSTREAM stream = BASS_StreamCreateURL(url_.constData(), 0, BASS_STREAM_STATUS, &RadioFeed::onDownload,
                                              context_);
  if (!stream) {
    if (!cancelled()) feed.post({generation, RadioInfo::OpenFailed, {}, BASS_ErrorGetCode()});
  } else if (!waitForBuffer(stream)) {
    BASS_StreamFree(stream);
  } else {
    feed.post({generation, RadioInfo::StreamReady, {}, qint64(stream)});
  }
  finished_ = true;
}

bool RadioConnection::waitForBuffer(HSTREAM stream) {
  RadioFeed& feed = *context_->feed;
  const quint64 generation = context_->generation;
  feed.post({generation, RadioInfo::Buffering, {}, kStartPercent});
  BufferReading reading;
  reading.end = BASS_StreamGetFilePosition(stream, BASS_FILEPOS_END);
  if (skipBufferWait(reading.end)) return !cancelled();
  for (;;) {
    if (cancelled()) return false;
    reading.downloaded = BASS_StreamGetFilePosition(stream, BASS_FILEPOS_DOWNLOAD);
    reading.decoded = BASS_StreamGetFilePosition(stream, BASS_FILEPOS_CURRENT);
    reading.wmaPercent = BASS_StreamGetFilePosition(stream, BASS_FILEPOS_WMA_BUFFER);
    reading.connected = BASS_StreamGetFilePosition(stream, BASS_FILEPOS_CONNECTED) != 0;
    feed.post({generation, RadioInfo::Buffering, {}, bufferPercent(reading)});
    if (bufferWaitOver(reading)) return !cancelled();
    std::this_thread::sleep_for(kBufferPollInterval);
  }
}

}  // namespace tavelo
