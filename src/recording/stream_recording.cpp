#include "recording/stream_recording.h"

#include "recording/encoders.h"
#include "recording/work_file.h"

#include <QDir>

namespace tavelo {
namespace {

SampleShape shapeOf(DWORD stream) {
  BASS_CHANNELINFO info{};
  if (!BASS_ChannelGetInfo(stream, &info)) return {};
  return {int(info.freq), int(info.chans)};
}

}  // namespace

QString encoderStartFailure(bool wave) {
  return wave ? QStringLiteral("Couldn't start PCM encoding...")
              : QStringLiteral("Couldn't start encoding...\nMake sure Encoder is in the same\ndirecory as this tavelo.");
}

HENCODE startTargetEncoder(DWORD stream, const QString& target, int bitrate, const QString& programDir, DWORD flags) {
  const int format = recordFormatOfFile(target);
  const bool wave = format == kWaveFormat;
  const QString program = format >= 0 && !wave ? findFormatEncoder(programDir, format) : QString();
  if (format < 0 || (!wave && program.isEmpty())) return 0;
  const QString command = EncoderCommandLine(format, bitrate, {program, workFileOf(target), shapeOf(stream)});
  flags |= BASS_ENCODE_FP_16BIT | (wave ? BASS_ENCODE_PCM : 0);
  return BASS_Encode_Start(stream, command.toUtf8().constData(), flags, nullptr, nullptr);
}

StreamRecording::~StreamRecording() { finishStopping(); }

QString StreamRecording::start(DWORD stream, const Target& target, const Setup& setup) {
  finishStopping();
  const QString path = QDir(target.folder).filePath(target.stem + target.extension);
  encoder_ = startTargetEncoder(stream, path, setup.bitrate, setup.programDir, BASS_ENCODE_AUTOFREE);
  if (encoder_ == 0) return encoderStartFailure(target.extension == QLatin1String(".wav"));
  target_ = target;
  return {};
}

bool StreamRecording::active() const { return encoder_ != 0 && BASS_Encode_IsActive(encoder_) != 0; }

void StreamRecording::stop(Done done) {
  if (encoder_ == 0) return;
  finishStopping();
  const HENCODE encoder = std::exchange(encoder_, 0);
  stopping_ = std::thread([this, encoder, target = target_, done = std::move(done)] {
    const bool complete = BASS_Encode_Stop(encoder);
    const char* reason = BASS_Encode_GetError(encoder);
    QString failure = complete ? QString() : QString::fromUtf8(reason ? reason : "the encoder failed");
    const QString work = workFileOf(QDir(target.folder).filePath(target.stem + target.extension));
    QString filingError;
    const QString path = fileWorkFileAnew(work, target.folder, target.stem, target.extension, &filingError);
    if (failure.isEmpty() && !filingError.isEmpty()) failure = filingError + QStringLiteral(": kept as ") + work;
    QMetaObject::invokeMethod(&receiver_, [done, path, failure] { done(path, failure); }, Qt::QueuedConnection);
  });
}

void StreamRecording::finishStopping() {
  if (stopping_.joinable()) stopping_.join();
}

}  // namespace tavelo
