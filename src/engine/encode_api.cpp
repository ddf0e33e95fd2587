// Encoders: not built yet, every call fails.
#include "engine/engine.h"

#include "engine/addon_support.h"

using tavelo::engine::setLastError;

extern "C" {
HENCODE BASS_Encode_Start(DWORD, const char*, DWORD, void*, void*) { return setLastError(BASS_ERROR_NOTAVAIL), 0u; }
DWORD BASS_Encode_IsActive(DWORD) { return 0; }
BOOL BASS_Encode_Stop(DWORD) { return setLastError(BASS_ERROR_HANDLE), 0; }
const char* BASS_Encode_GetError(HENCODE) { return nullptr; }
}
