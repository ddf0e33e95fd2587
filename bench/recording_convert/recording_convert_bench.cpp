// recording_convert_bench [SECONDS]: makes a FLAC file of SECONDS (600 by default) of noise-like
// sound, then converts it to MP3 at 192 kbps once each way and prints the wall times:
//   player   the player's conversion run (decode-only channel, 10000-byte chunks, lame on a pipe)
//   pipe     flac -d -c | lame -m s --cbr -b 192 - out.mp3
//   lame     lame alone on the same sound as a WAVE file
// then rips the same sound as the one track of a CD image (BIN/CUE) the same ways:
//   player   the player's rip (a decode-only CD stream into lame, or into the engine's WAVE writer)
//   pipe     cd-paranoia -d image.cue -w 1 - | lame …   (MP3), cd-paranoia alone (WAVE)
// The target is player >= 0.95 x pipe speed (player time <= pipe time / 0.95).
#include "engine/engine.h"
#include "recording/conversion.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

double timeCommand(const std::string& command) {
  const auto start = Clock::now();
  if (std::system(command.c_str()) != 0) std::fprintf(stderr, "failed: %s\n", command.c_str());
  return seconds(start);
}

double timePlayer(const tavelo::ConversionItem& item) {
  bool finished = false;
  tavelo::ConversionRun::Events events{
      [](int) {}, [](int, int) {},
      [](int, const QString& message) { std::fprintf(stderr, "%s\n", qPrintable(message)); },
      [&finished] { finished = true; }};
  const auto start = Clock::now();
  tavelo::ConversionRun run({item}, {QString(), 4}, events);
  while (!finished) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  return seconds(start);
}

void printRatio(const char* what, double player, double pipe) {
  std::printf("%s\nplayer  %6.2f s\npipe    %6.2f s\nplayer speed / pipe speed = %.3f (target >= 0.95)\n", what, player,
              pipe, pipe / player);
}

// folder/image.cue over folder/image.bin, one audio track holding the sound of `wav`.
std::string writeImage(const std::string& folder, const std::string& wav) {
  timeCommand("ffmpeg -v error -y -i '" + wav + "' -f s16le -c:a pcm_s16le '" + folder + "/image.bin'");
  const std::string cue = folder + "/image.cue";
  std::FILE* sheet = std::fopen(cue.c_str(), "w");
  std::fputs("FILE \"image.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n", sheet);
  std::fclose(sheet);
  return cue;
}

void benchRip(const std::string& folder, const std::string& wav, int length) {
  const std::string cue = writeImage(folder, wav);
  const int drive = BASS_CD_AddImage(cue.c_str());
  if (drive < 0) {
    std::fprintf(stderr, "the image is not a drive (%d)\n", BASS_ErrorGetCode());
    return;
  }
  const auto ripItem = [&](const char* name) {
    tavelo::ConversionItem item;
    item.target = QString::fromStdString(folder + name);
    item.cdDrive = drive;
    item.cdTrack = 0;
    return item;
  };
  const std::string paranoia = "cd-paranoia -q -d '" + cue + "' -w 1 ";
  std::printf("\n%d s CD image track, one run each\n", length);
  const double mp3 = timePlayer(ripItem("/rip.mp3"));
  printRatio("to MP3 192 kbps (pipe: cd-paranoia | lame)", mp3,
             timeCommand(paranoia + "- 2>/dev/null | lame --quiet -m s --cbr -b 192 - '" + folder + "/paranoia.mp3'"));
  const double wave = timePlayer(ripItem("/rip.wav"));
  printRatio("to WAVE (pipe: cd-paranoia alone)", wave, timeCommand(paranoia + "'" + folder + "/paranoia.wav' 2>/dev/null"));
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int length = argc > 1 ? std::atoi(argv[1]) : 600;
  QTemporaryDir dir;
  const std::string folder = dir.path().toStdString();
  const std::string wav = folder + "/in.wav", flac = folder + "/in.flac";
  // Pink noise with a tone: lame works as hard as on music, not as on silence.
  timeCommand("ffmpeg -v error -y -f lavfi -i 'anoisesrc=c=pink:r=44100:a=0.3:d=" + std::to_string(length) +
              "' -f lavfi -i 'sine=f=440:r=44100:d=" + std::to_string(length) +
              "' -filter_complex amix=inputs=2,aformat=channel_layouts=stereo -c:a pcm_s16le '" + wav + "'");
  timeCommand("flac -s -f -5 -o '" + flac + "' '" + wav + "'");
  if (!BASS_Init(0, 44100, 0, nullptr, nullptr) || !BASS_PluginLoad(TAVELO_BENCH_PLUGIN_DIR "/ffmpeg.so", 0)) {
    std::fprintf(stderr, "engine or FFmpeg plug-in not available (%d)\n", BASS_ErrorGetCode());
    return 1;
  }
  const double player = timePlayer({QString::fromStdString(flac), -1, -1, QString::fromStdString(folder + "/player.mp3")});
  const double pipe = timeCommand("flac -d -c -s '" + flac + "' | lame --quiet -m s --cbr -b 192 - '" + folder + "/pipe.mp3'");
  const double lame = timeCommand("lame --quiet -m s --cbr -b 192 '" + wav + "' '" + folder + "/lame.mp3'");
  std::printf("%d s of FLAC to MP3 192 kbps, one run each\n", length);
  std::printf("player  %6.2f s\npipe    %6.2f s\nlame    %6.2f s\n", player, pipe, lame);
  std::printf("player speed / pipe speed = %.3f (target >= 0.95)\n", pipe / player);
  benchRip(folder, wav, length);
  BASS_Free();
  return 0;
}
