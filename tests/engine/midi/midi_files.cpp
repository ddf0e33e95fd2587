#include "midi_files.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>

namespace tavelo::test {
namespace {

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int shift : {24, 16, 8, 0}) {
    out.push_back(static_cast<std::uint8_t>(v >> shift));
  }
}

void putLe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int shift : {0, 8, 16, 24}) {
    out.push_back(static_cast<std::uint8_t>(v >> shift));
  }
}

void putQuantity(std::vector<std::uint8_t>& out, std::uint32_t v) {
  std::vector<std::uint8_t> groups{static_cast<std::uint8_t>(v & 0x7F)};
  while (v >>= 7) {
    groups.push_back(static_cast<std::uint8_t>(0x80 | (v & 0x7F)));
  }
  out.insert(out.end(), groups.rbegin(), groups.rend());
}

// Events by absolute tick, written as one track chunk ending at `endTick`.
using Events = std::multimap<std::uint32_t, std::vector<std::uint8_t>>;

void putTrack(std::vector<std::uint8_t>& out, const Events& events, std::uint32_t endTick) {
  std::vector<std::uint8_t> body;
  std::uint32_t now = 0;
  for (const auto& [tick, bytes] : events) {
    putQuantity(body, tick - now);
    body.insert(body.end(), bytes.begin(), bytes.end());
    now = tick;
  }
  putQuantity(body, endTick - now);
  body.insert(body.end(), {0xFF, 0x2F, 0x00});
  out.insert(out.end(), {'M', 'T', 'r', 'k'});
  put32(out, static_cast<std::uint32_t>(body.size()));
  out.insert(out.end(), body.begin(), body.end());
}

std::vector<std::uint8_t> tempoEvent(std::uint32_t micros) {
  return {0xFF, 0x51, 0x03, static_cast<std::uint8_t>(micros >> 16), static_cast<std::uint8_t>(micros >> 8),
          static_cast<std::uint8_t>(micros)};
}

}  // namespace

std::vector<std::uint8_t> makeSmf(const SmfSpec& spec) {
  const auto ticks = [&](double quarters) { return static_cast<std::uint32_t>(std::lround(quarters * spec.division)); };
  double end = spec.endQuarters;
  Events tempo{{0, tempoEvent(spec.microsPerQuarter)}};
  if (spec.secondTempo != 0) {
    tempo.emplace(ticks(spec.tempoChangeAt), tempoEvent(spec.secondTempo));
  }
  Events piano{{0, {0xC0, 0x00}}};
  for (const Note& n : spec.notes) {
    piano.emplace(ticks(n.start), std::vector<std::uint8_t>{0x90, static_cast<std::uint8_t>(n.key), 100});
    piano.emplace(ticks(n.start + n.length), std::vector<std::uint8_t>{0x80, static_cast<std::uint8_t>(n.key), 0});
    end = std::max(end, n.start + n.length);
  }
  std::vector<std::uint8_t> out{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 2};
  out.push_back(static_cast<std::uint8_t>(spec.division >> 8));
  out.push_back(static_cast<std::uint8_t>(spec.division));
  putTrack(out, tempo, ticks(end));
  putTrack(out, piano, ticks(end));
  return out;
}

std::vector<std::uint8_t> wrapRmid(const std::vector<std::uint8_t>& smf) {
  std::vector<std::uint8_t> out{'R', 'I', 'F', 'F'};
  putLe32(out, static_cast<std::uint32_t>(4 + 8 + smf.size() + (smf.size() & 1)));
  out.insert(out.end(), {'R', 'M', 'I', 'D', 'd', 'a', 't', 'a'});
  putLe32(out, static_cast<std::uint32_t>(smf.size()));
  out.insert(out.end(), smf.begin(), smf.end());
  if (smf.size() & 1) {
    out.push_back(0);
  }
  return out;
}

void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

SmfSpec arpeggio() {
  SmfSpec spec;
  spec.notes = {{0, 1, 60}, {1, 1, 64}, {2, 1, 67}, {3, 1, 72}};
  return spec;
}

}  // namespace tavelo::test
