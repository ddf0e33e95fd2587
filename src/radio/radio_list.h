// Radio lists (".rls"): three lines per station (name, URL, proxy) for 30 stations,
// then line 91 with one force-encode flag per station; later lines are kept as they are,
// apart from the one line that holds the stations' title encodings.
#pragma once

#include "radio/title_encoding.h"
#include "util/atomic_file.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace tavelo {

inline constexpr int kStationCount = 30;
inline constexpr int kStationLineCount = 3 * kStationCount;  // 90
inline constexpr int kFlagsLineIndex = kStationLineCount;    // 0-based index of line 91

// The file's lines (UTF-8 or Windows-1252, any line ending), or nothing when it cannot be read.
std::optional<QStringList> readRadioListFile(const QString& path);

// Pads to 90 lines; exactly 90 lines then gain the flags line of thirty "0". Longer lists stay as they are.
void normaliseRadioList(QStringList& lines);

// Replaces the file atomically, each line ended by CR LF; on failure the old file stays.
FileWriteResult saveRadioList(const QString& path, const QStringList& lines);

// Station n (1..30) of a normalised list: its name (the button's hint) and its force-encode flag.
// A short flags line reads its missing characters as "0".
QString stationName(const QStringList& lines, int station);
bool stationForceEncode(const QStringList& lines, int station);

// Line 91 with station n's flag set and every other station's flag as it reads now: always
// thirty characters, so a short or odd hand-made line becomes a proper one.
QString forceEncodeFlagsLine(const QStringList& lines, int station, bool forceEncode);

// The stations' title encodings: one line after line 91, "TitleEncodings=" and one digit per
// station (0 Auto, 1 UTF-8, 2 Windows-1252, 3 Windows-1251). A list without it (every older
// file) reads as Auto throughout; a missing or unknown digit reads as Auto.
TitleEncoding stationTitleEncoding(const QStringList& lines, int station);
// Sets station n's encoding. The line is added at the end only when a station leaves Auto, so
// lists that never use it are written back unchanged; a second tagged line is dropped.
void setStationTitleEncoding(QStringList& lines, int station, TitleEncoding encoding);

// What the user is told when a list file cannot be read.
QString radioListReadError(const QString& path);

// The name a list is shown by: the file name without folder and extension.
QString radioListTitle(const QString& path);

struct StartupRadioList {
  QString path;             // the current radio list path from now on
  QStringList lines;        // normalised (at least 91 lines)
  QString title;            // for the list label: the file's bare name, or "No Radio List"
  QString error;            // for the user when a file could not be moved or read; empty otherwise
  bool saveOnClose = true;  // false when an existing file could not be read: closing must not replace it
};

// Start-up's choice: a legacy programDir + "Tavelo.ini" replaces programDir + "RLists/Tavelo.rls"
// and is loaded from there; otherwise the file at savedPath if it exists; otherwise an empty list.
StartupRadioList loadStartupRadioList(const QString& programDir, const QString& savedPath);

// The names (without folder) of the "*.rls" files in programDir + "RLists", sorted.
QStringList radioListFileNames(const QString& programDir);

}  // namespace tavelo
