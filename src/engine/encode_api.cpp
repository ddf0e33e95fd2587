// Encoders: the C entry points over the encoder table and each channel's encoders.
#include "engine/engine.h"

#include "engine/addon_support.h"
#include "engine/channel.h"
#include "engine/encode/command_line.h"
#include "engine/encode/encoder_table.h"

namespace tavelo::engine {
namespace {

WaveFormat fedFormat(const Channel& channel, DWORD flags) {
  WaveFormat format;
  format.rate = channel.format().rate;
  format.channels = static_cast<std::uint16_t>(channel.format().channels);
  format.floatSamples = (channel.flags() & BASS_SAMPLE_FLOAT) != 0 && (flags & BASS_ENCODE_FP_16BIT) == 0;
  return format;
}

// The PCM writer's file: the command itself, or its one word when quoted.
std::string waveFilePath(const char* command) {
  const std::vector<std::string> words = splitCommandLine(command);
  return words.size() == 1 ? words.front() : std::string(command);
}

std::unique_ptr<EncoderSink> openSink(const char* command, DWORD flags, const WaveFormat& format, int* error) {
  if ((flags & BASS_ENCODE_PCM) != 0) {
    return createWaveFile(waveFilePath(command), format, error);
  }
  return startEncoderProgram(splitCommandLine(command), error);
}

// The encoders a handle stands for: the encoder, or every encoder on the channel.
std::vector<std::shared_ptr<Encoder>> encodersOf(DWORD handle) {
  if (auto encoder = findEncoder(handle)) {
    return {std::move(encoder)};
  }
  const auto channel = findChannel(handle);
  return channel ? channel->encoders().list() : std::vector<std::shared_ptr<Encoder>>{};
}

}  // namespace
}  // namespace tavelo::engine

using namespace tavelo::engine;

extern "C" {

HENCODE BASS_Encode_Start(DWORD handle, const char* cmdline, DWORD flags, void*, void*) {
  const auto channel = findChannel(handle);
  if (!channel) {
    return setLastError(BASS_ERROR_HANDLE), 0u;
  }
  if (cmdline == nullptr || *cmdline == '\0') {
    return setLastError(BASS_ERROR_ILLPARAM), 0u;
  }
  Encoder::Settings settings;
  settings.flags = flags;
  settings.format = fedFormat(*channel, flags);
  settings.channels = channel->format().channels;
  int error = BASS_OK;
  auto sink = openSink(cmdline, flags, settings.format, &error);
  if (!sink) {
    return setLastError(error), 0u;
  }
  settings.handle = nextEncoderHandle();
  std::shared_ptr<EncoderTap> tap(channel, &channel->encoders());
  auto encoder = std::make_shared<Encoder>(std::move(sink), settings, tap);
  addEncoder(encoder);
  channel->encoders().add(std::move(encoder));
  setLastError(BASS_OK);
  return settings.handle;
}

DWORD BASS_Encode_IsActive(DWORD handle) {
  for (const auto& encoder : encodersOf(handle)) {
    if (encoder->active()) {
      return 1;
    }
  }
  return 0;
}

BOOL BASS_Encode_Stop(DWORD handle) {
  const auto encoders = encodersOf(handle);
  if (encoders.empty()) {
    return setLastError(BASS_ERROR_HANDLE), 0;
  }
  bool complete = true;
  for (const auto& encoder : encoders) {
    complete = retireEncoder(encoder) && complete;
    if (const auto tap = encoder->tap().lock()) {
      tap->remove(encoder.get());
    }
  }
  setLastError(complete ? BASS_OK : BASS_ERROR_ENDED);
  return complete ? 1 : 0;
}

const char* BASS_Encode_GetError(HENCODE handle) {
  return encoderError(handle);
}
}
