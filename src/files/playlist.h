// The playlist of the Audio Files mode without its widget: which files a folder contributes,
// how the list advances, steps and is edited, and the captions the transport shows.
#pragma once

#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>

namespace tavelo {

// The playable extensions of the extension list "*.mp3;*.mp2;...;" (one "*.ext" entry each).
// An extension is playable when it equals one of the entries, compared lower-cased: ".mp"
// or a file without extension is not playable although ".mp" occurs inside "*.mp3".
class PlayableExtensions {
 public:
  explicit PlayableExtensions(const QString& extensionList);
  bool contains(const QString& path) const;  // judged by the file's extension
  // ".mp3", ".mp2", ... in list order, each once: the replacements tried for a missing file.
  const QStringList& inOrder() const { return ordered_; }

 private:
  QSet<QString> set_;
  QStringList ordered_;
};

// ".MP3" for "/music/a.MP3", "" for a name without a point after its last slash.
QString fileExtension(const QString& path);

// MIDI files go through the sound fonts: .mid, .midi, .rmi, .kar, compared lower-cased.
bool isMidiFile(const QString& path);

// Sorts paths case-insensitively; names equal but for case keep a fixed order.
void sortPathsCaseInsensitive(QStringList& paths);

// The path list for an opened file. With Full Dir: every playable file of its folder (hidden
// files included, sub-folders excluded), sorted case-insensitively; a chosen file that is not
// playable itself is listed alone, as without Full Dir, so the user's choice is what plays.
// Safe to call off the window thread.
QStringList playlistPathsForOpenedFile(const QString& chosenFile, bool fullDir,
                                       const PlayableExtensions& extensions);

// Every playable file directly in folder (full paths, sorted case-insensitively).
QStringList playableFilesInFolder(const QString& folder, const PlayableExtensions& extensions);

// Files dropped on the list, in drop order: a file when it is playable, a folder with every
// playable file under it (its own files first, then each sub-folder not starting with ".",
// each folder visited once even through links), and a CUE sheet only when it is dropped alone.
// Safe to call off the window thread.
QStringList droppedFilePaths(const QStringList& dropped, const PlayableExtensions& extensions);

// The list item of a playlist path: its file name.
QString playlistItemText(const QString& path);
QStringList playlistItemTexts(const QStringList& paths);

// The position of path in paths compared without regard to case, or 0 when it is missing.
int playlistIndexOf(const QStringList& paths, const QString& path);

// Files chosen with "Add files": kept sorted case-insensitively, CUE sheets left out.
struct FilesToAdd {
  QStringList paths;
  int cueSheetsSkipped = 0;  // one "Can`t ADD CUE list to music files!" each
};
FilesToAdd filesToAdd(QStringList chosenPaths);

// What happens when the playing stream is no longer active (end, never started or failed).
struct EndOfStreamAction {
  bool playNext = false;  // false: the list is finished and playback stops
  int index = 0;          // the entry (CUE: track) that plays next, or that is selected when stopped
};
// Plain list: the next entry; with Repeat the end wraps to entry 0. CUE sheet: with Repeat the
// sheet starts again at track 1, else it stops on track 1.
EndOfStreamAction endOfStreamAction(int currentIndex, int itemCount, bool isCue, bool repeat);

// Play: the selected entry, entry 0 when nothing is selected; a CUE list's header line plays track 1.
int trackIndexToPlay(int selectedIndex, bool isCue);

enum class TrackStep { Prev, Next };
// Prev/Next: no wrap-around; at either end the current track starts again. In a CUE list the
// header line is never played (0 becomes 1). nullopt for an empty list: the buttons do nothing.
std::optional<int> steppedTrackIndex(TrackStep step, int currentIndex, int itemCount, bool isCue);

// After a deletion at deletedIndex, the index of the entry that was current.
int currentIndexAfterDelete(int deletedIndex, int currentIndex);
QString deleteQuestion(const QString& itemText);
// Why an entry may not be deleted, or an empty text when it may.
QString deleteRefusal(bool isCue, int contextIndex, int currentIndex, bool playing);

// Puts the selection back on the playing item a few ticks after the user clicked elsewhere.
class ListIdleTicks {
 public:
  // One main-timer tick; true when the selection is to go back to the current track.
  bool tick(bool stopped, bool contextMenuOpen);
  void reset() { ticks_ = 0; }  // a mouse press on the list
  int ticks() const { return ticks_; }

 private:
  int ticks_ = 0;
};

QString playCaption(const QString& itemText);   // "Play " + the trimmed item text
QString pauseCaption(const QString& itemText);  // "Pause " + the trimmed item text
// Stop in Audio Files mode: "AF - Stop " + item, or "Audio Files - Stopped" past the list's end.
QString stopCaption(const QStringList& items, int currentIndex);

inline constexpr auto kStoppedCaption = "Audio Files - Stopped";
inline constexpr auto kUnsupportedFileFormat = "Unsupported File Format.";
inline constexpr auto kCantAddToCueList = "Can`t ADD track to CUE list!";
inline constexpr auto kCantAddCueList = "Can`t ADD CUE list to music files!";
inline constexpr auto kCantDeleteFromCueList = "Can`t DELETE track from CUE list!";
inline constexpr auto kCantDeleteCurrentTrack = "Can`t DELETE current track!";

}  // namespace tavelo
