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
  done_ = true;
  post([this] { events_.finished(); });
}

ConversionRun::Outcome ConversionRun::convert(int index) {
  const ConversionItem& item = items_[std::size_t(index)];
  post([this, index] { events_.itemStarted(index); });
  const auto fail = [&](const QString& message, Outcome outcome) {
    post([this, index, message] { events_.itemFailed(index, message); });
    return outcome;
  };
  if (sameFile(item.source, item.target))
    return fail(QStringLiteral("Couldn't convert ") + item.source + QStringLiteral(" into itself"), Outcome::Skipped);
  const Decoder decoder(item.source);
  if (decoder.handle() == 0) return fail(QStringLiteral("Couldn't open ") + item.source, Outcome::Skipped);
  const QWORD length = BASS_ChannelGetLength(decoder.handle(), BASS_POS_BYTE);
  const QWORD first = decoder.bytesAt(item.start, 0);
  const QWORD last = std::min(decoder.bytesAt(item.end, length), length);
  if (first >= last || !BASS_ChannelSetPosition(decoder.handle(), first, BASS_POS_BYTE))
    return fail(QStringLiteral("Nothing to convert in ") + fileNameOf(item.target) +
                    QStringLiteral(": its range is empty or past the end of ") + fileNameOf(item.source),
                Outcome::Skipped);

  const HENCODE encoder = startTargetEncoder(decoder.handle(), item.target, settings_.bitrate, settings_.programDir, 0);
  if (encoder == 0) return fail(encoderStartFailure(recordFormatOfFile(item.target) == kWaveFormat), Outcome::Skipped);
  const QString work = workFileOf(item.target);

  std::vector<char> chunk(kChunkBytes);
  int shown = -1;
  for (QWORD at = first; at < last && !cancelled_ && BASS_Encode_IsActive(encoder);) {
    const DWORD got = BASS_ChannelGetData(decoder.handle(), chunk.data(), DWORD(std::min<QWORD>(kChunkBytes, last - at)));
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
    return fail(QStringLiteral("Couldn't finish ") + fileNameOf(item.target) + QLatin1Char('\n') +
                    QString::fromUtf8(reason ? reason : "the encoder failed"),
                Outcome::RunEnds);
  }
  QString error;
  if (!replaceWithWorkFile(work, item.target, &error))
    return fail(QStringLiteral("Couldn't finish ") + fileNameOf(item.target) + QLatin1Char('\n') + error +
                    QStringLiteral(": kept as ") + work,
                Outcome::RunEnds);
  return Outcome::Made;
}

}  // namespace tavelo
