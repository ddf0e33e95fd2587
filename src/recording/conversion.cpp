#include "recording/conversion.h"

#include "engine/engine.h"
#include "recording/encoders.h"
#include "recording/file_names.h"
#include "recording/stream_recording.h"
#include "recording/work_file.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace tavelo {
namespace {

constexpr DWORD kChunkBytes = 10000;

bool sameFile(const QString& a, const QString& b) {
  const QString canonical = QFileInfo(a).canonicalFilePath();
  return !canonical.isEmpty() && canonical == QFileInfo(b).canonicalFilePath();
}

// A decode-only stream freed when the item is done.
class Decoder {
 public:
  explicit Decoder(const QString& path)
      : handle_(BASS_StreamCreateFile(0, QFile::encodeName(path).constData(), 0, 0, BASS_STREAM_DECODE)) {}
  ~Decoder() {
    if (handle_ != 0) BASS_StreamFree(handle_);
  }
  Decoder(const Decoder&) = delete;
  Decoder& operator=(const Decoder&) = delete;
  HSTREAM handle() const { return handle_; }
  // Seconds as bytes on a whole frame; -1 stands for `otherwise`.
  QWORD bytesAt(double seconds, QWORD otherwise) const {
    return seconds < 0 ? otherwise : BASS_ChannelSeconds2Bytes(handle_, seconds);
  }

 private:
  HSTREAM handle_;
};

QString fileNameOf(const QString& path) { return QFileInfo(path).fileName(); }

}  // namespace

// The decode-only stream a run rips a drive's tracks through: made for the first track, switched
// to each next one. It counts the sectors the drive gives up on; the engine tells them on its
// sync thread, so a track's count is read once the end of the track has been told there too.
class CdTrackReader {
 public:
  explicit CdTrackReader(int drive) : drive_(drive) {}
  ~CdTrackReader() {
    if (stream_ == 0) return;
    // A sync call may still be queued for this reader (a rip cancelled mid-track): the end, told
    // after it, lets it run before the reader goes.
    resetCounts();
    if (BASS_ChannelSetPosition(stream_, length_, BASS_POS_BYTE)) waitForEnd();
    BASS_StreamFree(stream_);
  }
  CdTrackReader(const CdTrackReader&) = delete;
  CdTrackReader& operator=(const CdTrackReader&) = delete;

  int drive() const { return drive_; }
  HSTREAM stream() const { return stream_; }

  // Starts `track` from its beginning with no errors counted; false when it cannot be read.
  bool open(int track, DWORD length) {
    resetCounts();
    length_ = length;
    if (stream_ != 0) return BASS_CD_StreamSetTrack(stream_, DWORD(track));
    stream_ = BASS_CD_StreamCreate(DWORD(drive_), DWORD(track), BASS_STREAM_DECODE);
    if (stream_ == 0) return false;
    BASS_ChannelSetSync(stream_, BASS_SYNC_CD_ERROR, 0, &CdTrackReader::readError, this);
    BASS_ChannelSetSync(stream_, BASS_SYNC_END, 0, &CdTrackReader::trackEnded, this);
    return true;
  }

  // The errors of a track read to its end.
  int errorsOfFinishedTrack() {
    waitForEnd();
    const std::lock_guard lock(mutex_);
    return errors_;
  }

 private:
  static constexpr std::chrono::seconds kEndWait{5};  // the disc may go meanwhile: no end is told then

  void resetCounts() {
    const std::lock_guard lock(mutex_);
    errors_ = 0;
    endsTold_ = 0;
  }

  // The read past the end makes the engine tell the end, after every error it found before.
  void waitForEnd() {
    char probe[4];
    BASS_ChannelGetData(stream_, probe, sizeof probe);
    std::unique_lock lock(mutex_);
    told_.wait_for(lock, kEndWait, [this] { return endsTold_ > 0; });
  }

  static void readError(HSYNC, DWORD, DWORD, void* user) {
    auto* self = static_cast<CdTrackReader*>(user);
    const std::lock_guard lock(self->mutex_);
    ++self->errors_;
  }
  static void trackEnded(HSYNC, DWORD, DWORD, void* user) {
    auto* self = static_cast<CdTrackReader*>(user);
    const std::lock_guard lock(self->mutex_);  // held while notifying: the waiter may free the reader next
    ++self->endsTold_;
    self->told_.notify_all();
  }

  const int drive_;
  HSTREAM stream_ = 0;
  DWORD length_ = 0;  // bytes of the track being read
  std::mutex mutex_;
  std::condition_variable told_;
  int errors_ = 0;
  int endsTold_ = 0;
};

void numberRepeatedTargets(std::vector<ConversionItem>& items) {
  QSet<QString> taken;
  for (ConversionItem& item : items) {
    const QFileInfo target(item.target);
    const QString extension = QLatin1Char('.') + target.suffix();
    const QString stem = target.fileName().chopped(extension.size());
    item.target = firstFreeName(target.absolutePath(), stem, extension,
                                [&taken](const QString& path) { return taken.contains(path); });
    taken.insert(item.target);
  }
}

ConversionRun::ConversionRun(std::vector<ConversionItem> items, ConversionSettings settings, Events events)
    : items_(std::move(items)), settings_(std::move(settings)), events_(std::move(events)) {
  worker_ = std::thread([this] { run(); });
}

