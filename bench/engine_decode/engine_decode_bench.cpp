// engine_decode_bench FILE...  decodes each file to 16-bit PCM through the engine (decode-only
// channel) and through the raw library that decodes it without the engine: libmpg123 for MPEG
// audio (gapless, as the engine), FFmpeg for the plug-in's formats; best of 3.
#include "engine/engine.h"

#include <mpg123.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRounds = 3;
constexpr DWORD kChunkBytes = 64 * 1024;

// Returns the bytes of 16-bit PCM the engine gave.
std::uint64_t decodeWithEngine(const char* path) {
  const HSTREAM stream = BASS_StreamCreateFile(0, path, 0, 0, BASS_STREAM_DECODE);
  if (stream == 0) {
    std::fprintf(stderr, "engine cannot open %s (error %d)\n", path, BASS_ErrorGetCode());
    std::exit(1);
  }
  std::vector<char> buffer(kChunkBytes);
  std::uint64_t total = 0;
  for (DWORD got; (got = BASS_ChannelGetData(stream, buffer.data(), kChunkBytes)) != DWORD(-1);) {
    total += got;
  }
  BASS_StreamFree(stream);
  return total;
}

// The plain FFmpeg way to the same result: demux, decode, convert to interleaved 16-bit.
std::uint64_t decodeWithFfmpeg(const char* path) {
  AVFormatContext* format = nullptr;
  if (avformat_open_input(&format, path, nullptr, nullptr) < 0 || avformat_find_stream_info(format, nullptr) < 0) {
    std::fprintf(stderr, "ffmpeg cannot open %s\n", path);
    std::exit(1);
  }
  const AVCodec* decoder = nullptr;
  const int index = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
  AVCodecContext* codec = avcodec_alloc_context3(decoder);
  avcodec_parameters_to_context(codec, format->streams[index]->codecpar);
  avcodec_open2(codec, decoder, nullptr);
  SwrContext* swr = nullptr;
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  std::vector<std::int16_t> out;
  std::uint64_t total = 0;
  auto drain = [&] {
    while (avcodec_receive_frame(codec, frame) == 0) {
      if (swr == nullptr) {
        swr_alloc_set_opts2(&swr, &frame->ch_layout, AV_SAMPLE_FMT_S16, frame->sample_rate, &frame->ch_layout,
                            static_cast<AVSampleFormat>(frame->format), frame->sample_rate, 0, nullptr);
        swr_init(swr);
      }
      out.resize(std::size_t(frame->nb_samples) * frame->ch_layout.nb_channels);
      auto* dst = reinterpret_cast<std::uint8_t*>(out.data());
      const int made = swr_convert(swr, &dst, frame->nb_samples, const_cast<const std::uint8_t**>(frame->extended_data),
                                   frame->nb_samples);
      total += std::uint64_t(made) * frame->ch_layout.nb_channels * 2;
    }
  };
  while (av_read_frame(format, packet) >= 0) {
    if (packet->stream_index == index && avcodec_send_packet(codec, packet) >= 0) {
      drain();
    }
    av_packet_unref(packet);
  }
  avcodec_send_packet(codec, nullptr);
  drain();
  av_frame_free(&frame);
  av_packet_free(&packet);
  swr_free(&swr);
  avcodec_free_context(&codec);
  avformat_close_input(&format);
  return total;
}

// libmpg123 as a program would use it on its own: its default 16-bit output, gapless.
std::uint64_t decodeWithMpg123(const char* path) {
  mpg123_handle* handle = mpg123_new(nullptr, nullptr);
  mpg123_param(handle, MPG123_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0);
  if (mpg123_open(handle, path) != MPG123_OK) {
    std::fprintf(stderr, "libmpg123 cannot open %s\n", path);
    std::exit(1);
  }
  std::vector<unsigned char> buffer(kChunkBytes);
  std::uint64_t total = 0;
  std::size_t done = 0;
  for (int result = MPG123_OK; result == MPG123_OK || result == MPG123_NEW_FORMAT;) {
    result = mpg123_read(handle, buffer.data(), buffer.size(), &done);
    total += done;
  }
  mpg123_close(handle);
  mpg123_delete(handle);
  return total;
}

bool isMpegAudio(const char* path) {
  const char* dot = std::strrchr(path, '.');
  return dot != nullptr && (std::strcmp(dot, ".mp3") == 0 || std::strcmp(dot, ".mp2") == 0);
}

template <typename F>
double bestSeconds(F decode, const char* path, std::uint64_t* bytes) {
  double best = 1e9;
  for (int round = 0; round < kRounds; ++round) {
    const auto start = Clock::now();
    *bytes = decode(path);
    best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
  }
  return best;
}

int benchDecode(int count, char** files) {
  av_log_set_level(AV_LOG_FATAL);
  BASS_Init(0, 44100, 0, nullptr, nullptr);
  BASS_PluginLoad(TAVELO_BENCH_PLUGIN_DIR "/ffmpeg.so", 0);
  std::printf("%-16s %10s %10s %10s %14s %16s\n", "file", "raw lib", "raw s", "engine s", "engine/raw", "speed (engine)");
  for (int i = 0; i < count; ++i) {
    const bool mpeg = isMpegAudio(files[i]);
    std::uint64_t engineBytes = 0, rawBytes = 0;
    const double raw = mpeg ? bestSeconds(decodeWithMpg123, files[i], &rawBytes) : bestSeconds(decodeWithFfmpeg, files[i], &rawBytes);
    const double engine = bestSeconds(decodeWithEngine, files[i], &engineBytes);
    const char* name = std::strrchr(files[i], '/') != nullptr ? std::strrchr(files[i], '/') + 1 : files[i];
    const double audioSeconds = double(engineBytes) / (44100.0 * 4);
    // Speed as a share of the raw library's: 1.0 = as fast, above = faster.
    std::printf("%-16s %10s %10.3f %10.3f %13.2fx %15.0fx\n", name, mpeg ? "libmpg123" : "FFmpeg", raw, engine, raw / engine,
                audioSeconds / engine);
    if (engineBytes != rawBytes) {
      std::printf("  (PCM bytes differ: engine %llu, raw %llu)\n", static_cast<unsigned long long>(engineBytes),
                  static_cast<unsigned long long>(rawBytes));
    }
  }
  BASS_Free();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FILE...\n", argv[0]);
    return 2;
  }
  return benchDecode(argc - 1, argv + 1);
}
