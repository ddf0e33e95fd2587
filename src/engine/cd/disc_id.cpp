#include "engine/cd/disc_id.h"

#include <cstdio>

namespace tavelo::engine::cd {
namespace {

constexpr std::int32_t kFramesPerSecond = 75;

std::uint32_t digitSum(std::int32_t value) {
  std::uint32_t sum = 0;
  for (; value > 0; value /= 10) {
    sum += static_cast<std::uint32_t>(value % 10);
  }
  return sum;
}

}  // namespace

std::uint32_t cddbDiscId(const std::vector<std::int32_t>& starts, std::int32_t leadOut) {
  if (starts.empty()) {
    return 0;
  }
  std::uint32_t sums = 0;
  for (const std::int32_t start : starts) {
    sums += digitSum(start / kFramesPerSecond);
  }
  // Modulo, not a mask: a disc whose sums pass 255 keeps the id every CDDB server computes.
  const auto seconds = static_cast<std::uint32_t>(leadOut / kFramesPerSecond - starts.front() / kFramesPerSecond);
  return ((sums % 255) << 24) | ((seconds & 0xffff) << 8) | static_cast<std::uint32_t>(starts.size() & 0xff);
}

std::string cddbQueryText(const std::vector<std::int32_t>& starts, std::int32_t leadOut) {
  char id[16];
  std::snprintf(id, sizeof id, "%08x", cddbDiscId(starts, leadOut));
  std::string text = std::string(id) + " " + std::to_string(starts.size());
  for (const std::int32_t start : starts) {
    text += " " + std::to_string(start);
  }
  return text + " " + std::to_string(leadOut / kFramesPerSecond);
}

}  // namespace tavelo::engine::cd
