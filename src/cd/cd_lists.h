// The Audio CD mode's lists and decisions on plain data: the drive list's items, the track
// list's items from lengths and CD-TEXT, what the end of a track and the disc polling lead to,
// and which CD images become drives. The mode reads the engine, decides here, then applies.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace tavelo {

inline constexpr int kMaxCdDrives = 10;
inline constexpr qint64 kMaxCdSheetBytes = 1 << 20;
inline constexpr int kCdBytesPerSecond = 176400;  // 44100 Hz x 2 channels x 2 bytes

// "name: vendor - product", the device's (or image's) name in a drive letter's place.
QString cdDriveItemText(const QString& name, const QString& vendor, const QString& product);

// The texts of a CD-TEXT block: zero-terminated "key=value" texts closed by an empty one.
// Each text is taken as UTF-8 when valid, else as Windows-1252, without control characters.
QStringList cdTextEntries(const char* block);
// The value of "TITLEn=" (n = track + 1), or none; TITLE1= never matches TITLE10=.
std::optional<QString> cdTextTitle(const QStringList& entries, int track);

// Control characters (line breaks, tabs ...) as blanks, so a text shows on one line.
QString withoutControlCharacters(QString text);

// "Track 01" ... for track 0 ...
QString cdTrackPlaceholder(int track);
// The name (CD-TEXT title or "Track nn") and " (m:ss)", or " (data)" for a length of -1.
QString cdTrackItemText(int track, qint64 lengthBytes, const QStringList& cdText);

// The end sync of a CD stream fired: what the window thread does with it.
struct CdTrackEnd {
  int streamTrack = -1;  // BASS_CD_StreamGetTrack: track | drive << 16, or -1
  int trackCount = -1;   // BASS_CD_GetTracks of that drive at this moment
  int currentDrive = 0;
  bool repeat = false;   // ChBoxRep
};
struct CdTrackEndPlan {
  enum Action { Nothing, PlayNext, StopAtEnd } action = Nothing;
  int drive = 0;
  int next = 0;                // the track to play, or 0 after the last
  bool selectInList = false;   // the drive is the current one: next becomes the current index
};
CdTrackEndPlan planCdTrackEnd(const CdTrackEnd& end);

// One disc poll of the main timer (every second tick in the Audio CD mode).
struct CdPoll {
  bool doorOpen = false;
  bool ready = false;
  bool streamActive = false;
  bool listEmpty = true;
};
enum class CdPollAction { Nothing, FreeStreamAndClear, BuildList };
CdPollAction planCdPoll(const CdPoll& poll);

// The "*.toc" and "*.cue" files of a folder, by name whatever its case; hidden files, and files too large to be a sheet, are not images.
QStringList cdImageFiles(const QString& folder);

}  // namespace tavelo
