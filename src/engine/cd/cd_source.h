// A CD track as a channel's source: 44.1 kHz stereo read through paranoia from a drive or an image.
#pragma once

#include "engine/cd/drives.h"
#include "engine/source.h"

#include <atomic>
#include <memory>

namespace tavelo::engine::cd {

// What a CD stream's caller and its source share: the track it plays and the one it is to switch
// to at its next seek (the channel's decoder carries the switch out, so no read is cut in two).
struct TrackSwitch {
  explicit TrackSwitch(std::uint32_t driveIndex, std::uint32_t firstTrack) : drive(driveIndex), track(firstTrack) {}
  const std::uint32_t drive;
  std::atomic<std::uint32_t> track;  // as the caller last set it
  std::atomic<bool> pending{false};  // a new track to switch to at the next seek
};

// A drive's disc is read through paranoia (overlapping reads checked against each other, a sector
// retried a few times, then given up); an image's file is read as it is.
enum class ReadMethod { Paranoia, Direct };

// Null with *error set: BASS_ERROR_DEVICE no disc, BASS_ERROR_POSITION no such track,
// BASS_ERROR_NOTAVAIL a data track, BASS_ERROR_FILEOPEN the disc cannot be opened for reading.
std::unique_ptr<Source> openCdSource(std::shared_ptr<Drive> drive, std::shared_ptr<TrackSwitch> control, ReadMethod method,
                                     int* error);

}  // namespace tavelo::engine::cd
