// CD drives and images: the C entry points over the drive table and the CD source.
#include "engine/engine.h"

#include "engine/addon_support.h"
#include "engine/cd/cd_source.h"
#include "engine/cd/drives.h"

#include <map>
#include <mutex>

using namespace tavelo::engine;
using namespace tavelo::engine::cd;

namespace {

constexpr BOOL kTrue = 1;
constexpr BOOL kFalse = 0;

template <typename T>
T fail(int code, T value) {
  setLastError(code);
  return value;
}

template <typename T>
T succeed(T value) {
  setLastError(BASS_OK);
  return value;
}

BOOL result(int error) { return error == BASS_OK ? succeed(kTrue) : fail(error, kFalse); }

// The drive, or null with BASS_ERROR_DEVICE set.
std::shared_ptr<Drive> findDrive(DWORD drive) {
  auto found = driveAt(drive);
  if (!found) {
    setLastError(BASS_ERROR_DEVICE);
  }
  return found;
}

// The disc in the drive, or null with an error set.
std::shared_ptr<const Disc> findDisc(DWORD drive) {
  auto found = findDrive(drive);
  if (!found) {
    return nullptr;
  }
  auto disc = found->disc();
  if (!disc) {
    setLastError(BASS_ERROR_NOTAVAIL);
  }
  return disc;
}

// The CD streams and what they play; an entry goes with its source.
struct Streams {
  std::mutex mutex;
  std::map<HSTREAM, std::weak_ptr<TrackSwitch>> switches;

  void add(HSTREAM handle, const std::shared_ptr<TrackSwitch>& control) {
    std::lock_guard lock(mutex);
    std::erase_if(switches, [](const auto& entry) { return entry.second.expired(); });
    switches[handle] = control;
  }
  std::shared_ptr<TrackSwitch> find(HSTREAM handle) {
    std::lock_guard lock(mutex);
    const auto it = switches.find(handle);
    return it != switches.end() ? it->second.lock() : nullptr;
  }
};

Streams& streams() {
  static Streams instance;
  return instance;
}

bool isChannel(HSTREAM handle) {
  BASS_ChannelIsActive(handle);
  return BASS_ErrorGetCode() != BASS_ERROR_HANDLE;
}

// A live stream's switch: a freed stream's source may linger on the reaper for a moment.
std::shared_ptr<TrackSwitch> findStream(HSTREAM handle) {
  auto control = streams().find(handle);
  return control && isChannel(handle) ? control : nullptr;
}

thread_local std::string idText;  // what BASS_CD_GetID returned last on this thread

}  // namespace

