// CD drives and images: not built yet, every call fails as on a machine without drives.
#include "engine/engine.h"

#include "engine/addon_support.h"

using tavelo::engine::setLastError;

namespace {
template <typename T>
T unavailable(T value) {
  setLastError(BASS_ERROR_DEVICE);
  return value;
}
}  // namespace

extern "C" {
BOOL BASS_CD_GetInfo(DWORD, BASS_CD_INFO*) { return unavailable(0); }
BOOL BASS_CD_IsReady(DWORD) { return unavailable(0); }
DWORD BASS_CD_GetTracks(DWORD) { return unavailable(DWORD(-1)); }
DWORD BASS_CD_GetTrackLength(DWORD, DWORD) { return unavailable(DWORD(-1)); }
const char* BASS_CD_GetID(DWORD, DWORD) { return unavailable<const char*>(nullptr); }
BOOL BASS_CD_Door(DWORD, DWORD) { return unavailable(0); }
BOOL BASS_CD_DoorIsOpen(DWORD) { return unavailable(0); }
BOOL BASS_CD_DoorIsLocked(DWORD) { return unavailable(0); }
BOOL BASS_CD_SetSpeed(DWORD, float) { return unavailable(0); }
BOOL BASS_CD_Release(DWORD) { return unavailable(0); }
HSTREAM BASS_CD_StreamCreate(DWORD, DWORD, DWORD) { return unavailable(0u); }
BOOL BASS_CD_StreamSetTrack(HSTREAM, DWORD) { return unavailable(0); }
DWORD BASS_CD_StreamGetTrack(HSTREAM) { return unavailable(DWORD(-1)); }
int BASS_CD_AddImage(const char*) { return unavailable(-1); }
}
