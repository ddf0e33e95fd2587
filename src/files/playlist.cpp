#include "files/playlist.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>
#include <vector>

namespace tavelo {

PlayableExtensions::PlayableExtensions(const QString& extensionList) {
  for (const QString& entry : extensionList.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
    const qsizetype dot = entry.indexOf(QLatin1Char('.'));
    if (dot < 0) continue;
    const QString extension = entry.mid(dot).trimmed().toLower();
    if (extension.size() < 2 || set_.contains(extension)) continue;
    set_.insert(extension);
    ordered_.append(extension);
  }
}

bool PlayableExtensions::contains(const QString& path) const {
  const QString extension = fileExtension(path);
  return !extension.isEmpty() && set_.contains(extension.toLower());
}

QString fileExtension(const QString& path) {
  const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
  const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
  return dot > slash ? path.mid(dot) : QString();
}

bool isMidiFile(const QString& path) {
  static const QStringList midi{".mid", ".midi", ".rmi", ".kar"};
  return midi.contains(fileExtension(path).toLower());
}

namespace {

struct SortKey {
  QString folded;
  QString path;
};

bool isRegularFile(const QByteArray& folder, const dirent* entry) {
  if (entry->d_type == DT_REG) return true;
  if (entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN) return false;
  struct stat info {};
  return ::stat((folder + '/' + entry->d_name).constData(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

void sortPathsCaseInsensitive(QStringList& paths) {
  std::vector<SortKey> keys;
  keys.reserve(paths.size());
  for (QString& path : paths) keys.push_back({path.toCaseFolded(), std::move(path)});
  std::sort(keys.begin(), keys.end(), [](const SortKey& a, const SortKey& b) {
    const int byFolded = a.folded.compare(b.folded);
    return byFolded != 0 ? byFolded < 0 : a.path < b.path;
  });
  for (qsizetype i = 0; i < paths.size(); ++i) paths[i] = std::move(keys[i].path);
}

namespace {

bool isDirectory(const QByteArray& folder, const dirent* entry) {
  if (entry->d_type == DT_DIR) return true;
  if (entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN) return false;
  struct stat info {};
  return ::stat((folder + '/' + entry->d_name).constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The playable files of one folder, unsorted, and optionally its sub-folders not starting with ".".
void scanFolder(const QString& folder, const PlayableExtensions& extensions, QStringList& files,
                QStringList* subFolders) {
  const QByteArray encodedFolder = QFile::encodeName(folder);
  DIR* dir = ::opendir(encodedFolder.constData());
  if (!dir) return;
  QString prefix = folder;
  if (!prefix.endsWith(QLatin1Char('/'))) prefix += QLatin1Char('/');
  while (const dirent* entry = ::readdir(dir)) {
    const QString name = QFile::decodeName(entry->d_name);
    if (extensions.contains(name) && isRegularFile(encodedFolder, entry))
      files.append(prefix + name);
    else if (subFolders && !name.startsWith(QLatin1Char('.')) && isDirectory(encodedFolder, entry))
      subFolders->append(prefix + name);
  }
  ::closedir(dir);
}

void collectFolderTree(const QString& folder, const PlayableExtensions& extensions, QSet<QString>& visited,
                       QStringList& paths) {
  const QString canonical = QFileInfo(folder).canonicalFilePath();
  if (canonical.isEmpty() || visited.contains(canonical)) return;
  visited.insert(canonical);
  QStringList files, subFolders;
  scanFolder(folder, extensions, files, &subFolders);
  sortPathsCaseInsensitive(files);
  sortPathsCaseInsensitive(subFolders);
  paths += files;
  for (const QString& subFolder : subFolders) collectFolderTree(subFolder, extensions, visited, paths);
}

}  // namespace

QStringList playableFilesInFolder(const QString& folder, const PlayableExtensions& extensions) {
  QStringList paths;
  scanFolder(folder, extensions, paths, nullptr);
  sortPathsCaseInsensitive(paths);
  return paths;
}

QStringList droppedFilePaths(const QStringList& dropped, const PlayableExtensions& extensions) {
  const bool alone = dropped.size() == 1;
  QSet<QString> visitedFolders;
  QStringList paths;
  for (const QString& item : dropped) {
    const QFileInfo info(item);
    if (info.isDir())
      collectFolderTree(item, extensions, visitedFolders, paths);
    else if (extensions.contains(item) || (alone && fileExtension(item).toLower() == QLatin1String(".cue")))
      paths.append(item);
  }
  return paths;
}

QStringList playlistPathsForOpenedFile(const QString& chosenFile, bool fullDir,
                                       const PlayableExtensions& extensions) {
  if (!fullDir || !extensions.contains(chosenFile)) return {chosenFile};
  return playableFilesInFolder(QFileInfo(chosenFile).absolutePath(), extensions);
}

QString playlistItemText(const QString& path) { return QFileInfo(path).fileName(); }

QStringList playlistItemTexts(const QStringList& paths) {
  QStringList items;
  items.reserve(paths.size());
  for (const QString& path : paths) items.append(playlistItemText(path));
  return items;
}

int playlistIndexOf(const QStringList& paths, const QString& path) {
  const qsizetype index = paths.indexOf(path);
  if (index >= 0) return int(index);
  for (qsizetype i = 0; i < paths.size(); ++i)
    if (paths[i].compare(path, Qt::CaseInsensitive) == 0) return int(i);
  return 0;
}

FilesToAdd filesToAdd(QStringList chosenPaths) {
  sortPathsCaseInsensitive(chosenPaths);
  FilesToAdd result;
  for (const QString& path : chosenPaths) {
    if (fileExtension(path).toLower() == QLatin1String(".cue"))
      ++result.cueSheetsSkipped;
    else
      result.paths.append(path);
  }
  return result;
}

EndOfStreamAction endOfStreamAction(int currentIndex, int itemCount, bool isCue, bool repeat) {
  if (isCue) return {repeat, 1};
  int next = currentIndex + 1;
  if (repeat && next == itemCount) next = 0;
  if (next >= 0 && next < itemCount) return {true, next};
  return {false, 0};
}

int trackIndexToPlay(int selectedIndex, bool isCue) {
  const int index = std::max(selectedIndex, 0);
  return isCue && index == 0 ? 1 : index;
}

std::optional<int> steppedTrackIndex(TrackStep step, int currentIndex, int itemCount, bool isCue) {
  if (itemCount <= 0) return std::nullopt;
  int index = std::clamp(currentIndex, 0, itemCount - 1);
  if (step == TrackStep::Prev && index > 0) --index;
  if (step == TrackStep::Next && index < itemCount - 1) ++index;
  if (isCue && index == 0) index = 1;
  return index;
}

int currentIndexAfterDelete(int deletedIndex, int currentIndex) {
  return deletedIndex < currentIndex ? currentIndex - 1 : currentIndex;
}

QString deleteQuestion(const QString& itemText) {
  return QStringLiteral("Do you really want to delete \"%1\"?").arg(itemText);
}

QString deleteRefusal(bool isCue, int contextIndex, int currentIndex, bool playing) {
  if (isCue) return QString::fromLatin1(kCantDeleteFromCueList);
  if (playing && contextIndex == currentIndex) return QString::fromLatin1(kCantDeleteCurrentTrack);
  return {};
}

bool ListIdleTicks::tick(bool stopped, bool contextMenuOpen) {
  ++ticks_;
  if (ticks_ <= 3 || stopped || contextMenuOpen) return false;
  ticks_ = 0;
  return true;
}

QString playCaption(const QString& itemText) { return QStringLiteral("Play ") + itemText.trimmed(); }

QString pauseCaption(const QString& itemText) { return QStringLiteral("Pause ") + itemText.trimmed(); }

QString stopCaption(const QStringList& items, int currentIndex) {
  if (currentIndex >= 0 && currentIndex < items.size())
    return QStringLiteral("AF - Stop ") + items[currentIndex].trimmed();
  return QString::fromLatin1(kStoppedCaption);
}

}  // namespace tavelo
