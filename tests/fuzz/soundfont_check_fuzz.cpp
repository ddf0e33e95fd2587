// The SoundFont check: any file gets a verdict from its chunk headers.
#include "fuzz_input.h"
#include "engine/plugins/midi/soundfont_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = tavelo::fuzz::writeInputFile("font.sf2", data, size);
  tavelo::midi::checkFontFile(path.c_str());
  return 0;
}