extern "C" {

BOOL BASS_CD_GetInfo(DWORD drive, BASS_CD_INFO* info) {
  auto found = findDrive(drive);
  if (!found) {
    return kFalse;
  }
  if (info == nullptr) {
    return fail(BASS_ERROR_ILLPARAM, kFalse);
  }
  const DriveInfo& described = found->info();  // fixed for the drive's life, as is the drive
  info->vendor = described.vendor.c_str();
  info->product = described.product.c_str();
  info->rev = described.rev.c_str();
  info->name = described.name.c_str();
  info->canopen = described.canOpen ? kTrue : kFalse;
  info->canlock = described.canLock ? kTrue : kFalse;
  return succeed(kTrue);
}

BOOL BASS_CD_IsReady(DWORD drive) {
  auto found = findDrive(drive);
  return found ? succeed(found->isReady() ? kTrue : kFalse) : kFalse;
}

DWORD BASS_CD_GetTracks(DWORD drive) {
  auto disc = findDisc(drive);
  return disc ? succeed(static_cast<DWORD>(disc->tracks.size())) : DWORD(-1);
}

DWORD BASS_CD_GetTrackLength(DWORD drive, DWORD track) {
  auto disc = findDisc(drive);
  if (!disc) {
    return DWORD(-1);
  }
  if (track >= disc->tracks.size()) {
    return fail(BASS_ERROR_POSITION, DWORD(-1));
  }
  const Track& chosen = disc->tracks[track];
  return chosen.audio ? succeed(static_cast<DWORD>(chosen.sectors) * kSectorBytes) : fail(BASS_ERROR_NOTAVAIL, DWORD(-1));
}

const char* BASS_CD_GetID(DWORD drive, DWORD id) {
  auto disc = findDisc(drive);
  if (!disc) {
    return nullptr;
  }
  if (id == BASS_CDID_CDDB) {
    idText = disc->cddb;
  } else if (id == BASS_CDID_TEXT && !disc->cdText.empty()) {
    idText = disc->cdText;
  } else {
    return fail(id == BASS_CDID_TEXT ? BASS_ERROR_NOTAVAIL : BASS_ERROR_ILLPARAM, static_cast<const char*>(nullptr));
  }
  return succeed(idText.c_str());
}

BOOL BASS_CD_Door(DWORD drive, DWORD action) {
  auto found = findDrive(drive);
  return found ? result(found->door(action)) : kFalse;
}

BOOL BASS_CD_DoorIsOpen(DWORD drive) {
  auto found = findDrive(drive);
  return found ? succeed(found->doorIsOpen() ? kTrue : kFalse) : kFalse;
}

BOOL BASS_CD_DoorIsLocked(DWORD drive) {
  auto found = findDrive(drive);
  return found ? succeed(found->doorIsLocked() ? kTrue : kFalse) : kFalse;
}

BOOL BASS_CD_SetSpeed(DWORD drive, float speed) {
  auto found = findDrive(drive);
  return found ? result(found->setSpeed(speed)) : kFalse;
}

BOOL BASS_CD_Release(DWORD drive) {
  auto found = findDrive(drive);
  if (!found) {
    return kFalse;
  }
  found->release();
  return succeed(kTrue);
}

HSTREAM BASS_CD_StreamCreate(DWORD drive, DWORD track, DWORD flags) {
  auto found = findDrive(drive);
  if (!found) {
    return 0;
  }
  auto control = std::make_shared<TrackSwitch>(drive, track);
  int error = BASS_OK;
  const ReadMethod method = found->isImage() ? ReadMethod::Direct : ReadMethod::Paranoia;
  auto source = openCdSource(found, control, method, &error);
  if (!source) {
    return fail(error, HSTREAM{0});
  }
  const HSTREAM handle = addStream(std::move(source), flags, found->info().name, 0, &error);
  if (handle == 0) {
    return fail(error, HSTREAM{0});
  }
  streams().add(handle, control);
  return succeed(handle);
}

// The switch itself is a seek to the new track's start, which the channel's reader carries out.
BOOL BASS_CD_StreamSetTrack(HSTREAM handle, DWORD track) {
  auto control = findStream(handle);
  if (!control) {
    return fail(BASS_ERROR_HANDLE, kFalse);
  }
  auto disc = findDisc(control->drive);
  if (!disc) {
    return kFalse;
  }
  if (track >= disc->tracks.size()) {
    return fail(BASS_ERROR_POSITION, kFalse);
  }
  if (!disc->tracks[track].audio) {
    return fail(BASS_ERROR_NOTAVAIL, kFalse);
  }
  control->track = track;
  control->pending = true;
  return BASS_ChannelSetPosition(handle, 0, BASS_POS_BYTE);
}

DWORD BASS_CD_StreamGetTrack(HSTREAM handle) {
  auto control = findStream(handle);
  return control ? succeed(control->track.load() | (control->drive << 16)) : fail(BASS_ERROR_HANDLE, DWORD(-1));
}

int BASS_CD_AddImage(const char* path) {
  if (path == nullptr) {
    return fail(BASS_ERROR_FILEOPEN, -1);
  }
  int error = BASS_OK;
  const int drive = addImageDrive(path, &error);
  return drive >= 0 ? succeed(drive) : fail(error, -1);
}

}  // extern "C"
