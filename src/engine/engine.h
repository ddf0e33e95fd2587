// Tavelo's audio engine: the operations the player calls, under the names the player uses.
// Handles are 32-bit numbers, 0 = none / failure; after a failure BASS_ErrorGetCode() tells why.
//
// Threads. Every function may be called from any thread (the window thread, a sync callback, a
// worker); the error code is kept per thread. The engine runs threads of its own: one decoder per
// playback channel (reads and seeks its source), the mixer (sums the channels into the device),
// the sync thread (runs sync callbacks, one at a time, with no engine lock held, so a callback may
// call any function here) and the reaper (finishes freed channels). A call takes the engine's
// mutex and the channel's for a moment and never waits for a source (a file, a net stream, a CD):
// what a source last said is kept in a copy. What may block is said at each function.
#pragma once

#include <cstdint>

using DWORD = std::uint32_t;
using QWORD = std::uint64_t;
using BOOL = int;
using HSTREAM = DWORD;
using HCHANNEL = DWORD;
using HSYNC = DWORD;
using HPLUGIN = DWORD;
using HFX = DWORD;

// Error codes
enum : int {
  BASS_OK = 0,
  BASS_ERROR_MEM = 1,
  BASS_ERROR_FILEOPEN = 2,
  BASS_ERROR_DRIVER = 3,
  BASS_ERROR_HANDLE = 5,
  BASS_ERROR_FORMAT = 6,
  BASS_ERROR_POSITION = 7,
  BASS_ERROR_INIT = 8,
  BASS_ERROR_START = 9,
  BASS_ERROR_ALREADY = 14,
  BASS_ERROR_ILLTYPE = 19,
  BASS_ERROR_NOPLAY = 24,
  BASS_ERROR_NOTFILE = 27,
  BASS_ERROR_NONET = 32,
  BASS_ERROR_NOTAVAIL = 37,
  BASS_ERROR_DECODE = 38,
  BASS_ERROR_TIMEOUT = 40,
  BASS_ERROR_FILEFORM = 41,
  BASS_ERROR_DEVICE = 23,
  BASS_ERROR_ILLPARAM = 20,
  BASS_ERROR_VERSION = 43,
  BASS_ERROR_CODEC = 44,
  BASS_ERROR_ENDED = 45,
  BASS_ERROR_BUSY = 46,
  BASS_ERROR_UNKNOWN = -1,
};

// Configuration options
enum : DWORD {
  BASS_CONFIG_BUFFER = 0,
  BASS_CONFIG_NET_TIMEOUT = 11,  // ms to wait for a server's reply
  BASS_CONFIG_NET_BUFFER = 12,
  BASS_CONFIG_NET_PREBUF = 15,
  BASS_CONFIG_NET_AGENT = 16,
  BASS_CONFIG_NET_PROXY = 17,
  BASS_CONFIG_NET_PLAYLIST = 21,
  BASS_CONFIG_NET_READTIMEOUT = 37,  // ms without a byte that end a download
};

// Stream / channel flags
enum : DWORD {
  BASS_SAMPLE_8BITS = 1,
  BASS_SAMPLE_FLOAT = 0x100,
  BASS_MIDI_NOFX = 0x2000,  // no reverb and chorus
  BASS_STREAM_DECODE = 0x200000,
  BASS_STREAM_STATUS = 0x800000,
};

// Channel states
enum : DWORD {
  BASS_ACTIVE_STOPPED = 0,
  BASS_ACTIVE_PLAYING = 1,
  BASS_ACTIVE_STALLED = 2,
  BASS_ACTIVE_PAUSED = 3,
};

enum : DWORD {
  BASS_POS_BYTE = 0,
  BASS_ATTRIB_FREQ = 1,
  BASS_FILEPOS_CURRENT = 0,
  BASS_FILEPOS_DOWNLOAD = 1,
  BASS_FILEPOS_END = 2,
  BASS_FILEPOS_CONNECTED = 4,
  BASS_FILEPOS_WMA_BUFFER = 1000,
  BASS_SYNC_END = 2,
  BASS_SYNC_META = 4,
  BASS_SYNC_OGG_CHANGE = 12,
  BASS_SYNC_MIXTIME = 0x40000000,
  BASS_SYNC_ONETIME = 0x80000000,
  BASS_DATA_FLOAT = 0x40000000,
};

// BASS_ChannelGetTags: zero-terminated lines ending with an empty one (BASS_TAG_META: one text)
enum : DWORD {
  BASS_TAG_OGG = 2,   // Vorbis comments of the logical stream heard
  BASS_TAG_HTTP = 3,  // the HTTP reply's headers
  BASS_TAG_ICY = 4,   // the headers of an "ICY 200 OK" reply
  BASS_TAG_META = 5,  // the latest ICY metadata block
};

