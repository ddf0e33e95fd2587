// CUE sheets: a sheet naming one audio file becomes the CUE record and a list of virtual
// tracks; a sheet naming several files becomes a plain playlist.
//
// The CUE record is caret-terminated text: field 1 the track count n, field 2 the audio file,
// then for each track t = 1..n its title (field 2t+1) and its start in whole seconds from the
// start of the file (field 2t+2), e.g. "3^/music/album.flac^t1^0^t2^195^t3^422^".
#pragma once

#include "playlist.h"

#include <QString>
#include <QStringList>
#include <optional>

enum class CueSheetKind {
  SingleFile,  // record and items are set; play the record's file from track 1
  MultiFile,   // the sheet names a second file: caption "CUE file error!", then LoadCueFileList
  Error,       // the sheet cannot be read or has a malformed INDEX: show message
};

struct CueSheetResult {
  CueSheetKind kind = CueSheetKind::Error;
  QString record;     // the CUE record (SingleFile)
  QStringList items;  // item 0 the audio file's name, then "   01. title", ... (SingleFile)
  QString message;    // what went wrong (Error)

  QString audioPath() const;  // field 2 of the record
};

// Reads and parses the sheet at cuePath (UTF-8, else Windows-1252). The audio file is looked
// for beside the sheet; when it is missing, the same name with each extension of the list in
// turn (album.wav -> album.mp3), and when none exists the name as the sheet writes it.
CueSheetResult LoadCueSheet(const QString& cuePath, const PlayableExtensions& extensions);

// The same on text already decoded; cueFolder is the sheet's folder.
CueSheetResult parseCueSheet(const QString& text, const QString& cueFolder,
                             const PlayableExtensions& extensions);

// A sheet naming several files: one path per FILE line and one item "01. title" per TITLE
// after the first FILE, paired by position. An unreadable sheet gives an empty list.
struct CueFileList {
  QStringList paths;
  QStringList items;
};
CueFileList LoadCueFileList(const QString& cuePath, const PlayableExtensions& extensions);
CueFileList parseCueFileList(const QString& text, const QString& cueFolder,
                             const PlayableExtensions& extensions);

// The audio file a sheet names: path itself when it exists, else path with each extension in
// turn, else path. A name differing only in case from an existing file finds that file.
QString resolveCueAudioFile(const QString& path, const PlayableExtensions& extensions);

inline constexpr auto kCueFileError = "CUE file error!";

// Reading the CUE record.
int cueTrackCount(const QString& record);
QString cueAudioPath(const QString& record);
QString cueTrackTitle(const QString& record, int track);
int cueTrackStart(const QString& record, int track);  // 0 outside 1..n
// Track t's length: the next track's start minus t's, or for the last track the file's
// rounded length minus t's start; never negative.
int cueTrackLength(const QString& record, int track, int fileLengthSeconds);

// The track length MyBassPlay keeps: the rounded file length for a whole file (track 0),
// the CUE track's length otherwise; never 0, so the position arithmetic can divide by it.
int playedTrackLength(const QString& record, int track, double fileLengthSeconds);

// Crossing into the next CUE track while the file plays on: once the elapsed time exceeds the
// current track's length, the next track (never past the last) and its length.
struct CueCrossing {
  int track = 0;
  int trackLength = 0;
};
std::optional<CueCrossing> cueBoundaryCrossing(const QString& record, int track, int elapsed,
                                               int trackLength, int fileLengthSeconds);
