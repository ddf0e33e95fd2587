// Playlists a radio server may answer with (pls and m3u) and the URLs in them.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavelo::engine {

// The largest playlist read; a longer reply is refused.
inline constexpr std::size_t kMaxPlaylistBytes = 64 * 1024;

// Whether a reply of this content type to this URL is a playlist rather than sound.
bool isPlaylistReply(std::string_view contentType, std::string_view url);

// The entries of a pls ("FileN=") or m3u (one per line, "#" comments) text, in order.
std::vector<std::string> playlistEntries(std::string_view text);

// `reference` as seen from `base` (an http or https URL, the scheme may be left out): an absolute
// http(s) URL as it is, one starting "//" or "/" or a relative path resolved. nullopt for any
// other scheme (file:// included) or an empty reference: nothing local is ever opened.
std::optional<std::string> resolveUrl(std::string_view base, std::string_view reference);

}  // namespace tavelo::engine