// Stream types (BASS_CHANNELINFO::ctype)
enum : DWORD {
  BASS_CTYPE_STREAM_OGG = 0x10002,
  BASS_CTYPE_STREAM_MP1 = 0x10003,
  BASS_CTYPE_STREAM_MP2 = 0x10004,
  BASS_CTYPE_STREAM_MP3 = 0x10005,
  BASS_CTYPE_STREAM_AIFF = 0x10006,
  BASS_CTYPE_STREAM_WAV = 0x40000,
  BASS_CTYPE_STREAM_WAV_PCM = 0x50001,
  BASS_CTYPE_STREAM_WAV_FLOAT = 0x50003,
  BASS_CTYPE_STREAM_PLUGIN = 0x10100,
  BASS_CTYPE_STREAM_WMA = 0x10300,
  BASS_CTYPE_STREAM_WV = 0x10500,
  BASS_CTYPE_STREAM_APE = 0x10700,
  BASS_CTYPE_STREAM_FLAC = 0x10900,
  BASS_CTYPE_STREAM_AAC = 0x10b00,
  BASS_CTYPE_STREAM_MP4 = 0x10b01,
  BASS_CTYPE_STREAM_OPUS = 0x11200,
};

// Device 0 is "No sound"; devices 1.. are the sound server's sinks, the default sink first.
struct BASS_DEVICEINFO {
  const char* name;
  const char* driver;
  DWORD flags;
};
enum : DWORD { BASS_DEVICE_ENABLED = 1, BASS_DEVICE_DEFAULT = 2, BASS_DEVICE_INIT = 4 };

struct BASS_CHANNELINFO {
  DWORD freq;
  DWORD chans;
  DWORD flags;
  DWORD ctype;
  DWORD origres;
  HPLUGIN plugin;
  const char* filename;
};

struct BASS_PLUGINFORM {
  DWORD ctype;
  const char* name;
  const char* exts;
};
struct BASS_PLUGININFO {
  DWORD version;
  DWORD formatc;
  const BASS_PLUGINFORM* formats;
};

using SYNCPROC = void(HSYNC handle, DWORD channel, DWORD data, void* user);
// A net stream's bytes as received (ICY metadata removed); with BASS_STREAM_STATUS also each
// reply's headers as a block of length 0; a null block once when the download ends.
using DOWNLOADPROC = void(const void* buffer, DWORD length, void* user);

extern "C" {
DWORD BASS_GetVersion();
int BASS_ErrorGetCode();
// Devices 0 and 1, or the first call, ask the sound server for its sinks: a short round trip.
BOOL BASS_GetDeviceInfo(DWORD device, BASS_DEVICEINFO* info);
// Connects to the sound server (blocks for its answer) and starts the mixer.
BOOL BASS_Init(int device, DWORD freq, DWORD flags, void* window, const void* clsid);
// Interrupts every channel's source and waits until their decoders have ended and the sources
// are closed; then stops the mixer.
BOOL BASS_Free();
BOOL BASS_SetConfig(DWORD option, DWORD value);
DWORD BASS_GetConfig(DWORD option);
// BASS_CONFIG_NET_AGENT and BASS_CONFIG_NET_PROXY: the text is copied at the call (null = the
// default agent / no proxy); set it again when it changes. The pointer given back is the engine's
// copy and stays valid. A proxy "" means the environment's http_proxy, https_proxy and no_proxy;
// else "[user:pass@]server:port", the credentials split at the last "@" and their first ":".
BOOL BASS_SetConfigPtr(DWORD option, const void* value);
const void* BASS_GetConfigPtr(DWORD option);

HPLUGIN BASS_PluginLoad(const char* file, DWORD flags);
BOOL BASS_PluginFree(HPLUGIN handle);
const BASS_PLUGININFO* BASS_PluginGetInfo(HPLUGIN handle);

// Opens and recognises the file on the calling thread (reads its head; an MPEG audio file without
// a length header is walked frame by frame, a few milliseconds for ten minutes of sound).
HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags);
// Connects (http and https, through the proxy set) and returns once the format is known: blocks
// the calling thread for the server's reply (at most option 11's time-out, then option 37's for
// each wait on a byte) and the first frames, or until BASS_StreamAbortCreateURL. Loads the
// download module (libcurl) at the first call. The stream's download runs on a thread of its own;
// `proc` is called there, with no engine lock held (it may call the engine, but must not wait for
// a thread that may itself be in BASS_StreamFree of this stream); a header block is valid during
// the call only. Errors: BASS_ERROR_FILEOPEN refused (4xx/5xx, a proxy's refusal, a redirect limit
// or loop, a scheme other than http/https, an oversized header or playlist, nothing playable),
// BASS_ERROR_NONET host or proxy unreachable, BASS_ERROR_TIMEOUT, BASS_ERROR_FILEFORM not sound
// (a web page, a format not decoded), BASS_ERROR_ENDED abandoned, BASS_ERROR_NOTAVAIL no module.
HSTREAM BASS_StreamCreateURL(const char* url, DWORD offset, DWORD flags, DOWNLOADPROC* proc, void* user);
// Abandons every BASS_StreamCreateURL in progress on any thread: each returns 0 with
// BASS_ERROR_ENDED soon after. One starting after this call is not affected. Never blocks.
void BASS_StreamAbortCreateURL();
// Returns at once: the handle is gone, the sound stops, and the reaper thread joins the decoder
// and closes the source (a plug-in's close) afterwards. A net stream's download is cancelled
// wherever it waits (lookup, connection, read) and its last callback (the null block) has
// returned before this does, unless it is called from that callback.
BOOL BASS_StreamFree(HSTREAM handle);
// Never blocks. A net stream: 0 the sound bytes decoded, 1 those downloaded, 2 the buffer's size
// (or the reply's Content-Length), 4 non-zero while connected; other modes fail.
QWORD BASS_StreamGetFilePosition(HSTREAM handle, DWORD mode);

