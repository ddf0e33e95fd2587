// The sound-font list: ten paths, each followed by "^" (an empty path too), as the settings
// store it and the settings page's grid shows it, one row per path.
#pragma once

#include <QString>
#include <QStringList>

namespace tavelo {

inline constexpr int kSoundFontRows = 10;

// The ten rows of a list, missing fields empty.
QStringList soundFontRows(const QString& list);
// The list of the rows: always ten "^"-terminated fields; rows past the tenth are left out.
QString soundFontList(const QStringList& rows);
// The question before a row's font is taken off the list.
QString soundFontDeleteQuestion(const QString& path);
// A path that the list can hold; the separator itself cannot be part of one.
bool soundFontPathFits(const QString& path);
// What the user is told when a chosen font's path cannot be held.
QString soundFontPathRefusal(const QString& path);

}  // namespace tavelo
