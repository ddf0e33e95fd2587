// The names of the files recordings and conversions make: safe to create in a folder, never longer
// than a file name may be, never taking an existing file's place unasked.
#pragma once

#include <QString>

#include <functional>

namespace tavelo {

// Each of " * / : < > ? \ | and every control character becomes "_"; "." and ".." (which would
// name a folder) become "_". Every other character stays.
QString SafeFileName(const QString& text);

// stem + extension, the stem cut at a character boundary so that the name takes at most 255 bytes.
QString fitFileName(const QString& stem, const QString& extension);

// The part of a stream title a radio recording is named after: blanks, "-", ".", digits and ASCII
// letters, in order; "Track" when nothing is left or there is no title ("No META Data").
QString recordTitleStem(const QString& title);

// folder/stem + extension, else the first of folder/stem001 + extension, stem002 … that `exists`
// does not report.
QString firstFreeName(const QString& folder, const QString& stem, const QString& extension,
                      const std::function<bool(const QString&)>& exists);

// What a ripped track's list item says after the rip: "  --->  OK" or "  --->  3 Errors".
QString ripMarker(int errors);
// A list item without its rip marker.
QString withoutRipMarker(const QString& item);

// The file name of a CD track ripped from its list item ("Track 03 (4:07)" → "Track 03 (4_07).mp3").
QString ripFileName(const QString& item, const QString& extension);
// The file name of CUE track `track` (1-based): "01. Title.flac".
QString cueTrackFileName(int track, const QString& title, const QString& extension);
// The file name a converted file gets: the source's name with the format's extension.
QString convertedFileName(const QString& sourcePath, const QString& extension);

}  // namespace tavelo