// Play, pause and stop change the channel's state and return at once; a restart is a seek to 0.
BOOL BASS_ChannelPlay(DWORD handle, BOOL restart);
BOOL BASS_ChannelPause(DWORD handle);
BOOL BASS_ChannelStop(DWORD handle);
DWORD BASS_ChannelIsActive(DWORD handle);
QWORD BASS_ChannelGetLength(DWORD handle, DWORD mode);
QWORD BASS_ChannelGetPosition(DWORD handle, DWORD mode);
// A playback channel: returns at once. FALSE with BASS_ERROR_POSITION for a place outside the
// length known; else the position reads `pos` from now on and the decoder seeks the source when it
// is next free (after a read that waits, only when that read returns); a source that then cannot
// reach the place ends the sound there (the end sync fires). A decode-only channel seeks its
// source on the calling thread, and FALSE means the source could not reach the place.
BOOL BASS_ChannelSetPosition(DWORD handle, QWORD pos, DWORD mode);
double BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos);
QWORD BASS_ChannelSeconds2Bytes(DWORD handle, double pos);
DWORD BASS_ChannelGetLevel(DWORD handle);
// A decode-only channel: reads its source on the calling thread, so it blocks as the source does.
DWORD BASS_ChannelGetData(DWORD handle, void* buffer, DWORD length);
BOOL BASS_ChannelGetInfo(DWORD handle, BASS_CHANNELINFO* info);
// Never blocks. The text stays valid on the calling thread until its next BASS_ChannelGetTags;
// null = none. Titles (BASS_TAG_META) and a chained Ogg stream's comments (BASS_TAG_OGG) are those
// heard: read in a BASS_SYNC_META or BASS_SYNC_OGG_CHANGE callback, they are the change it tells.
const char* BASS_ChannelGetTags(DWORD handle, DWORD tags);
BOOL BASS_ChannelGetAttribute(DWORD handle, DWORD attrib, float* value);
// Callbacks run on the sync thread: BASS_SYNC_END once the last frame is played, BASS_SYNC_META and
// BASS_SYNC_OGG_CHANGE when the new title or logical stream is heard (not when it is downloaded).
HSYNC BASS_ChannelSetSync(DWORD handle, DWORD type, QWORD param, SYNCPROC* proc, void* user);
BOOL BASS_ChannelRemoveSync(DWORD handle, HSYNC sync);
}

// MIDI through SoundFonts, offered by the MIDI plug-in; without it loaded these fail with
// BASS_ERROR_NOTAVAIL.
using HSOUNDFONT = DWORD;

enum : DWORD { BASS_CTYPE_STREAM_MIDI = 0x10d00 };

// A font of a font set. Only preset -1 (all the font's presets) is offered; bank is where the
// font's bank 0 goes. The first font of a set wins where several hold a preset.
struct BASS_MIDI_FONT {
  HSOUNDFONT font;
  int preset;
  int bank;
};

extern "C" {
HSOUNDFONT BASS_MIDI_FontInit(const void* file, DWORD flags);
BOOL BASS_MIDI_FontFree(HSOUNDFONT handle);
// Stream 0 sets the defaults of the streams created later; an empty set, or none left after
// BASS_MIDI_FontFree, means the system's General MIDI font. Other streams: those created by
// BASS_MIDI_StreamCreateFile, heard with the new fonts at once.
BOOL BASS_MIDI_StreamSetFonts(HSTREAM handle, const BASS_MIDI_FONT* fonts, DWORD count);
// freq 0 = the output's rate (the engine resamples whatever the synthesiser makes).
HSTREAM BASS_MIDI_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags, DWORD freq);
}

