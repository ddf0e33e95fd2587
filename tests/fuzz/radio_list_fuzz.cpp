// Radio lists: any file reads, normalises to a full station table and saves back line for line;
// every station opens in the settings panel and Ok on it keeps its title encoding.
#include "fuzz_input.h"
#include "radio/radio_list.h"
#include "radio/station_settings.h"

#include <cstdlib>

using namespace tavelo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = tavelo::fuzz::writeInputFile("list.rls", data, size);
  std::optional<QStringList> lines = readRadioListFile(QString::fromStdString(path));
  if (!lines) std::abort();
  normaliseRadioList(*lines);
  if (lines->size() <= kFlagsLineIndex) std::abort();
  for (int station = 1; station <= kStationCount; ++station) {
    stationName(*lines, station);
    stationForceEncode(*lines, station);
    stationEditOf(*lines, station);
  }
  StationEdit edit = stationEditOf(*lines, 1);
  edit.titleEncoding = stationTitleEncoding(*lines, 2) == TitleEncoding::Utf8 ? TitleEncoding::Windows1251
                                                                              : TitleEncoding::Utf8;
  const TitleEncoding second = stationTitleEncoding(*lines, 2);
  applyStationEdit(*lines, 1, edit, false);
  if (stationTitleEncoding(*lines, 1) != edit.titleEncoding || stationTitleEncoding(*lines, 2) != second) std::abort();
  if (!saveRadioList(QString::fromStdString(path), *lines).ok) std::abort();
  const std::optional<QStringList> again = readRadioListFile(QString::fromStdString(path));
  if (!again || again->size() != lines->size()) std::abort();
  return 0;
}
