#include "engine/plugins/ffmpeg/ffmpeg_source.h"

#include "engine/engine.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/intreadwrite.h>
#include <libavutil/log.h>
}

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace tavelo::engine {
namespace {

// A custom input (a net stream's) is the caller's to free, after the format that reads it.
void freeCustomInput(AVIOContext* io) {
  if (io != nullptr) {
    av_freep(&io->buffer);
    avio_context_free(&io);
  }
}

struct FormatCloser {
  void operator()(AVFormatContext* f) const {
    AVIOContext* custom = f != nullptr && (f->flags & AVFMT_FLAG_CUSTOM_IO) != 0 ? f->pb : nullptr;
    avformat_close_input(&f);
    freeCustomInput(custom);
  }
};
struct CodecCloser {
  void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct PacketFreer {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct FrameFreer {
  void operator()(AVFrame* f) const { av_frame_free(&f); }
};
using FormatPtr = std::unique_ptr<AVFormatContext, FormatCloser>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecCloser>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFreer>;
using FramePtr = std::unique_ptr<AVFrame, FrameFreer>;

// Beyond this many undecodable packets in a row the rest of the file is taken as damage.
constexpr int kMaxConsecutiveErrors = 500;

float sampleToFloat(float v) { return v; }
float sampleToFloat(double v) { return static_cast<float>(v); }
float sampleToFloat(std::int16_t v) { return v * (1.0f / 32768.0f); }
float sampleToFloat(std::int32_t v) { return static_cast<float>(v * (1.0 / 2147483648.0)); }
float sampleToFloat(std::uint8_t v) { return (v - 128) * (1.0f / 128.0f); }

// Appends a frame's samples interleaved, mapping its channels onto `channels` (extra ones dropped,
// missing ones silent) so that a stream that changes its layout midway cannot overrun a buffer.
template <typename T>
void appendInterleaved(const AVFrame* frame, bool planar, std::uint32_t channels, std::vector<float>& out) {
  const auto frames = static_cast<std::size_t>(frame->nb_samples);
  const auto frameChannels = static_cast<std::size_t>(frame->ch_layout.nb_channels);
  const std::size_t used = std::min<std::size_t>(channels, frameChannels);
  const std::size_t start = out.size();
  out.resize(start + frames * channels);  // channels the frame lacks stay silent
  float* dst = out.data() + start;
  if (planar && used == 2 && channels == 2) {
    const T* left = reinterpret_cast<const T*>(frame->extended_data[0]);
    const T* right = reinterpret_cast<const T*>(frame->extended_data[1]);
    for (std::size_t i = 0; i < frames; ++i) {
      dst[2 * i] = sampleToFloat(left[i]);
      dst[2 * i + 1] = sampleToFloat(right[i]);
    }
    return;
  }
  if (planar) {
    for (std::size_t c = 0; c < used; ++c) {
      const T* src = reinterpret_cast<const T*>(frame->extended_data[c]);
      for (std::size_t i = 0; i < frames; ++i) {
        dst[i * channels + c] = sampleToFloat(src[i]);
      }
    }
    return;
  }
  const T* src = reinterpret_cast<const T*>(frame->data[0]);
  if (used == frameChannels && used == channels) {
    for (std::size_t i = 0; i < frames * channels; ++i) {
      dst[i] = sampleToFloat(src[i]);
    }
    return;
  }
  for (std::size_t i = 0; i < frames; ++i) {
    for (std::size_t c = 0; c < used; ++c) {
      dst[i * channels + c] = sampleToFloat(src[i * frameChannels + c]);
    }
  }
}

bool appendFrameSamples(const AVFrame* frame, std::uint32_t channels, std::vector<float>& out) {
  const auto format = static_cast<AVSampleFormat>(frame->format);
  const bool planar = av_sample_fmt_is_planar(format);
  switch (av_get_packed_sample_fmt(format)) {
    case AV_SAMPLE_FMT_FLT: appendInterleaved<float>(frame, planar, channels, out); return true;
    case AV_SAMPLE_FMT_DBL: appendInterleaved<double>(frame, planar, channels, out); return true;
    case AV_SAMPLE_FMT_S16: appendInterleaved<std::int16_t>(frame, planar, channels, out); return true;
    case AV_SAMPLE_FMT_S32: appendInterleaved<std::int32_t>(frame, planar, channels, out); return true;
    case AV_SAMPLE_FMT_U8: appendInterleaved<std::uint8_t>(frame, planar, channels, out); return true;
    default: return false;
  }
}

class FfmpegSource final : public Source {
public:
  FfmpegSource(FormatPtr format, CodecPtr codec, int streamIndex, std::uint32_t ctype)
      : format_(std::move(format)),
        codec_(std::move(codec)),
        packet_(av_packet_alloc()),
        frame_(av_frame_alloc()),
        stream_(format_->streams[streamIndex]),
        streamIndex_(streamIndex) {
    info_.ctype = ctype;
    const AVCodecParameters* par = stream_->codecpar;
    info_.origres = static_cast<std::uint32_t>(std::max(par->bits_per_raw_sample, 0));
  }

  // Decodes the first frame: it fixes rate and channels and proves the file holds sound.
  bool prime() {
    if (!packet_ || !frame_ || !decodeNextFrame()) {
      return false;
    }
    firstPts_ = lastFramePts_ == AV_NOPTS_VALUE ? 0 : lastFramePts_;
    length_ = estimatedLength();
    return info_.rate > 0 && info_.channels > 0;
  }

  SourceFormat format() const override { return info_; }
  std::int64_t lengthFrames() const override { return length_; }

  std::int64_t read(float* out, std::int64_t frames) override {
    std::int64_t done = 0;
    while (done < frames) {
      if (pendingOffset_ == pending_.size()) {
        if (!decodeNextFrame()) {
          length_ = position_ + done;  // the end is known exactly now
          break;
        }
        continue;
      }
      const auto available = static_cast<std::int64_t>((pending_.size() - pendingOffset_) / info_.channels);
      const std::int64_t n = std::min(available, frames - done);
      std::memcpy(out + done * info_.channels, pending_.data() + pendingOffset_, sizeof(float) * n * info_.channels);
      pendingOffset_ += static_cast<std::size_t>(n) * info_.channels;
      done += n;
    }
    position_ += done;
    return done;
  }

  bool seek(std::int64_t frame) override {
    const std::int64_t ts = firstPts_ + av_rescale_q(frame, AVRational{1, static_cast<int>(info_.rate)}, stream_->time_base);
    if (avformat_seek_file(format_.get(), streamIndex_, INT64_MIN, ts, ts, 0) < 0 &&
        av_seek_frame(format_.get(), streamIndex_, ts, AVSEEK_FLAG_BACKWARD) < 0) {
      return false;
    }
    avcodec_flush_buffers(codec_.get());
    pending_.clear();
    pendingOffset_ = 0;
    inputEnded_ = false;
    skipTo(frame);
    position_ = frame;
    return true;
  }

  std::uint64_t filePosition(std::uint32_t mode) const override {
    AVIOContext* io = format_->pb;
    if (io == nullptr) {
      return kNoFilePosition;
    }
    switch (mode) {
      case BASS_FILEPOS_CURRENT: return static_cast<std::uint64_t>(std::max<std::int64_t>(avio_tell(io), 0));
      case BASS_FILEPOS_DOWNLOAD:
      case BASS_FILEPOS_END: return static_cast<std::uint64_t>(std::max<std::int64_t>(avio_size(io), 0));
      default: return kNoFilePosition;
    }
  }

private:
  std::int64_t estimatedLength() const {
    const AVRational perFrame{1, static_cast<int>(info_.rate)};
    if (stream_->duration != AV_NOPTS_VALUE && stream_->duration > 0) {
      // The MPEG audio demuxer counts the encoder's delay that the decoder then drops.
      const bool untrimmed = std::strcmp(format_->iformat->name, "mp3") == 0;
      const std::int64_t length = av_rescale_q(stream_->duration, stream_->time_base, perFrame);
      return untrimmed && startSkip_ < length ? length - startSkip_ : length;
    }
    if (format_->duration != AV_NOPTS_VALUE && format_->duration > 0) {
      return av_rescale_q(format_->duration, AV_TIME_BASE_Q, perFrame);
    }
    return -1;
  }

  // After a container seek lands on or before `frame`, drops the decoded frames ahead of it.
  void skipTo(std::int64_t frame) {
    while (decodeNextFrame()) {
      if (lastFramePts_ == AV_NOPTS_VALUE) {
        return;  // no timestamps: trust the container's seek
      }
      const std::int64_t start = av_rescale_q(lastFramePts_ - firstPts_, stream_->time_base,
                                              AVRational{1, static_cast<int>(info_.rate)});
      const auto count = static_cast<std::int64_t>(pending_.size() / info_.channels);
      if (start + count > frame) {
        pendingOffset_ = static_cast<std::size_t>(std::max<std::int64_t>(frame - start, 0)) * info_.channels;
        return;
      }
    }
  }

  // Refills pending_ with the next decoded frame; false at the end of the sound.
  bool decodeNextFrame() {
    pending_.clear();
    pendingOffset_ = 0;
    while (true) {
      const int received = avcodec_receive_frame(codec_.get(), frame_.get());
      if (received == 0) {
        const bool usable = takeFrame();
        av_frame_unref(frame_.get());
        if (usable) {
          consecutiveErrors_ = 0;
          return true;
        }
        continue;
      }
      if (received == AVERROR_EOF || consecutiveErrors_ > kMaxConsecutiveErrors) {
        return false;
      }
      if (received != AVERROR(EAGAIN)) {
        ++consecutiveErrors_;
        continue;
      }
      if (!feedPacket()) {
        return false;
      }
    }
  }

  bool takeFrame() {
    if (frame_->nb_samples <= 0) {
      return false;
    }
    if (info_.channels == 0) {
      info_.rate = static_cast<std::uint32_t>(frame_->sample_rate);
      info_.channels = static_cast<std::uint32_t>(frame_->ch_layout.nb_channels);
      if (info_.rate == 0 || info_.channels == 0) {
        return false;
      }
    }
    lastFramePts_ = frame_->best_effort_timestamp;
    return appendFrameSamples(frame_.get(), info_.channels, pending_);
  }

  // Sends the decoder its next packet, or the end-of-input signal; false once that was sent.
  bool feedPacket() {
    while (!inputEnded_) {
      if (av_read_frame(format_.get(), packet_.get()) < 0) {
        avcodec_send_packet(codec_.get(), nullptr);  // read errors and the end alike: drain
        inputEnded_ = true;
        return true;
      }
      const bool ours = packet_->stream_index == streamIndex_;
      if (ours && !sawPacket_) {
        sawPacket_ = true;
        noteStartSkip();
      }
      const int sent = ours ? avcodec_send_packet(codec_.get(), packet_.get()) : 0;
      av_packet_unref(packet_.get());
      if (!ours) {
        continue;
      }
      if (sent < 0 && sent != AVERROR(EAGAIN)) {
        ++consecutiveErrors_;
      }
      return true;
    }
    return false;
  }

  void noteStartSkip() {
    std::size_t size = 0;
    const std::uint8_t* skip = av_packet_get_side_data(packet_.get(), AV_PKT_DATA_SKIP_SAMPLES, &size);
    if (skip != nullptr && size >= 4) {
      startSkip_ = AV_RL32(skip);
    }
  }

  FormatPtr format_;
  CodecPtr codec_;
  PacketPtr packet_;
  FramePtr frame_;
  AVStream* stream_;
  int streamIndex_;
  SourceFormat info_;
  std::int64_t length_ = -1;
  std::int64_t position_ = 0;
  std::int64_t firstPts_ = 0;
  std::int64_t lastFramePts_ = AV_NOPTS_VALUE;
  std::vector<float> pending_;
  std::size_t pendingOffset_ = 0;
  bool inputEnded_ = false;
  bool sawPacket_ = false;
  std::int64_t startSkip_ = 0;  // frames the decoder drops at the start (encoder delay)
  int consecutiveErrors_ = 0;
};

void quietenLog() {
  static std::once_flag quietLog;
  std::call_once(quietLog, [] { av_log_set_level(AV_LOG_FATAL); });
}

int readStream(void* opaque, std::uint8_t* buffer, int size) {
  const auto* stream = static_cast<const TaveloByteStream*>(opaque);
  const std::size_t got = stream->read(stream->user, buffer, static_cast<std::size_t>(size));
  return got > 0 ? static_cast<int>(got) : AVERROR_EOF;
}

SourceOpening openDecoding(FormatPtr format, CodecClassifier classify);

int openErrorCode(int averror) {
  if (averror == AVERROR(ENOENT) || averror == AVERROR(EACCES) || averror == AVERROR(EISDIR) ||
      averror == AVERROR(EIO)) {
    return BASS_ERROR_FILEOPEN;
  }
  return BASS_ERROR_FILEFORM;
}

}  // namespace

SourceOpening openFfmpegSource(const char* path, CodecClassifier classify) {
  quietenLog();

  // A file name is a file's name: never a protocol ("http:", "pipe:0") that FFmpeg would follow.
  const std::string url = std::string("file:") + path;
  AVDictionary* options = nullptr;
  av_dict_set(&options, "protocol_whitelist", "file", 0);
  AVFormatContext* rawFormat = nullptr;
  const int opened = avformat_open_input(&rawFormat, url.c_str(), nullptr, &options);
  av_dict_free(&options);
  if (opened < 0) {
    return {nullptr, openErrorCode(opened)};
  }
  return openDecoding(FormatPtr(rawFormat), classify);
}

SourceOpening openFfmpegStream(const TaveloByteStream* stream, const char* contentType, CodecClassifier classify) {
  quietenLog();
  constexpr int kInputBuffer = 4096;  // read at a time: small, so that titles stay near their sound
  auto* buffer = static_cast<unsigned char*>(av_malloc(kInputBuffer));
  AVIOContext* io = buffer != nullptr ? avio_alloc_context(buffer, kInputBuffer, 0, const_cast<TaveloByteStream*>(stream), readStream, nullptr, nullptr) : nullptr;
  AVFormatContext* rawFormat = io != nullptr ? avformat_alloc_context() : nullptr;
  if (rawFormat == nullptr) {
    io != nullptr ? freeCustomInput(io) : av_free(buffer);
    return {nullptr, BASS_ERROR_MEM};
  }
  rawFormat->pb = io;
  rawFormat->flags |= AVFMT_FLAG_CUSTOM_IO;
  const std::string type = contentType != nullptr ? contentType : "";
  const AVInputFormat* named = type.starts_with("audio/aac") ? av_find_input_format("aac") : nullptr;
  if (avformat_open_input(&rawFormat, nullptr, named, nullptr) < 0) {
    freeCustomInput(io);  // the format was freed on failure, the custom input is ours
    return {nullptr, BASS_ERROR_FILEFORM};
  }
  return openDecoding(FormatPtr(rawFormat), classify);
}

namespace {

SourceOpening openDecoding(FormatPtr format, CodecClassifier classify) {
  if (avformat_find_stream_info(format.get(), nullptr) < 0) {
    return {nullptr, BASS_ERROR_FILEFORM};
  }
  const AVCodec* decoder = nullptr;
  const int streamIndex = av_find_best_stream(format.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
  if (streamIndex < 0) {
    return {nullptr, BASS_ERROR_FILEFORM};
  }
  const AVStream* stream = format->streams[streamIndex];
  const std::uint32_t ctype = classify(stream->codecpar->codec_id, format->iformat->name);
  if (ctype == 0) {
    return {nullptr, BASS_ERROR_FILEFORM};
  }
  CodecPtr codec(avcodec_alloc_context3(decoder));
  if (!codec || decoder == nullptr || avcodec_parameters_to_context(codec.get(), stream->codecpar) < 0) {
    return {nullptr, BASS_ERROR_CODEC};
  }
  codec->pkt_timebase = stream->time_base;
  if (avcodec_open2(codec.get(), decoder, nullptr) < 0) {
    return {nullptr, BASS_ERROR_CODEC};
  }
  auto source = std::make_unique<FfmpegSource>(std::move(format), std::move(codec), streamIndex, ctype);
  if (!source->prime()) {
    return {nullptr, BASS_ERROR_FILEFORM};
  }
  return {std::move(source), BASS_OK};
}

}  // namespace
}  // namespace tavelo::engine
