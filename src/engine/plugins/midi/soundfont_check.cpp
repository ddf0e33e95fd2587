#include "engine/plugins/midi/soundfont_check.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <map>
#include <optional>
#include <string>

namespace tavelo::midi {
namespace {

struct Chunk {
  std::string id;
  std::uint64_t size = 0;
  std::uint64_t dataAt = 0;
};

std::uint32_t littleEndian32(const unsigned char* b) {
  return std::uint32_t{b[0]} | (std::uint32_t{b[1]} << 8) | (std::uint32_t{b[2]} << 16) | (std::uint32_t{b[3]} << 24);
}

std::optional<Chunk> chunkAt(std::ifstream& in, std::uint64_t at) {
  unsigned char header[8];
  in.seekg(static_cast<std::streamoff>(at));
  if (!in.read(reinterpret_cast<char*>(header), sizeof header)) {
    return std::nullopt;
  }
  return Chunk{std::string(reinterpret_cast<const char*>(header), 4), littleEndian32(header + 4), at + 8};
}

std::string fourCcAt(std::ifstream& in, std::uint64_t at) {
  char id[4] = {};
  in.seekg(static_cast<std::streamoff>(at));
  return in.read(id, sizeof id) ? std::string(id, 4) : std::string();
}

// The chunks laid end to end from `begin` to `end`, by id, a LIST chunk by "LIST" and its form;
// null when one runs past the end.
std::optional<std::map<std::string, Chunk>> chunksBetween(std::ifstream& in, std::uint64_t begin, std::uint64_t end) {
  std::map<std::string, Chunk> chunks;
  for (std::uint64_t at = begin; at < end;) {
    const auto chunk = chunkAt(in, at);
    if (!chunk || chunk->dataAt + chunk->size > end) {
      return std::nullopt;
    }
    const bool list = chunk->id == "LIST" && chunk->size >= 4;
    chunks.emplace(list ? "LIST" + fourCcAt(in, chunk->dataAt) : chunk->id, *chunk);
    at = chunk->dataAt + chunk->size + (chunk->size & 1);  // chunks start on even offsets
  }
  return chunks;
}

// Each preset-data table is a run of fixed-size records; the preset, instrument and sample tables
// hold at least their terminal record.
bool presetDataInShape(const std::map<std::string, Chunk>& pdta) {
  struct Table {
    const char* id;
    std::uint64_t recordBytes;
    bool mayBeEmpty;
  };
  constexpr std::array<Table, 9> kTables = {{{"phdr", 38, false}, {"pbag", 4, true}, {"pmod", 10, true},
                                            {"pgen", 4, true}, {"inst", 22, false}, {"ibag", 4, true},
                                            {"imod", 10, true}, {"igen", 4, true}, {"shdr", 46, false}}};
  for (const Table& table : kTables) {
    const auto it = pdta.find(table.id);
    if (it == pdta.end() || it->second.size % table.recordBytes != 0 || (it->second.size == 0 && !table.mayBeEmpty)) {
      return false;
    }
  }
  return true;
}

// The LIST chunk of that form among the top-level chunks, as its sub-chunks.
std::optional<std::map<std::string, Chunk>> listOf(std::ifstream& in, const std::map<std::string, Chunk>& top,
                                                   const char* form) {
  const auto list = top.find("LIST" + std::string(form));
  if (list == top.end() || list->second.size < 4) {
    return std::nullopt;
  }
  return chunksBetween(in, list->second.dataAt + 4, list->second.dataAt + list->second.size);
}

bool soundFontInShape(std::ifstream& in, const Chunk& riff) {
  const auto top = chunksBetween(in, riff.dataAt + 4, riff.dataAt + riff.size);
  if (!top) {
    return false;
  }
  const auto info = listOf(in, *top, "INFO");
  const auto samples = listOf(in, *top, "sdta");
  const auto presets = listOf(in, *top, "pdta");
  return info && samples && presets && presetDataInShape(*presets);
}

}  // namespace

FontKind checkFontFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  const auto riff = chunkAt(in, 0);
  if (!riff || riff->id != "RIFF") {
    return FontKind::Unusable;
  }
  in.seekg(0, std::ios::end);
  const auto fileBytes = static_cast<std::uint64_t>(std::max<std::streamoff>(in.tellg(), 0));
  in.clear();
  const std::string form = fourCcAt(in, riff->dataAt);
  if (form == "DLS ") {
    return FontKind::Other;
  }
  if (form != "sfbk") {
    return FontKind::Unusable;
  }
  // The synthesiser refuses a file longer or shorter than its RIFF chunk says.
  return riff->size >= 4 && riff->dataAt + riff->size == fileBytes && soundFontInShape(in, *riff) ? FontKind::SoundFont
                                                                                                   : FontKind::Unusable;
}

}  // namespace tavelo::midi
