// Command splitting and the WAVE header the encoders are fed.
#include "engine/encode/command_line.h"
#include "engine/encode/wave_header.h"

#include <gtest/gtest.h>

#include <cstring>

namespace tavelo::engine {
namespace {

struct SplitCase {
  const char* name;
  const char* line;
  std::vector<std::string> words;
};

TEST(CommandLineTest, WordsSplitAtBlanksWithQuotesAndEscapes) {
  const SplitCase cases[] = {
      {"plain words", "lame --quiet -b 128 - out.mp3", {"lame", "--quiet", "-b", "128", "-", "out.mp3"}},
      {"runs of blanks and tabs", "  a \t b  ", {"a", "b"}},
      {"quotes group blanks", R"("/opt/my player/lame" -o "a b.mp3")", {"/opt/my player/lame", "-o", "a b.mp3"}},
      {"quotes inside a word", R"(--out="x y"z)", {"--out=x yz"}},
      {"an empty quoted word", R"(a "" b)", {"a", "", "b"}},
      {"escaped quote and backslash", R"(say \"hi\" c:\\x)", {"say", "\"hi\"", "c:\\x"}},
      {"other backslashes stay", R"(a\b \n)", {"a\\b", "\\n"}},
      {"an unclosed quote runs to the end", R"(a "b c)", {"a", "b c"}},
      {"nothing", "", {}},
  };
  for (const SplitCase& c : cases) {
    EXPECT_EQ(splitCommandLine(c.line), c.words) << c.name;
  }
}

std::uint32_t field32(const std::array<std::uint8_t, kWaveHeaderBytes>& h, std::size_t at) {
  return h[at] | (h[at + 1] << 8) | (h[at + 2] << 16) | (std::uint32_t{h[at + 3]} << 24);
}

std::uint16_t field16(const std::array<std::uint8_t, kWaveHeaderBytes>& h, std::size_t at) {
  return static_cast<std::uint16_t>(h[at] | (h[at + 1] << 8));
}

struct HeaderCase {
  const char* name;
  WaveFormat format;
  std::uint64_t dataBytes;
  std::uint16_t tag, bits, blockAlign;
  std::uint32_t byteRate, riffSize, dataSize;
};

TEST(WaveHeaderTest, FieldsFollowTheFormatAndSizesSaturate) {
  const HeaderCase cases[] = {
      {"a stream of unknown length", {44100, 2, false}, kUnknownWaveSize, 1, 16, 4, 176400, 0xFFFFFFFF, 0xFFFFFFFF},
      {"an empty file", {48000, 2, false}, 0, 1, 16, 4, 192000, 36, 0},
      {"mono 22.05 kHz", {22050, 1, false}, 1000, 1, 16, 2, 44100, 1036, 1000},
      {"float samples are format 3", {44100, 2, true}, 800, 3, 32, 8, 352800, 836, 800},
      {"past 4 GiB", {44100, 2, false}, 5ull << 30, 1, 16, 4, 176400, 0xFFFFFFFF, 0xFFFFFFFF},
      {"just under the limit", {44100, 2, false}, 0xFFFFFFFFull - 36, 1, 16, 4, 176400, 0xFFFFFFFF, 0xFFFFFFFF - 36},
  };
  for (const HeaderCase& c : cases) {
    const auto h = waveHeader(c.format, c.dataBytes);
    EXPECT_EQ(std::memcmp(h.data(), "RIFF", 4), 0) << c.name;
    EXPECT_EQ(std::memcmp(h.data() + 8, "WAVEfmt ", 8), 0) << c.name;
    EXPECT_EQ(std::memcmp(h.data() + 36, "data", 4), 0) << c.name;
    EXPECT_EQ(field32(h, 16), 16u) << c.name;
    EXPECT_EQ(field16(h, 20), c.tag) << c.name;
    EXPECT_EQ(field16(h, 22), c.format.channels) << c.name;
    EXPECT_EQ(field32(h, 24), c.format.rate) << c.name;
    EXPECT_EQ(field32(h, 28), c.byteRate) << c.name;
    EXPECT_EQ(field16(h, 32), c.blockAlign) << c.name;
    EXPECT_EQ(field16(h, 34), c.bits) << c.name;
    EXPECT_EQ(field32(h, 4), c.riffSize) << c.name;
    EXPECT_EQ(field32(h, 40), c.dataSize) << c.name;
  }
}

}  // namespace
}  // namespace tavelo::engine
