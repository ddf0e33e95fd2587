// What the MIDI plug-in can tell about a font file without the synthesiser, from its RIFF chunks.
#pragma once

namespace tavelo::midi {

enum class FontKind {
  SoundFont,  // a SoundFont 2 (or 3) bank whose chunks are all in place
  Other,      // a DLS collection: only the synthesiser can tell
  Unusable,   // no font, or a SoundFont that is cut short or has chunks out of shape
};

// Reads only the chunk headers; the sample data is skipped.
FontKind checkFontFile(const char* path);

}  // namespace tavelo::midi
