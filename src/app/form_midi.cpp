// MIDI files: the user's sound fonts, loaded once and kept until a file of another kind plays,
// and the fallback through the system's General MIDI font when none of them can be used.
#include "app/form.h"

#include "engine/engine.h"
#include "fields.h"

#include <QFile>

#include <vector>

namespace {

constexpr QChar kFieldEnd = QLatin1Char('^');

}  // namespace

// True when at least one font of the list is in use. A list of fonts that all fail to open
// counts as failure, so that the file plays through the system font rather than without fonts.
bool TFormMyTavelo::LoadSoundFonts(bool force) {
  if (SoundFonts[0] != 0 && !force) return true;
  FreeSoundFonts();
  std::vector<BASS_MIDI_FONT> fonts;
  const QString list = Stored.soundFonts + kFieldEnd;
  for (int entry = 1; entry <= int(SoundFonts.size()); ++entry) {
    const QString path = GetField(list, entry, 1, kFieldEnd);
    const HSOUNDFONT font = path.isEmpty() ? 0 : BASS_MIDI_FontInit(QFile::encodeName(path).constData(), 0);
    if (font == 0) continue;
    SoundFonts[fonts.size()] = font;
    fonts.push_back({font, -1, 0});
  }
  const DWORD count = DWORD(fonts.size());
  bool accepted = BASS_MIDI_StreamSetFonts(0, fonts.data(), count);
  if (FileStream != 0) accepted = BASS_MIDI_StreamSetFonts(FileStream, fonts.data(), count);
  return accepted && count > 0;
}

void TFormMyTavelo::FreeSoundFonts() {
  for (std::uint32_t& font : SoundFonts) {
    if (font != 0) BASS_MIDI_FontFree(font);
    font = 0;
  }
}

std::uint32_t TFormMyTavelo::CreateMidiStream(const QString& path) {
  const QByteArray file = QFile::encodeName(path);
  if (LoadSoundFonts(false)) return BASS_MIDI_StreamCreateFile(0, file.constData(), 0, 0, BASS_MIDI_NOFX, 0);
  const HSTREAM stream = BASS_StreamCreateFile(0, file.constData(), 0, 0, 0);
  MciMidi = stream != 0;
  return stream;
}
