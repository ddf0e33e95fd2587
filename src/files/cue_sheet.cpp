#include "cue_sheet.h"

#include "fields.h"
#include "position_display.h"
#include "text_codec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

namespace {

constexpr QChar kSeparator = QLatin1Char('^');
constexpr qint64 kMaxCueSheetBytes = 4 * 1024 * 1024;

struct CueTrack {
  QString title;
  int start = 0;
};

// The text between the line's first double quote and the next one (or the line's end).
QString quotedText(const QString& line) {
  const qsizetype open = line.indexOf(QLatin1Char('"'));
  if (open < 0) return {};
  const qsizetype close = line.indexOf(QLatin1Char('"'), open + 1);
  return close < 0 ? line.mid(open + 1) : line.mid(open + 1, close - open - 1);
}

QString invalidInteger(const QString& text) {
  return QStringLiteral("'%1' is not a valid integer value").arg(text);
}

bool isDecimal(const QString& text) {
  if (text.isEmpty() || text.size() > 6) return false;
  return std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// "INDEX 01 03:15:40" -> 195: the minutes end at the first colon, the seconds are the two
// characters after it, frames are ignored. Minutes may have any number of digits.
std::optional<int> indexSeconds(const QString& line, QString& error) {
  const qsizetype colon = line.indexOf(QLatin1Char(':'));
  qsizetype minutesFrom = colon;
  while (minutesFrom > 0 && !line[minutesFrom - 1].isSpace()) --minutesFrom;
  const QString minutes = colon < 0 ? QString() : line.mid(minutesFrom, colon - minutesFrom);
  const QString seconds = colon < 0 ? QString() : line.mid(colon + 1, 2);
  for (const QString& number : {minutes, seconds}) {
    if (!isDecimal(number)) {
      error = invalidInteger(number);
      return std::nullopt;
    }
  }
  return minutes.toInt() * 60 + seconds.toInt();
}

QString cuePathFor(const QString& cueFolder, const QString& nameInSheet) {
  if (nameInSheet.isEmpty()) return cueFolder;
  QString name = nameInSheet;
  name.replace(QLatin1Char('\\'), QLatin1Char('/'));
  return QDir(cueFolder).filePath(name);
}

QString withExtension(const QString& path, const QString& extension) {
  const QString current = fileExtension(path);
  return path.left(path.size() - current.size()) + extension;
}

// Files of one folder by case-folded name, read once when the exact names are all missing.
class FolderNames {
 public:
  explicit FolderNames(QString folder) : folder_(std::move(folder)) {}
  QString find(const QString& name) {
    if (!loaded_) load();
    return byFoldedName_.value(name.toCaseFolded());
  }

 private:
  void load() {
    loaded_ = true;
    const QStringList names = QDir(folder_).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) byFoldedName_.insert(name.toCaseFolded(), name);
  }
  QString folder_;
  bool loaded_ = false;
  QHash<QString, QString> byFoldedName_;
};

QString existingFile(const QString& candidate, FolderNames& folder) {
  const QFileInfo info(candidate);
  if (info.isFile()) return candidate;
  const QString found = folder.find(info.fileName());
  return found.isEmpty() ? QString() : info.dir().filePath(found);
}

QString cueRecord(const QString& audioPath, const QList<CueTrack>& tracks) {
  QString record = QString::number(tracks.size()) + kSeparator + audioPath + kSeparator;
  for (const CueTrack& track : tracks)
    record += track.title + kSeparator + QString::number(track.start) + kSeparator;
  return record;
}

QStringList cueItems(const QString& audioPath, const QList<CueTrack>& tracks) {
  QStringList items{QFileInfo(audioPath).fileName()};
  for (qsizetype i = 0; i < tracks.size(); ++i)
    items.append(QString::asprintf("   %.2d. ", int(i + 1)) + tracks[i].title);
  return items;
}

CueSheetResult errorResult(const QString& message) {
  CueSheetResult result;
  result.message = message;
  return result;
}

std::optional<QString> readCueText(const QString& cuePath, QString& error) {
  QFile file(cuePath);
  if (!file.open(QIODevice::ReadOnly)) {
    error = QStringLiteral("Cannot open file \"%1\". %2").arg(cuePath, file.errorString());
    return std::nullopt;
  }
  if (file.size() > kMaxCueSheetBytes) {
    error = QStringLiteral("\"%1\" is too large for a CUE sheet.").arg(cuePath);
    return std::nullopt;
  }
  return decodeExternalText(file.readAll());
}

QString folderOf(const QString& path) { return QFileInfo(path).absolutePath(); }

}  // namespace

QString CueSheetResult::audioPath() const { return cueAudioPath(record); }

