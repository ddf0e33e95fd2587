// Channel effects: not built yet, every call fails.
#include "engine/engine.h"

#include "engine/addon_support.h"

using tavelo::engine::setLastError;

extern "C" {
HFX BASS_ChannelSetFX(DWORD, DWORD, int) { return setLastError(BASS_ERROR_ILLTYPE), 0u; }
BOOL BASS_ChannelRemoveFX(DWORD, HFX) { return setLastError(BASS_ERROR_HANDLE), 0; }
BOOL BASS_FXSetParameters(HFX, const void*) { return setLastError(BASS_ERROR_HANDLE), 0; }
BOOL BASS_FXGetParameters(HFX, void*) { return setLastError(BASS_ERROR_HANDLE), 0; }
}
