// Net streams: not offered yet.
#include "engine/engine.h"

extern "C" {
HSTREAM BASS_StreamCreateURL(const char*, DWORD, DWORD, DOWNLOADPROC*, void*) { return 0; }
void BASS_StreamAbortCreateURL() {}
const char* BASS_ChannelGetTags(DWORD, DWORD) { return nullptr; }
}
