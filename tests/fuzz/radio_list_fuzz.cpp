// Radio lists: any file reads, normalises to a full station table and saves back line for line.
#include "fuzz_input.h"
#include "radio/radio_list.h"

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
  }
  if (!saveRadioList(QString::fromStdString(path), *lines).ok) std::abort();
  const std::optional<QStringList> again = readRadioListFile(QString::fromStdString(path));
  if (!again || again->size() != lines->size()) std::abort();
  return 0;
}