// CD drives and their discs (libcdio). Drives 0.. are the kernel's CD devices (/sys/class/block/sr*,
// in order), then the CD images added by BASS_CD_AddImage; 10 drives at most. Tracks are numbered
// from 0. Every call may be made from any thread; what a drive and its disc report is kept, so the
// status calls answer at once; a call that reads the disc says so.
struct BASS_CD_INFO {
  const char* vendor;
  const char* product;
  const char* rev;
  const char* name;  // the device's name ("sr0") or the image's file name, in a drive letter's place
  BOOL canopen;
  BOOL canlock;
};

enum : DWORD {
  BASS_CDID_CDDB = 2,  // the CDDB query's arguments: "%08x" id, track count, offsets, seconds
  BASS_CDID_TEXT = 4,  // zero-terminated "key=value" texts of the CD-TEXT, closed by an empty one
};
enum : DWORD { BASS_CD_DOOR_CLOSE = 0, BASS_CD_DOOR_OPEN = 1, BASS_CD_DOOR_LOCK = 2, BASS_CD_DOOR_UNLOCK = 3 };
enum : DWORD { BASS_SYNC_CD_ERROR = 1000 };  // a sector given up after its retries (heard as silence)

extern "C" {
BOOL BASS_CD_GetInfo(DWORD drive, BASS_CD_INFO* info);
BOOL BASS_CD_IsReady(DWORD drive);
// -1 without a readable disc.
DWORD BASS_CD_GetTracks(DWORD drive);
// Bytes of 16-bit stereo 44.1 kHz sound (sectors x 2352); -1 for a data track.
DWORD BASS_CD_GetTrackLength(DWORD drive, DWORD track);
// Null when absent; the text stays valid on the calling thread until its next BASS_CD_GetID.
const char* BASS_CD_GetID(DWORD drive, DWORD id);
BOOL BASS_CD_Door(DWORD drive, DWORD action);
BOOL BASS_CD_DoorIsOpen(DWORD drive);
BOOL BASS_CD_DoorIsLocked(DWORD drive);
// KB/s; -1 = as fast as the drive goes.
BOOL BASS_CD_SetSpeed(DWORD drive, float speed);
// Closes the device until the next call that needs it.
BOOL BASS_CD_Release(DWORD drive);
// Flags 0, BASS_SAMPLE_FLOAT, BASS_STREAM_DECODE. A channel like the others; its end sync fires at
// each track's end.
HSTREAM BASS_CD_StreamCreate(DWORD drive, DWORD track, DWORD flags);
BOOL BASS_CD_StreamSetTrack(HSTREAM handle, DWORD track);
// track | drive << 16, else -1.
DWORD BASS_CD_StreamGetTrack(HSTREAM handle);
// Tavelo's own: a CD image (a cdrdao TOC or a one-file BIN/CUE) as the next drive. Reads the image's
// table of contents on the calling thread. The drive number, or -1 (BASS_ERROR_FILEOPEN not an
// image, BASS_ERROR_NOTAVAIL ten drives already).
int BASS_CD_AddImage(const char* path);
}

// Effects on a channel: the parametric equaliser, one peaking band per effect.
enum : DWORD { BASS_FX_DX8_PARAMEQ = 7 };
struct BASS_DX8_PARAMEQ {
  float fCenter;     // Hz
  float fBandwidth;  // semitones
  float fGain;       // dB
};

extern "C" {
// A flat band; effects of a higher priority run first.
HFX BASS_ChannelSetFX(DWORD handle, DWORD type, int priority);
BOOL BASS_ChannelRemoveFX(DWORD handle, HFX fx);
BOOL BASS_FXSetParameters(HFX handle, const void* params);
BOOL BASS_FXGetParameters(HFX handle, void* params);
}

// Encoders: programs fed a channel's samples on their standard input.
using HENCODE = DWORD;
enum : DWORD {
  BASS_ENCODE_NOHEAD = 1,         // no WAVE header before the samples
  BASS_ENCODE_FP_16BIT = 4,       // 16-bit samples
  BASS_ENCODE_PCM = 0x40,         // the engine writes a WAVE file named by the command itself
  BASS_ENCODE_AUTOFREE = 0x40000, // stopped when the channel is freed
};

extern "C" {
HENCODE BASS_Encode_Start(DWORD handle, const char* cmdline, DWORD flags, void* proc, void* user);
// A channel (any of its encoders) or an encoder: 1 while running, else 0.
DWORD BASS_Encode_IsActive(DWORD handle);
// A channel: all its encoders. Waits for the program to exit (killed after 10 s).
BOOL BASS_Encode_Stop(DWORD handle);
// Tavelo's own: why an encoder failed (its exit status and last line on stderr, or the write error);
// null while it runs well or for an unknown handle.
const char* BASS_Encode_GetError(HENCODE handle);
}
