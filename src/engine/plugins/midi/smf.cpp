#include "engine/plugins/midi/smf.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tavelo::midi {
namespace {

constexpr std::uint8_t kMeta = 0xFF;
constexpr std::uint8_t kSysEx = 0xF0;
constexpr std::uint8_t kSysExContinued = 0xF7;
constexpr std::uint8_t kMetaTempo = 0x51;
constexpr std::uint8_t kMetaEndOfTrack = 0x2F;

// Reads big-endian numbers and variable-length quantities, never past the end.
class Reader {
public:
  explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  bool atEnd() const { return pos_ >= bytes_.size(); }
  std::size_t left() const { return bytes_.size() - pos_; }

  std::optional<std::uint32_t> number(int width) {
    if (left() < static_cast<std::size_t>(width)) {
      return std::nullopt;
    }
    std::uint32_t value = 0;
    for (int i = 0; i < width; ++i) {
      value = value << 8 | bytes_[pos_++];
    }
    return value;
  }

  // At most four bytes, as the format allows.
  std::optional<std::uint32_t> quantity() {
    std::uint32_t value = 0;
    for (int i = 0; i < 4 && !atEnd(); ++i) {
      const std::uint8_t byte = bytes_[pos_++];
      value = value << 7 | (byte & 0x7F);
      if ((byte & 0x80) == 0) {
        return value;
      }
    }
    return std::nullopt;
  }

  std::optional<std::span<const std::uint8_t>> take(std::size_t count) {
    if (left() < count) {
      return std::nullopt;
    }
    auto part = bytes_.subspan(pos_, count);
    pos_ += count;
    return part;
  }

  bool tag(const char* fourCC) {
    auto part = take(4);
    return part && std::memcmp(part->data(), fourCC, 4) == 0;
  }

private:
  std::span<const std::uint8_t> bytes_;
  std::size_t pos_ = 0;
};

int dataBytesOf(std::uint8_t status) {
  const std::uint8_t kind = status & 0xF0;
  return kind == 0xC0 || kind == 0xD0 ? 1 : 2;
}

// Walks one track's events; returns the tick of its end, collecting its tempo changes.
std::optional<std::uint32_t> walkTrack(std::span<const std::uint8_t> track, std::vector<TempoChange>* tempi) {
  Reader in(track);
  std::uint64_t tick = 0;
  std::uint8_t running = 0;
  while (!in.atEnd()) {
    const auto delta = in.quantity();
    const auto first = in.number(1);
    if (!delta || !first) {
      return std::nullopt;
    }
    tick += *delta;
    if (tick > UINT32_MAX / 2) {
      return std::nullopt;
    }
    std::uint8_t status = static_cast<std::uint8_t>(*first);
    if (status == kMeta) {
      const auto type = in.number(1);
      const auto length = in.quantity();
      const auto data = type && length ? in.take(*length) : std::nullopt;
      if (!data) {
        return std::nullopt;
      }
      running = 0;
      if (*type == kMetaEndOfTrack) {
        break;
      }
      if (*type == kMetaTempo && data->size() == 3) {
        const std::uint32_t micros = (*data)[0] << 16 | (*data)[1] << 8 | (*data)[2];
        if (micros > 0) {
          tempi->push_back({static_cast<std::uint32_t>(tick), micros});
        }
      }
      continue;
    }
    if (status == kSysEx || status == kSysExContinued) {
      const auto length = in.quantity();
      if (!length || !in.take(*length)) {
        return std::nullopt;
      }
      running = 0;
      continue;
    }
    int dataBytes = 0;
    if (status & 0x80) {
      if (status > kSysEx) {
        return std::nullopt;  // real-time and common messages have no place in a file
      }
      running = status;
      dataBytes = dataBytesOf(status);
    } else {
      if (running == 0) {
        return std::nullopt;  // a data byte with no status to repeat
      }
      dataBytes = dataBytesOf(running) - 1;  // the first data byte is already read
    }
    if (!in.take(static_cast<std::size_t>(dataBytes))) {
      return std::nullopt;
    }
  }
  return static_cast<std::uint32_t>(tick);
}

}  // namespace

