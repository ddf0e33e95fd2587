#include "files/cue_sheet.h"

#include "files/position_display.h"
#include "util/text_codec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

namespace tavelo {

namespace {

constexpr qint64 kMaxCueSheetBytes = 4 * 1024 * 1024;

// A line split into its keyword (the first word, upper-cased) and the rest, trimmed.
struct CueLine {
  QString keyword;
  QString rest;
};

CueLine splitKeyword(const QString& line) {
  const QString trimmed = line.trimmed();
  qsizetype end = 0;
  while (end < trimmed.size() && !trimmed[end].isSpace()) ++end;
  return {trimmed.left(end).toUpper(), trimmed.mid(end).trimmed()};
}

// A quoted value is the text between its quotes (or up to the line's end when the closing
// quote is missing); an unquoted one is the whole rest of the line.
QString quotedOrWhole(const QString& rest) {
  if (!rest.startsWith(QLatin1Char('"'))) return rest;
  const qsizetype close = rest.indexOf(QLatin1Char('"'), 1);
  return close < 0 ? rest.mid(1) : rest.mid(1, close - 1);
}

// FILE name type: the name, quoted, or unquoted without the file type after it.
QString fileName(const QString& rest) {
  if (rest.startsWith(QLatin1Char('"'))) return quotedOrWhole(rest);
  const qsizetype lastSpace = rest.lastIndexOf(QLatin1Char(' '));
  return lastSpace < 0 ? rest : rest.left(lastSpace).trimmed();
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

QStringList cueItems(const QString& audioPath, const std::vector<CueTrack>& tracks) {
  QStringList items{QFileInfo(audioPath).fileName()};
  for (std::size_t i = 0; i < tracks.size(); ++i)
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

// A track as the sheet writes it. file indexes the sheet's FILE names: the one its INDEX 01
// follows, else the one its TRACK follows.
struct ScannedTrack {
  QString title;
  std::optional<int> start;  // its first INDEX
  qsizetype file = 0;
  bool index01Seen = false;
};

struct ScannedSheet {
  QStringList files;  // FILE names as written
  std::vector<ScannedTrack> tracks;
  QString error;      // the first malformed INDEX
};

// "TRACK 07 AUDIO" -> "Track 07"; a track number that is no number gives the track's position.
QString defaultTrackTitle(const QString& rest, std::size_t position) {
  bool isNumber = false;
  const int number = splitKeyword(rest).keyword.toInt(&isNumber);
  return QString::asprintf("Track %.2d", isNumber && number >= 0 ? number : int(position));
}

void scanIndex(const QString& line, int lineNo, ScannedSheet& sheet) {
  ScannedTrack& track = sheet.tracks.back();
  const bool isIndex01 = splitKeyword(splitKeyword(line).rest).keyword == QLatin1String("01");
  if (isIndex01 && !track.index01Seen) {
    track.index01Seen = true;
    track.file = sheet.files.size() - 1;
  }
  if (track.start) return;
  QString error;
  track.start = indexSeconds(line, error);
  if (!track.start && sheet.error.isEmpty()) sheet.error = QStringLiteral("Line %1: %2").arg(lineNo).arg(error);
}

// Lines before the first FILE (the album's TITLE, PERFORMER, CDTEXTFILE, REM) and a TITLE or
// INDEX outside a track are ignored.
ScannedSheet scanCueSheet(const QString& text) {
  ScannedSheet sheet;
  const QStringList lines = splitLines(text);
  for (qsizetype lineNo = 0; lineNo < lines.size(); ++lineNo) {
    const CueLine line = splitKeyword(lines[lineNo]);
    if (line.keyword == QLatin1String("FILE")) {
      sheet.files.append(fileName(line.rest));
    } else if (sheet.files.isEmpty()) {
      continue;
    } else if (line.keyword == QLatin1String("TRACK")) {
      const QString title = defaultTrackTitle(line.rest, sheet.tracks.size() + 1);
      sheet.tracks.push_back({title, std::nullopt, sheet.files.size() - 1});
    } else if (sheet.tracks.empty()) {
      continue;
    } else if (line.keyword == QLatin1String("TITLE") && !quotedOrWhole(line.rest).isEmpty()) {
      sheet.tracks.back().title = quotedOrWhole(line.rest);
    } else if (line.keyword == QLatin1String("INDEX")) {
      scanIndex(lines[lineNo], int(lineNo + 1), sheet);
    }
  }
  return sheet;
}

QString folderOf(const QString& path) { return QFileInfo(path).absolutePath(); }

}  // namespace

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
  const ScannedSheet sheet = scanCueSheet(text);
  if (!sheet.error.isEmpty()) return errorResult(sheet.error);
  if (sheet.files.isEmpty()) return errorResult(QStringLiteral("No audio file named in the CUE sheet."));
  if (sheet.files.size() > 1) return {CueSheetKind::MultiFile, {}, {}, {}};

  CueRecord record;
  record.audio = resolveCueAudioFile(cuePathFor(cueFolder, sheet.files.first()), extensions);
  for (const ScannedTrack& track : sheet.tracks)
    if (track.start) record.tracks.push_back({track.title, *track.start});
  // A sheet without tracks plays its file as one track.
  if (record.tracks.empty()) record.tracks.push_back({QFileInfo(record.audio).completeBaseName(), 0});
  QStringList items = cueItems(record.audio, record.tracks);
  return {CueSheetKind::SingleFile, std::move(record), std::move(items), {}};
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
  const ScannedSheet sheet = scanCueSheet(text);
  QStringList resolved;
  for (const QString& name : sheet.files) resolved.append(resolveCueAudioFile(cuePathFor(cueFolder, name), extensions));
  CueFileList list;
  for (const ScannedTrack& track : sheet.tracks) {
    list.paths.append(resolved[track.file]);
    list.items.append(QString::asprintf("%.2d. ", int(list.items.size() + 1)) + track.title);
  }
  return list;
}

CueFileList LoadCueFileList(const QString& cuePath, const PlayableExtensions& extensions) {
  QString error;
  const std::optional<QString> text = readCueText(cuePath, error);
  return text ? parseCueFileList(*text, folderOf(cuePath), extensions) : CueFileList{};
}

int cueTrackCount(const CueRecord& record) { return int(record.tracks.size()); }

namespace {
const CueTrack* trackAt(const CueRecord& record, int track) {
  return track >= 1 && track <= cueTrackCount(record) ? &record.tracks[std::size_t(track - 1)] : nullptr;
}
}  // namespace

QString cueTrackTitle(const CueRecord& record, int track) {
  const CueTrack* found = trackAt(record, track);
  return found ? found->title : QString();
}

int cueTrackStart(const CueRecord& record, int track) {
  const CueTrack* found = trackAt(record, track);
  return found ? found->start : 0;
}

int cueTrackLength(const CueRecord& record, int track, int fileLengthSeconds) {
  const int end = track >= cueTrackCount(record) ? fileLengthSeconds : cueTrackStart(record, track + 1);
  return std::max(0, end - cueTrackStart(record, track));
}

int playedTrackLength(const CueRecord& record, int track, double fileLengthSeconds) {
  const int fileLength = roundedSeconds(fileLengthSeconds);
  const int length = track > 0 ? cueTrackLength(record, track, fileLength) : fileLength;
  return std::max(1, length);
}

std::optional<CueCrossing> cueBoundaryCrossing(const CueRecord& record, int track, int elapsed,
                                               int trackLength, int fileLengthSeconds) {
  if (elapsed <= trackLength || track >= cueTrackCount(record)) return std::nullopt;
  return CueCrossing{track + 1, cueTrackLength(record, track + 1, fileLengthSeconds)};
}

}  // namespace tavelo
