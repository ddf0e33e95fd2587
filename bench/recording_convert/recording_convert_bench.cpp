// recording_convert_bench [SECONDS]: makes a FLAC file of SECONDS (600 by default) of noise-like
// sound, then converts it to MP3 at 192 kbps once each way and prints the wall times:
//   player   the player's conversion run (decode-only channel, 10000-byte chunks, lame on a pipe)
//   pipe     flac -d -c | lame -m s --cbr -b 192 - out.mp3
//   lame     lame alone on the same sound as a WAVE file
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

double timePlayer(const QString& source, const QString& target) {
  bool finished = false;
  tavelo::ConversionRun::Events events{
      [](int) {}, [](int, int) {},
      [](int, const QString& message) { std::fprintf(stderr, "%s\n", qPrintable(message)); },
      [&finished] { finished = true; }};
  const auto start = Clock::now();
  tavelo::ConversionRun run({{source, -1, -1, target}}, {QString(), 4}, events);
  while (!finished) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  return seconds(start);
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
  const double player = timePlayer(QString::fromStdString(flac), QString::fromStdString(folder + "/player.mp3"));
  const double pipe = timeCommand("flac -d -c -s '" + flac + "' | lame --quiet -m s --cbr -b 192 - '" + folder + "/pipe.mp3'");
  const double lame = timeCommand("lame --quiet -m s --cbr -b 192 '" + wav + "' '" + folder + "/lame.mp3'");
  std::printf("%d s of FLAC to MP3 192 kbps, one run each\n", length);
  std::printf("player  %6.2f s\npipe    %6.2f s\nlame    %6.2f s\n", player, pipe, lame);
  std::printf("player speed / pipe speed = %.3f (target >= 0.95)\n", pipe / player);
  BASS_Free();
  return 0;
}
