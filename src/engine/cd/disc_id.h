// The CDDB disc id and the arguments of a CDDB "query" from a disc's table of contents.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tavelo::engine::cd {

// `starts`: each track's first frame as an absolute address (the 150-frame lead-in included, so
// the first track of a disc starts at 150), data tracks too; `leadOut`: the lead-out's address.
std::uint32_t cddbDiscId(const std::vector<std::int32_t>& starts, std::int32_t leadOut);

// "%08x" id, track count, the starts, the lead-out in whole seconds; separated by blanks.
std::string cddbQueryText(const std::vector<std::int32_t>& starts, std::int32_t leadOut);

}  // namespace tavelo::engine::cd