QString resolveCueAudioFile(const QString& path, const PlayableExtensions& extensions) {
  if (path.endsWith(QLatin1Char('/')) || QFileInfo(path).isDir()) return path;
  FolderNames folder(QFileInfo(path).absolutePath());
  QString found = existingFile(path, folder);
  for (qsizetype i = 0; found.isEmpty() && i < extensions.inOrder().size(); ++i)
    found = existingFile(withExtension(path, extensions.inOrder()[i]), folder);
  return found.isEmpty() ? path : found;
}

CueSheetResult parseCueSheet(const QString& text, const QString& cueFolder,
                             const PlayableExtensions& extensions) {
  QString audioName;
  bool fileSeen = false;
  bool titlePending = false;
  QList<CueTrack> tracks;
  const QStringList lines = splitLines(text);
  for (qsizetype lineNo = 0; lineNo < lines.size(); ++lineNo) {
    const QString& line = lines[lineNo];
    if (line.contains(QLatin1String("FILE"))) {
      if (fileSeen) return {CueSheetKind::MultiFile, {}, {}, {}};
      audioName = quotedText(line);
      fileSeen = true;
    }
    if (fileSeen && line.contains(QLatin1String("TITLE"))) {
      // A title that never got its INDEX (an album title after FILE) gives way to the next.
      if (titlePending) tracks.removeLast();
      tracks.append({quotedText(line), 0});
      titlePending = true;
    }
    if (titlePending && line.contains(QLatin1String("INDEX"))) {
      QString error;
      const std::optional<int> start = indexSeconds(line, error);
      if (!start) return errorResult(QStringLiteral("Line %1: %2").arg(lineNo + 1).arg(error));
      tracks.last().start = *start;
      titlePending = false;
    }
  }
  if (!fileSeen) return errorResult(QStringLiteral("No audio file named in the CUE sheet."));
  if (titlePending) tracks.removeLast();  // a last title without INDEX has no start

  const QString audioPath = resolveCueAudioFile(cuePathFor(cueFolder, audioName), extensions);
  // A sheet without titled tracks plays its file as one track.
  if (tracks.isEmpty()) tracks.append({QFileInfo(audioPath).completeBaseName(), 0});
  return {CueSheetKind::SingleFile, cueRecord(audioPath, tracks), cueItems(audioPath, tracks), {}};
}

CueSheetResult LoadCueSheet(const QString& cuePath, const PlayableExtensions& extensions) {
  QString error;
  const std::optional<QString> text = readCueText(cuePath, error);
  if (!text) return errorResult(error);
  CueSheetResult result = parseCueSheet(*text, folderOf(cuePath), extensions);
  if (result.kind == CueSheetKind::Error)
    result.message = QFileInfo(cuePath).fileName() + QStringLiteral(": ") + result.message;
  return result;
}

CueFileList parseCueFileList(const QString& text, const QString& cueFolder,
                             const PlayableExtensions& extensions) {
  CueFileList list;
  bool fileSeen = false;
  for (const QString& line : splitLines(text)) {
    if (line.contains(QLatin1String("FILE"))) {
      list.paths.append(resolveCueAudioFile(cuePathFor(cueFolder, quotedText(line)), extensions));
      fileSeen = true;
    }
    if (fileSeen && line.contains(QLatin1String("TITLE")))
      list.items.append(QString::asprintf("%.2d. ", int(list.items.size() + 1)) + quotedText(line));
  }
  return list;
}

CueFileList LoadCueFileList(const QString& cuePath, const PlayableExtensions& extensions) {
  QString error;
  const std::optional<QString> text = readCueText(cuePath, error);
  return text ? parseCueFileList(*text, folderOf(cuePath), extensions) : CueFileList{};
}

int cueTrackCount(const QString& record) { return GetField(record, 1, 1, kSeparator).toInt(); }

QString cueAudioPath(const QString& record) { return GetField(record, 2, 1, kSeparator); }

QString cueTrackTitle(const QString& record, int track) {
  return GetField(record, 2 * track + 1, 1, kSeparator);
}

int cueTrackStart(const QString& record, int track) {
  if (track < 1 || track > cueTrackCount(record)) return 0;
  return GetField(record, 2 * track + 2, 1, kSeparator).toInt();
}

int cueTrackLength(const QString& record, int track, int fileLengthSeconds) {
  const int end = track >= cueTrackCount(record) ? fileLengthSeconds : cueTrackStart(record, track + 1);
  return std::max(0, end - cueTrackStart(record, track));
}

int playedTrackLength(const QString& record, int track, double fileLengthSeconds) {
  const int fileLength = roundedSeconds(fileLengthSeconds);
  const int length = track > 0 ? cueTrackLength(record, track, fileLength) : fileLength;
  return std::max(1, length);
}

std::optional<CueCrossing> cueBoundaryCrossing(const QString& record, int track, int elapsed,
                                               int trackLength, int fileLengthSeconds) {
  if (elapsed <= trackLength || track >= cueTrackCount(record)) return std::nullopt;
  return CueCrossing{track + 1, cueTrackLength(record, track + 1, fileLengthSeconds)};
}