ConversionRun::~ConversionRun() {
  cancel();
  worker_.join();
}

void ConversionRun::post(std::function<void()> call) {
  QMetaObject::invokeMethod(&receiver_, std::move(call), Qt::QueuedConnection);
}

void ConversionRun::run() {
  for (int index = 0; index < int(items_.size()) && !cancelled_; ++index) {
    if (convert(index) == Outcome::RunEnds) break;
  }
  cdReader_.reset();  // the drive is free for playing again once the run has ended
  done_ = true;
  post([this] { events_.finished(); });
}

ConversionRun::Outcome ConversionRun::fail(int index, const QString& message, Outcome outcome) {
  post([this, index, message] { events_.itemFailed(index, message); });
  return outcome;
}

ConversionRun::Outcome ConversionRun::convert(int index) {
  post([this, index] { events_.itemStarted(index); });
  return items_[std::size_t(index)].cdDrive >= 0 ? ripCdTrack(index) : convertFile(index);
}

ConversionRun::Outcome ConversionRun::convertFile(int index) {
  const ConversionItem& item = items_[std::size_t(index)];
  if (sameFile(item.source, item.target))
    return fail(index, QStringLiteral("Couldn't convert ") + item.source + QStringLiteral(" into itself"),
                Outcome::Skipped);
  const Decoder decoder(item.source);
  if (decoder.handle() == 0) return fail(index, QStringLiteral("Couldn't open ") + item.source, Outcome::Skipped);
  const QWORD length = BASS_ChannelGetLength(decoder.handle(), BASS_POS_BYTE);
  const QWORD first = decoder.bytesAt(item.start, 0);
  const QWORD last = std::min(decoder.bytesAt(item.end, length), length);
  if (first >= last || !BASS_ChannelSetPosition(decoder.handle(), first, BASS_POS_BYTE))
    return fail(index,
                QStringLiteral("Nothing to convert in ") + fileNameOf(item.target) +
                    QStringLiteral(": its range is empty or past the end of ") + fileNameOf(item.source),
                Outcome::Skipped);
  const Outcome outcome = encodeRange(index, decoder.handle(), first, last);
  if (outcome == Outcome::Made && events_.itemMade) post([this, index] { events_.itemMade(index, 0); });
  return outcome;
}

ConversionRun::Outcome ConversionRun::ripCdTrack(int index) {
  const ConversionItem& item = items_[std::size_t(index)];
  if (!cdReader_ || cdReader_->drive() != item.cdDrive) cdReader_ = std::make_unique<CdTrackReader>(item.cdDrive);
  const DWORD length = BASS_CD_GetTrackLength(DWORD(item.cdDrive), DWORD(item.cdTrack));
  if (length == DWORD(-1) || length == 0 || !cdReader_->open(item.cdTrack, length))
    return fail(index, QStringLiteral("Couldn't read track %1 of the disc").arg(item.cdTrack + 1), Outcome::Skipped);
  const Outcome outcome = encodeRange(index, cdReader_->stream(), 0, length);
  if (outcome != Outcome::Made) return outcome;
  const int errors = cdReader_->errorsOfFinishedTrack();
  if (events_.itemMade) post([this, index, errors] { events_.itemMade(index, errors); });
  return outcome;
}

ConversionRun::Outcome ConversionRun::encodeRange(int index, std::uint32_t stream, std::uint64_t first,
                                                  std::uint64_t last) {
  const ConversionItem& item = items_[std::size_t(index)];
  const HENCODE encoder = startTargetEncoder(stream, item.target, settings_.bitrate, settings_.programDir, 0);
  if (encoder == 0)
    return fail(index, encoderStartFailure(recordFormatOfFile(item.target) == kWaveFormat), Outcome::Skipped);
  const QString work = workFileOf(item.target);

  std::vector<char> chunk(kChunkBytes);
  int shown = -1;
  for (QWORD at = first; at < last && !cancelled_ && BASS_Encode_IsActive(encoder);) {
    const DWORD got = BASS_ChannelGetData(stream, chunk.data(), DWORD(std::min<QWORD>(kChunkBytes, last - at)));
    if (got == DWORD(-1) || got == 0) break;  // the end, or damage: what was read so far is the file
    at += got;
    const int percent = int((at - first) * 100 / (last - first));
    if (percent != shown) {
      shown = percent;
      post([this, index, percent] { events_.progress(index, percent); });
    }
  }
  const bool complete = BASS_Encode_Stop(encoder);
  const char* reason = BASS_Encode_GetError(encoder);
  if (cancelled_) {
    QFile::remove(work);
    return Outcome::RunEnds;
  }
  if (!complete) {
    QFile::remove(work);
    return fail(index,
                QStringLiteral("Couldn't finish ") + fileNameOf(item.target) + QLatin1Char('\n') +
                    QString::fromUtf8(reason ? reason : "the encoder failed"),
                Outcome::RunEnds);
  }
  QString error;
  if (!replaceWithWorkFile(work, item.target, &error))
    return fail(index,
                QStringLiteral("Couldn't finish ") + fileNameOf(item.target) + QLatin1Char('\n') + error +
                    QStringLiteral(": kept as ") + work,
                Outcome::RunEnds);
  return Outcome::Made;
}

}  // namespace tavelo