std::optional<SmfTimeline> SmfTimeline::parse(std::span<const std::uint8_t> smf) {
  Reader in(smf);
  if (!in.tag("MThd")) {
    return std::nullopt;
  }
  const auto headerLength = in.number(4);
  if (!headerLength || *headerLength < 6) {
    return std::nullopt;
  }
  const auto header = in.take(*headerLength);
  if (!header) {
    return std::nullopt;
  }
  Reader fields(*header);
  fields.number(2);  // the format: tracks are timed alike in all three
  const std::uint32_t trackCount = *fields.number(2);
  SmfTimeline timeline;
  timeline.division_ = static_cast<std::uint16_t>(*fields.number(2));
  if (trackCount == 0 || (timeline.division_ & 0x7FFF) == 0 || ((timeline.division_ & 0x8000) && (timeline.division_ & 0xFF) == 0)) {
    return std::nullopt;
  }
  for (std::uint32_t found = 0; found < trackCount;) {
    const auto id = in.take(4);
    const auto length = in.number(4);
    const auto body = length ? in.take(*length) : std::nullopt;
    if (!id || !body) {
      return std::nullopt;
    }
    if (std::memcmp(id->data(), "MTrk", 4) != 0) {
      continue;  // chunks of unknown kinds are skipped
    }
    const auto end = walkTrack(*body, &timeline.tempi_);
    if (!end) {
      return std::nullopt;
    }
    timeline.endTick_ = std::max(timeline.endTick_, *end);
    ++found;
  }
  std::stable_sort(timeline.tempi_.begin(), timeline.tempi_.end(),
                   [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
  if (timeline.tempi_.empty() || timeline.tempi_.front().tick != 0) {
    timeline.tempi_.insert(timeline.tempi_.begin(), TempoChange{});
  }
  return timeline;
}

double SmfTimeline::secondsPerTick(std::uint32_t microsPerQuarter) const {
  if (division_ & 0x8000) {
    const int framesPerSecond = -static_cast<std::int8_t>(division_ >> 8);
    return 1.0 / (framesPerSecond * (division_ & 0xFF));
  }
  return microsPerQuarter / 1e6 / division_;
}

double SmfTimeline::secondsAt(std::uint32_t tick) const {
  double seconds = 0;
  for (std::size_t i = 0; i < tempi_.size() && tempi_[i].tick < tick; ++i) {
    const std::uint32_t until = i + 1 < tempi_.size() ? std::min(tempi_[i + 1].tick, tick) : tick;
    seconds += (until - tempi_[i].tick) * secondsPerTick(tempi_[i].microsPerQuarter);
  }
  return seconds;
}

std::uint32_t SmfTimeline::tickAt(double seconds) const {
  double elapsed = 0;
  for (std::size_t i = 0; i < tempi_.size(); ++i) {
    const double perTick = secondsPerTick(tempi_[i].microsPerQuarter);
    const bool last = i + 1 == tempi_.size();
    const double span = last ? 0 : (tempi_[i + 1].tick - tempi_[i].tick) * perTick;
    if (last || elapsed + span > seconds) {
      const double ticks = std::floor((seconds - elapsed) / perTick);
      return std::min<std::uint32_t>(endTick_, tempi_[i].tick + static_cast<std::uint32_t>(std::max(0.0, ticks)));
    }
    elapsed += span;
  }
  return 0;
}

std::span<const std::uint8_t> unwrapRmid(std::span<const std::uint8_t> file) {
  Reader in(file);
  if (!in.tag("RIFF") || !in.number(4) || !in.tag("RMID")) {
    return file;
  }
  while (!in.atEnd()) {
    const auto id = in.take(4);
    const auto size = in.number(4);
    if (!id || !size) {
      break;
    }
    const std::uint32_t length = __builtin_bswap32(*size);  // RIFF sizes are little-endian
    if (std::memcmp(id->data(), "data", 4) == 0) {
      return in.take(length).value_or(std::span<const std::uint8_t>{});
    }
    if (!in.take(length + (length & 1))) {
      break;
    }
  }
  return {};
}

}  // namespace tavelo::midi
