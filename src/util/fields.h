// Caret-terminated fields and the minutes:seconds format used across the player.
#pragma once

#include <QString>

namespace tavelo {

// Returns fields first .. first + count - 1 (1-based) joined by their separators.
// The last collected character is dropped: with a terminated field that is its separator;
// a last field without its separator loses its final character. Stored files rely on this.
QString GetField(const QString& text, int first, int count, QChar separator);

// "%.2d:%.2d" of seconds div 60 and seconds mod 60: 3725 -> "62:05", 59 -> "00:59".
QString FormatMinSec(int seconds);

}  // namespace tavelo
