// The seven tag fields of an audio file, as the tag panel shows them.
#pragma once

#include <QString>
#include <optional>

namespace tavelo {

struct TagFields {
  QString trackNr, title, artist, album, genre, year, comment;  // empty when absent; track and year 0 too
  bool operator==(const TagFields&) const = default;
};

// The fields of a file the engine can open (checked on a decode-only stream, nothing played);
// nullopt for anything else (missing, a folder or FIFO, no sound the engine knows). Every tag
// encoding comes back as Unicode.
std::optional<TagFields> readTagFields(const QString& path);

}  // namespace tavelo
