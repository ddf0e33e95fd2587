// CUE sheets: any bytes give a single-file record whose tracks match its items, a file list
// whose paths match its items, or an error.
#include "files/cue_sheet.h"
#include "fuzz_input.h"
#include "util/text_codec.h"

#include <cstdlib>

using namespace tavelo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QString text = decodeExternalText(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
  const QString folder = QString::fromStdString(tavelo::fuzz::scratchFolder());
  const PlayableExtensions extensions(QStringLiteral("*.mp3;*.ogg;*.wav;*.flac;"));
  const CueSheetResult sheet = parseCueSheet(text, folder, extensions);
  if (sheet.kind == CueSheetKind::SingleFile) {
    const int count = cueTrackCount(sheet.record);
    if (count < 1 || sheet.items.size() != count + 1) std::abort();
    for (int track = 0; track <= count + 1; ++track) {
      if (cueTrackStart(sheet.record, track) < 0 || cueTrackLength(sheet.record, track, 3600) < 0) std::abort();
      if (playedTrackLength(sheet.record, track, 3600.4) < 1) std::abort();
    }
  }
  const CueFileList list = parseCueFileList(text, folder, extensions);
  if (list.paths.size() != list.items.size()) std::abort();
  return 0;
}
