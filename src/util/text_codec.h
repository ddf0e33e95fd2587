// Text read from outside the player: old list files, CUE sheets, server answers, stream titles.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace tavelo {

// UTF-8 when the bytes are valid UTF-8 (a leading byte-order mark is dropped), else Windows-1252.
QString decodeExternalText(const QByteArray& bytes);

// Windows-1252; its five unassigned bytes become the matching C1 control characters.
QString decodeWindows1252(const QByteArray& bytes);
// Windows-1251 (Cyrillic).
QString decodeWindows1251(const QByteArray& bytes);

// The lines as the player writes text files: UTF-8, each line ended by CR LF.
// A line break inside a line (a file name may hold one) becomes a space, so line positions hold.
QByteArray joinLinesCrLf(const QStringList& lines);

// Splits text into lines; CR LF, a lone CR and a lone LF each end a line.
// A final line ending does not start another line, so "a\r\n" is one line and "" is none.
QStringList splitLines(const QString& text);

}  // namespace tavelo
