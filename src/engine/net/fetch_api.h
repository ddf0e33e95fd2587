/* The C interface between the engine and its download module (Plug-ins/net/download.so), which
 * links libcurl and is loaded at the first URL: a program that never plays a net stream never maps
 * libcurl and its TLS libraries.
 *
 * One fetch is one GET with its redirects. The engine runs it on a thread of its own (run), and
 * may cancel it from any other thread at any moment (cancel): every wait inside run, for a host
 * lookup, a connection or a byte, ends at once. Structures start with their size and only grow
 * at their end. */
#ifndef TAVELO_FETCH_API_H
#define TAVELO_FETCH_API_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define TAVELO_FETCH_API_VERSION 1u
#define TAVELO_FETCH_ENTRY "tavelo_fetch_entry"

typedef struct TaveloFetchRequest {
  uint32_t size;              /* sizeof(TaveloFetchRequest) */
  const char* url;            /* http or https; without a scheme, http */
  const char* agent;          /* the User-Agent line's value; NULL sends none */
  const char* proxy;          /* NULL: direct; "": the environment's http_proxy, https_proxy and
                                 no_proxy; else "[user:pass@]server:port" */
  uint32_t reply_timeout_ms;  /* until the first byte of a reply */
  uint32_t read_timeout_ms;   /* without a byte after that */
  void* user;
  /* Run's thread. Each header line of each reply (redirects included) without its line end: the
   * status line first, an empty line last. Returns 0 to end the fetch. */
  int (*header_line)(void* user, const char* line, size_t length);
  /* Run's thread. Body bytes of the last reply; may block until cancel. Returns 0 to end the fetch. */
  int (*body)(void* user, const void* data, size_t length);
} TaveloFetchRequest;

typedef struct TaveloFetchOps {
  uint32_t size; /* sizeof(TaveloFetchOps) */
  /* Any thread. NULL when the request cannot be set up (an unknown scheme, no memory). */
  void* (*create)(const TaveloFetchRequest* request);
  /* The fetch's own thread: transfers until the reply ends, a callback ends it, it fails or is
   * cancelled. Returns an engine error code: 0 = the server ended the reply, BASS_ERROR_NONET =
   * host or proxy unreachable, BASS_ERROR_TIMEOUT, BASS_ERROR_FILEOPEN = refused (redirect limit,
   * a scheme other than http/https, a callback that ended it), BASS_ERROR_ENDED = cancelled. */
  int (*run)(void* fetch);
  /* Any thread, never blocks; a run in progress or to come returns BASS_ERROR_ENDED soon. */
  void (*cancel)(void* fetch);
  /* After run has returned (or when it never ran). */
  void (*destroy)(void* fetch);
} TaveloFetchOps;

typedef const TaveloFetchOps* (*TaveloFetchEntry)(uint32_t engine_api_version);

#ifdef __cplusplus
}
#endif

#endif
