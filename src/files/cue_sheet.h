// CUE sheets: a sheet naming one audio file becomes the CUE record and a list of virtual
// tracks; a sheet naming several files becomes a plain playlist.
//
// A sheet is read line by line, a keyword only as the first word of its line. Each TRACK opens a
// track that owns the TITLE and INDEX lines up to the next TRACK; its start is its first INDEX
// (00 or 01) in whole seconds. Values may be quoted or not.
#pragma once

#include "files/playlist.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace tavelo {

struct CueTrack {
  QString title;
  int start = 0;  // whole seconds from the start of the audio file
  bool operator==(const CueTrack&) const = default;
};

// The tracks of a single-file sheet; empty for a plain playlist.
struct CueRecord {
  QString audio;  // the audio file's path
  std::vector<CueTrack> tracks;

  bool isEmpty() const { return audio.isEmpty() && tracks.empty(); }
  void clear() { *this = {}; }
  bool operator==(const CueRecord&) const = default;
};

enum class CueSheetKind {
  SingleFile,  // record and items are set; play the record's file from track 1
  MultiFile,   // the sheet names a second file: caption "CUE file error!", then LoadCueFileList
  Error,       // the sheet cannot be read or has a malformed INDEX: show message
};

struct CueSheetResult {
  CueSheetKind kind = CueSheetKind::Error;
  CueRecord record;   // SingleFile
  QStringList items;  // item 0 the audio file's name, then "   01. title", ... (SingleFile)
  QString message;    // what went wrong (Error)
};

// Reads and parses the sheet at cuePath (UTF-8, else Windows-1252). The audio file is looked
// for beside the sheet; when it is missing, the same name with each extension of the list in
// turn (album.wav -> album.mp3), and when none exists the name as the sheet writes it.
CueSheetResult LoadCueSheet(const QString& cuePath, const PlayableExtensions& extensions);

// The same on text already decoded; cueFolder is the sheet's folder.
CueSheetResult parseCueSheet(const QString& text, const QString& cueFolder,
                             const PlayableExtensions& extensions);

// A sheet naming several files: one item "01. title" per track and beside it the path of the
// file the track plays from (the FILE its INDEX 01 follows, else the FILE its TRACK follows).
// An unreadable sheet gives an empty list.
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

// Reading the CUE record; tracks are numbered from 1.
int cueTrackCount(const CueRecord& record);
QString cueTrackTitle(const CueRecord& record, int track);  // empty outside 1..n
int cueTrackStart(const CueRecord& record, int track);      // 0 outside 1..n
// Track t's length: the next track's start minus t's, or for the last track the file's
// rounded length minus t's start; never negative.
int cueTrackLength(const CueRecord& record, int track, int fileLengthSeconds);

// The track length MyBassPlay keeps: the rounded file length for a whole file (track 0),
// the CUE track's length otherwise; never 0, so the position arithmetic can divide by it.
int playedTrackLength(const CueRecord& record, int track, double fileLengthSeconds);

// Crossing into the next CUE track while the file plays on: once the elapsed time exceeds the
// current track's length, the next track (never past the last) and its length.
struct CueCrossing {
  int track = 0;
  int trackLength = 0;
};
std::optional<CueCrossing> cueBoundaryCrossing(const CueRecord& record, int track, int elapsed,
                                               int trackLength, int fileLengthSeconds);

}  // namespace tavelo
