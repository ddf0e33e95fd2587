#include "cd/cd_lists.h"

#include "util/text_codec.h"

#include <QDir>
#include <QFileInfo>
#include <cstring>

namespace tavelo {

QString cdDriveItemText(const QString& name, const QString& vendor, const QString& product) {
  return QStringLiteral("%1: %2 - %3").arg(name, vendor, product);
}

QString withoutControlCharacters(QString text) {
  for (QChar& ch : text)
    if (ch.category() == QChar::Other_Control) ch = QLatin1Char(' ');
  return text;
}

QStringList cdTextEntries(const char* block) {
  QStringList entries;
  if (!block) return entries;
  for (const char* text = block; *text; text += std::strlen(text) + 1)
    entries << withoutControlCharacters(decodeExternalText(QByteArray(text)));
  return entries;
}

std::optional<QString> cdTextTitle(const QStringList& entries, int track) {
  const QString prefix = QStringLiteral("TITLE%1=").arg(track + 1);
  for (const QString& entry : entries)
    if (entry.startsWith(prefix)) return entry.mid(prefix.size());
  return std::nullopt;
}

QString cdTrackPlaceholder(int track) { return QStringLiteral("Track %1").arg(track + 1, 2, 10, QLatin1Char('0')); }

QString cdTrackItemText(int track, qint64 lengthBytes, const QStringList& cdText) {
  const QString name = cdTextTitle(cdText, track).value_or(cdTrackPlaceholder(track));
  if (lengthBytes < 0) return name + QStringLiteral(" (data)");
  const qint64 seconds = lengthBytes / kCdBytesPerSecond;
  return name + QStringLiteral(" (%1:%2)").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

CdTrackEndPlan planCdTrackEnd(const CdTrackEnd& end) {
  CdTrackEndPlan plan;
  // A disc just taken out may count no tracks: nothing to move on to.
  if (end.streamTrack == -1 || end.trackCount <= 0) return plan;
  const int track = end.streamTrack & 0xffff;
  plan.drive = (end.streamTrack >> 16) & 0xffff;
  plan.next = (track + 1) % end.trackCount;
  plan.selectInList = plan.drive == end.currentDrive;
  plan.action = plan.next == 0 && !end.repeat ? CdTrackEndPlan::StopAtEnd : CdTrackEndPlan::PlayNext;
  return plan;
}

CdPollAction planCdPoll(const CdPoll& poll) {
  if (poll.streamActive) return CdPollAction::Nothing;
  if (!poll.listEmpty && (poll.doorOpen || !poll.ready)) return CdPollAction::FreeStreamAndClear;
  if (poll.listEmpty && !poll.doorOpen) return CdPollAction::BuildList;
  return CdPollAction::Nothing;
}

QStringList cdImageFiles(const QString& folder) {
  QDir dir(folder);
  dir.setNameFilters({QStringLiteral("*.toc"), QStringLiteral("*.cue")});
  dir.setFilter(QDir::Files | QDir::Readable);
  dir.setSorting(QDir::Name | QDir::IgnoreCase);
  QStringList paths;
  // A sheet is a few kilobytes; a huge file of that name is no image and would only slow start-up.
  for (const QFileInfo& file : dir.entryInfoList())
    if (file.size() <= kMaxCdSheetBytes) paths << file.filePath();
  return paths;
}

}  // namespace tavelo
