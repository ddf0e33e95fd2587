#include "media.h"

#include "audio_files.h"
#include "engine/engine.h"

#include <fstream>
#include <set>
#include <memory>
#include <mutex>
#include <stdexcept>

namespace tavelo::test {
namespace {

constexpr std::int64_t kMp1Frames = 250;  // 250 silent frames of 384 samples at 48 kHz: 2 s

// MPEG-1 Layer I at 128 kbps, 48 kHz (frames of exactly 128 bytes, no padding), stereo, no CRC:
// with every allocation zero a frame is silence. No Debian package encodes Layer I.
void writeSilentMp1(const std::string& path) {
  constexpr std::size_t kFrameBytes = 12 * 128000 / 48000 * 4;
  std::vector<char> frame(kFrameBytes, 0);
  frame[0] = char(0xFF);
  frame[1] = char(0xFF);
  frame[2] = char(0x44);
  std::ofstream out(path, std::ios::binary);
  for (std::int64_t i = 0; i < kMp1Frames; ++i) {
    out.write(frame.data(), std::streamsize(frame.size()));
  }
}

void put(std::ofstream& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) {
    out.put(char((value >> (8 * i)) & 0xff));
  }
}

// Monkey's Audio 3.99 with two frames of 44100 blocks, each marked as stereo silence (so it
// needs no compressed data). No Debian package encodes Monkey's Audio.
void writeSilentApe(const std::string& path) {
  constexpr std::uint32_t kDescriptor = 52, kHeader = 24, kSeekTable = 8, kFrameBytes = 16;
  constexpr std::uint32_t kFirstFrame = kDescriptor + kHeader + kSeekTable;
  std::ofstream out(path, std::ios::binary);
  out.write("MAC ", 4);
  put(out, 3990, 2);               // version
  put(out, 0, 2);                  // padding
  put(out, kDescriptor, 4);
  put(out, kHeader, 4);
  put(out, kSeekTable, 4);
  put(out, 0, 4);                  // WAVE header length
  put(out, 2 * kFrameBytes, 4);    // audio data length
  put(out, 0, 4);                  // its high word
  put(out, 0, 4);                  // WAVE tail length
  out.write(std::string(16, '\0').data(), 16);  // MD5
  put(out, 2000, 2);               // compression: normal
  put(out, 0, 2);                  // format flags
  put(out, kRate, 4);              // blocks per frame
  put(out, kRate, 4);              // blocks in the final frame
  put(out, 2, 4);                  // frames
  put(out, 16, 2);                 // bits
  put(out, 2, 2);                  // channels
  put(out, kRate, 4);              // sample rate
  put(out, kFirstFrame, 4);        // seek table
  put(out, kFirstFrame + kFrameBytes, 4);
  for (int frame = 0; frame < 2; ++frame) {
    put(out, 0x80000000u, 4);      // CRC, with "frame flags follow"
    put(out, 3, 4);                // flags: stereo silence
    put(out, 0, 4);
    put(out, 0, 4);
  }
}

struct Encoding {
  const char* name;
  const char* ffmpegArgs;  // nullptr: written by the test itself
};

const Encoding kEncodings[] = {
    {"tone.wav", nullptr},
    {"tone.mp1", nullptr},
    {"silence.ape", nullptr},
    {"tone.mp3", "-c:a libmp3lame -b:a 128k"},
    {"tone.mp2", "-c:a mp2 -b:a 192k"},
    {"tone.ogg", "-c:a libvorbis -q:a 4"},
    {"tone-float.wav", "-c:a pcm_f32le"},
    {"tone.aif", "-c:a pcm_s16be -f aiff"},
    {"tone.flac", "-c:a flac"},
    {"tone.wv", "-c:a wavpack"},
    {"tone.aac", "-c:a aac -b:a 128k -f adts"},
    {"tone.m4a", "-c:a aac -b:a 128k"},
    {"tone.opus", "-c:a libopus -b:a 96k"},
    {"tone.wma", "-c:a wmav2 -b:a 128k"},
};

class Media {
public:
  Media() {
    const std::string wav = dir_.file("tone.wav");
    writeWav(wav, kRate, 2, kFrames, sine(kToneHz, kRate));
    writeSilentMp1(dir_.file("tone.mp1"));
    writeSilentApe(dir_.file("silence.ape"));
    for (const Encoding& e : kEncodings) {
      if (e.ffmpegArgs != nullptr &&
          !run("ffmpeg -v error -y -i '" + wav + "' " + e.ffmpegArgs + " '" + dir_.file(e.name) + "'")) {
        throw std::runtime_error(std::string("ffmpeg could not make ") + e.name);
      }
    }
  }
  std::string file(const std::string& name) const { return dir_.file(name); }

  std::string made(const std::string& name, void (*make)(const std::string&)) {
    std::lock_guard lock(mutex_);
    if (madeNames_.insert(name).second) {
      make(dir_.file(name));
    }
    return dir_.file(name);
  }

private:
  TempDir dir_;
  std::mutex mutex_;
  std::set<std::string> madeNames_;
};

Media& media() {
  static Media instance;
  return instance;
}

}  // namespace

const std::vector<MediaFile>& mediaFormats() {
  static const std::vector<MediaFile> formats{
      {"tone.wav", BASS_CTYPE_STREAM_WAV_PCM, kRate, 2, kFrames, 0, false},
      {"tone-float.wav", BASS_CTYPE_STREAM_WAV_FLOAT, kRate, 2, kFrames, 0, false},
      {"tone.aif", BASS_CTYPE_STREAM_AIFF, kRate, 2, kFrames, 0, false},
      {"tone.mp1", BASS_CTYPE_STREAM_MP1, 48000, 2, kMp1Frames * 384, 384, false},
      {"tone.mp2", BASS_CTYPE_STREAM_MP2, kRate, 2, kFrames, 1152, false},
      {"tone.mp3", BASS_CTYPE_STREAM_MP3, kRate, 2, kFrames, 1152, false},
      {"tone.ogg", BASS_CTYPE_STREAM_OGG, kRate, 2, kFrames, 2048, false},
      {"tone.flac", BASS_CTYPE_STREAM_FLAC, kRate, 2, kFrames, 0, true},
      {"tone.wv", BASS_CTYPE_STREAM_WV, kRate, 2, kFrames, 0, true},
      {"silence.ape", BASS_CTYPE_STREAM_APE, kRate, 2, kFrames, 0, true},
      // ADTS has no room for the encoder's delay: its priming frame is part of the sound.
      {"tone.aac", BASS_CTYPE_STREAM_AAC, kRate, 2, kFrames, 2 * 1024, true},
      {"tone.m4a", BASS_CTYPE_STREAM_MP4, kRate, 2, kFrames, 1024, true},
      {"tone.opus", BASS_CTYPE_STREAM_OPUS, 48000, 2, 2 * 48000, 960, true},
      {"tone.wma", BASS_CTYPE_STREAM_WMA, kRate, 2, kFrames, 2048, true},
  };
  return formats;
}

std::string mediaPath(const std::string& name) { return media().file(name); }

std::string madeFile(const std::string& name, void (*make)(const std::string& path)) { return media().made(name, make); }

void PrintTo(const MediaFile& file, std::ostream* out) { *out << file.name; }

std::string pluginPath() { return TAVELO_TEST_PLUGIN_DIR "/ffmpeg.so"; }

}  // namespace tavelo::test
