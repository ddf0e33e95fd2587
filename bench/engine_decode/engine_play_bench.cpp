// engine_play_bench FILE SECONDS: plays FILE through the engine on the default device for SECONDS
// seconds with the player's buffer, as the player does, and links nothing but the engine.
#include "engine/engine.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s FILE SECONDS\n", argv[0]);
    return 2;
  }
  if (!BASS_Init(-1, 44100, 0, nullptr, nullptr)) {
    std::fprintf(stderr, "no sound server (error %d)\n", BASS_ErrorGetCode());
    return 1;
  }
  BASS_SetConfig(BASS_CONFIG_BUFFER, 2000);
  const HSTREAM stream = BASS_StreamCreateFile(0, argv[1], 0, 0, 0);
  if (stream == 0 || !BASS_ChannelPlay(stream, 0)) {
    std::fprintf(stderr, "cannot play %s (error %d)\n", argv[1], BASS_ErrorGetCode());
    return 1;
  }
  std::this_thread::sleep_for(std::chrono::duration<double>(std::atof(argv[2])));
  BASS_Free();
  return 0;
}
