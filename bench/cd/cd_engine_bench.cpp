// The engine's CD side on images written here: prints figures, never fails on a time.
//   cd_engine_bench <folder> [rounds]
// Writes <folder>/long.cue + long.bin (one 10-minute track) and <folder>/twenty.cue + .bin
// (20 tracks of 3 s), then times, best of the rounds:
//   - BASS_CD_AddImage + GetTracks + each GetTrackLength + GetID(2) + GetID(4) on the 20-track image;
//   - the 10-minute track read whole through a decode-only CD stream (16-bit, as a rip reads it);
//   - the same track through the source's paranoia reading, which drives use (images are read as
//     they are), as float.
#include "cd_images.h"
#include "engine/cd/cd_source.h"
#include "engine/engine.h"

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

using namespace tavelo::test;
using Clock = std::chrono::steady_clock;

namespace {

double cpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double msSince(Clock::time_point start) { return std::chrono::duration<double, std::milli>(Clock::now() - start).count(); }

double openTwentyTracks(const std::string& cue) {
  const auto start = Clock::now();
  const int drive = BASS_CD_AddImage(cue.c_str());
  const DWORD tracks = BASS_CD_GetTracks(drive);
  for (DWORD track = 0; track < tracks; ++track) {
    BASS_CD_GetTrackLength(drive, track);
  }
  BASS_CD_GetID(drive, BASS_CDID_CDDB);
  BASS_CD_GetID(drive, BASS_CDID_TEXT);
  const double ms = msSince(start);
  if (drive < 0 || tracks != 20) {
    std::fprintf(stderr, "the 20-track image did not open (error %d)\n", BASS_ErrorGetCode());
    return -1;
  }
  return ms;
}

struct ReadFigures {
  double wallMs = 0;
  double cpuMs = 0;
  std::uint64_t bytes = 0;
};

ReadFigures readTrack(int drive) {
  ReadFigures figures;
  const double cpuBefore = cpuSeconds();
  const auto start = Clock::now();
  const HSTREAM stream = BASS_CD_StreamCreate(drive, 0, BASS_STREAM_DECODE);
  static char buffer[64 * 1024];
  for (DWORD got; (got = BASS_ChannelGetData(stream, buffer, sizeof buffer)) != DWORD(-1) && got > 0;) {
    figures.bytes += got;
  }
  BASS_StreamFree(stream);
  figures.wallMs = msSince(start);
  figures.cpuMs = (cpuSeconds() - cpuBefore) * 1000;
  return figures;
}

double paranoiaReadMs(const std::string& cue) {
  using namespace tavelo::engine::cd;
  int error = 0;
  std::shared_ptr<Drive> drive = openImageDrive(cue, &error);
  const auto start = Clock::now();
  auto source = drive ? openCdSource(drive, std::make_shared<TrackSwitch>(0, 0), ReadMethod::Paranoia, &error) : nullptr;
  if (!source) {
    std::fprintf(stderr, "paranoia reading did not open (error %d)\n", error);
    return -1;
  }
  std::vector<float> buffer(2 * 4096);
  while (source->read(buffer.data(), 4096) > 0) {
  }
  return msSince(start);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <folder> [rounds]\n", argv[0]);
    return 2;
  }
  const std::string folder = argv[1];
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  CdImageSpec longSpec;
  longSpec.tracks = {{10 * 60 * 75, 440, "Ten Minutes"}};
  const std::string longCue = writeCueImage(folder, "long", "long.bin", longSpec);
  CdImageSpec twentySpec;
  for (int i = 0; i < 20; ++i) {
    twentySpec.tracks.push_back({3 * 75, 220.0 + 20 * i, "Track title " + std::to_string(i + 1)});
  }
  const std::string twentyCue = writeCueImage(folder, "twenty", "twenty.bin", twentySpec);
  if (!BASS_Init(0, 44100, 0, nullptr, nullptr)) {
    std::fprintf(stderr, "BASS_Init failed: %d\n", BASS_ErrorGetCode());
    return 1;
  }
  // Ten drives at most: one for the long track, the rest for opening the 20-track image.
  const int longDrive = BASS_CD_AddImage(longCue.c_str());
  std::vector<double> opens;
  for (int i = 0; i < std::min(rounds, 9); ++i) {
    opens.push_back(openTwentyTracks(twentyCue));
  }
  std::vector<ReadFigures> reads;
  for (int i = 0; i < rounds; ++i) {
    reads.push_back(readTrack(longDrive));
  }
  std::vector<double> paranoia;
  for (int i = 0; i < rounds; ++i) {
    paranoia.push_back(paranoiaReadMs(longCue));
  }
  BASS_Free();
  const auto bestRead = *std::min_element(reads.begin(), reads.end(), [](const auto& a, const auto& b) { return a.wallMs < b.wallMs; });
  std::printf("open 20-track image (AddImage, GetTracks, 20 x GetTrackLength, GetID 2 and 4), ms:");
  for (const double ms : opens) {
    std::printf(" %.2f", ms);
  }
  std::printf("\n");
  std::printf("10-minute track through a decode-only CD stream: best %.0f ms wall, %.0f ms CPU, %.1f MB, of %d\n",
              bestRead.wallMs, bestRead.cpuMs, static_cast<double>(bestRead.bytes) / 1e6, rounds);
  std::printf("10-minute track through paranoia reading (the drives' path): best %.0f ms wall, of %d\n",
              *std::min_element(paranoia.begin(), paranoia.end()), rounds);
  return 0;
}
