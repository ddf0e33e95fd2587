/* The MIDI plug-in's extension, fetched through get_extension(TAVELO_MIDI_EXTENSION): the sound
 * font calls the engine's BASS_MIDI_* functions are made of. Fonts and sources are opaque. */
#ifndef TAVELO_MIDI_EXTENSION_H
#define TAVELO_MIDI_EXTENSION_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define TAVELO_MIDI_EXTENSION "tavelo.midi.1"

/* One font of a font set: preset -1 = all its presets, bank = the bank its bank 0 becomes. */
typedef struct TaveloMidiFontRef {
  void* font;
  int32_t preset;
  int32_t bank;
} TaveloMidiFontRef;

typedef struct TaveloMidiExtension {
  uint32_t size; /* sizeof(TaveloMidiExtension) */
  /* Checks and opens a sound font file; NULL with *error set to an engine error code. */
  void* (*font_open)(const char* path, int* error);
  /* Drops the caller's hold; a font in use by a font set lives on until that set is replaced. */
  void (*font_release)(void* font);
  /* The fonts of sources opened from now on; an empty set means the system's General MIDI font.
   * Returns an engine error code (0 = done). The first font wins where several have a preset. */
  int (*set_default_fonts)(const TaveloMidiFontRef* fonts, uint32_t count);
  /* The source this thread opened last, or NULL; the mark is cleared. */
  void* (*take_last_opened)(void);
  /* The fonts of an open source, heard from its next frames on; an engine error code. */
  int (*set_source_fonts)(void* source, const TaveloMidiFontRef* fonts, uint32_t count);
} TaveloMidiExtension;

#ifdef __cplusplus
}
#endif

#endif
