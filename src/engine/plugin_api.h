/* The C interface between the engine and its plug-ins (shared libraries in Plug-ins/).
 *
 * A plug-in exports one function, tavelo_plugin_entry, that returns its description. The engine
 * passes the interface version it speaks; a plug-in built for another major version returns NULL.
 * A plug-in opens files as sources of interleaved 32-bit float frames; the engine does the rest
 * (buffering, effects, encoders, syncs, output). Structures only grow at their end, and each one
 * starts with its own size, so an engine can tell which members an older plug-in fills in. */
#ifndef TAVELO_PLUGIN_API_H
#define TAVELO_PLUGIN_API_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define TAVELO_PLUGIN_API_VERSION 1u
#define TAVELO_PLUGIN_ENTRY "tavelo_plugin_entry"

/* One format the plug-in plays, as the open dialog lists it: exts like "*.flac;*.fla". */
typedef struct TaveloPluginFormat {
  uint32_t ctype;
  const char* name;
  const char* exts;
} TaveloPluginFormat;

typedef struct TaveloSourceInfo {
  uint32_t size;          /* sizeof(TaveloSourceInfo) as the engine knows it; set by the engine */
  uint32_t rate;          /* frames per second */
  uint32_t channels;
  uint32_t ctype;         /* one of the plug-in's format types */
  uint32_t origres;       /* bits of the original samples, 0 when not meaningful */
  int64_t length_frames;  /* -1 when unknown (endless or not yet known) */
} TaveloSourceInfo;

/* What the engine may do with an open source. read, seek, file_position and length_frames are
 * called from one engine thread at a time (a channel's decoder thread, or the reader of a
 * decode-only channel) and may block; close is called on an engine thread after the last of them
 * has returned, never on the caller's window thread or the mixer thread. */
typedef struct TaveloSourceOps {
  uint32_t size; /* sizeof(TaveloSourceOps) */
  /* Fills up to frame_count frames; returns the frames written, 0 at the end. */
  int64_t (*read)(void* source, float* frames, int64_t frame_count);
  /* Moves to a frame; returns 1 on success, 0 when the position cannot be reached. */
  int (*seek)(void* source, int64_t frame);
  /* Position in the underlying file (mode 0 = current read position, 2 = size);
   * UINT64_MAX when the mode does not apply. */
  uint64_t (*file_position)(void* source, uint32_t mode);
  /* The length once the end has been reached (it may differ from the first estimate). */
  int64_t (*length_frames)(void* source);
  void (*close)(void* source);
  /* May be NULL (for a source that never waits long). Called from another thread while read or
   * seek may be running; must not block: the source is about to be closed, so a read or seek that
   * waits returns at once, and every later one too (read with 0, seek with 0). */
  void (*interrupt)(void* source);
} TaveloSourceOps;

/* Bytes that arrive over time. read waits until some have come and returns how many, 0 at the
 * end (or once the engine interrupts the source). */
typedef struct TaveloByteStream {
  uint32_t size; /* sizeof(TaveloByteStream) */
  void* user;
  size_t (*read)(void* user, void* buffer, size_t length);
} TaveloByteStream;

typedef struct TaveloPlugin {
  uint32_t size;        /* sizeof(TaveloPlugin) */
  uint32_t version;     /* the plug-in's own version, shown by BASS_PluginGetInfo */
  uint32_t format_count;
  const TaveloPluginFormat* formats;
  const TaveloSourceOps* ops;
  /* Opens a file. Returns the source, or NULL with *error set to an engine error code
   * (BASS_ERROR_FILEFORM when the file is not one of the plug-in's formats). flags are the
   * stream flags the caller passed. */
  void* (*open_file)(const char* path, uint32_t flags, TaveloSourceInfo* info, int* error);
  /* Further entry points a plug-in offers by name (for example a synthesiser's font calls);
   * returns NULL for a name it does not know. May itself be NULL. */
  void* (*get_extension)(const char* name);
  /* Added after the first release (a plug-in built before lacks it: its size tells). Opens bytes
   * that arrive over time (a net stream) as a source that cannot seek; content_type is the
   * server's (may be NULL). Called on the creating thread; the stream's read may wait, and stays
   * valid until the source is closed. NULL with *error as open_file. May itself be NULL. */
  void* (*open_stream)(const TaveloByteStream* stream, const char* content_type, uint32_t flags, TaveloSourceInfo* info,
                       int* error);
} TaveloPlugin;

typedef const TaveloPlugin* (*TaveloPluginEntry)(uint32_t engine_api_version);

#ifdef __cplusplus
}
#endif

#endif
