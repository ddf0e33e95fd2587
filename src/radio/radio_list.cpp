#include "radio/radio_list.h"

#include "util/text_codec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace tavelo {

namespace {

QString noRadioListTitle() { return QStringLiteral("No Radio List"); }

const QString kTitleEncodingTag = QStringLiteral("TitleEncodings=");

// The index of the first tagged line after the flags line, or -1.
qsizetype titleEncodingLineIndex(const QStringList& lines, qsizetype from = kFlagsLineIndex + 1) {
  for (qsizetype i = from; i < lines.size(); ++i) {
    if (lines.at(i).startsWith(kTitleEncodingTag)) return i;
  }
  return -1;
}

TitleEncoding titleEncodingOfDigit(QChar digit) {
  switch (digit.unicode()) {
    case u'1': return TitleEncoding::Utf8;
    case u'2': return TitleEncoding::Windows1252;
    case u'3': return TitleEncoding::Windows1251;
    default: return TitleEncoding::Auto;
  }
}

QChar digitOfTitleEncoding(TitleEncoding encoding) {
  return QChar(u'0' + static_cast<char16_t>(encoding));
}

// rename(2) replaces an existing target in one step, so no moment exists without a list.
QString moveReplacing(const QString& from, const QString& to) {
  if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0) return {};
  return QStringLiteral("Can't move \"%1\" to \"%2\": %3").arg(from, to, QString::fromLocal8Bit(std::strerror(errno)));
}

}  // namespace

std::optional<QStringList> readRadioListFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  return splitLines(decodeExternalText(file.readAll()));
}

void normaliseRadioList(QStringList& lines) {
  while (lines.size() < kStationLineCount) lines.append(QString());
  if (lines.size() == kStationLineCount) lines.append(QString(kStationCount, QLatin1Char('0')));
}

FileWriteResult saveRadioList(const QString& path, const QStringList& lines) {
  return writeFileAtomically(path, joinLinesCrLf(lines));
}

QString stationName(const QStringList& lines, int station) { return lines.value(3 * (station - 1)); }

bool stationForceEncode(const QStringList& lines, int station) {
  const QString flags = lines.value(kFlagsLineIndex);
  return station >= 1 && station <= flags.size() && flags.at(station - 1) == QLatin1Char('1');
}

QString forceEncodeFlagsLine(const QStringList& lines, int station, bool forceEncode) {
  QString flags;
  for (int i = 1; i <= kStationCount; ++i) {
    const bool on = i == station ? forceEncode : stationForceEncode(lines, i);
    flags += QLatin1Char(on ? '1' : '0');
  }
  return flags;
}

TitleEncoding stationTitleEncoding(const QStringList& lines, int station) {
  const qsizetype index = titleEncodingLineIndex(lines);
  if (index < 0 || station < 1 || station > kStationCount) return TitleEncoding::Auto;
  const QString digits = lines.at(index).mid(kTitleEncodingTag.size());
  return station <= digits.size() ? titleEncodingOfDigit(digits.at(station - 1)) : TitleEncoding::Auto;
}

void setStationTitleEncoding(QStringList& lines, int station, TitleEncoding encoding) {
  if (station < 1 || station > kStationCount || stationTitleEncoding(lines, station) == encoding) return;
  QString digits;
  for (int i = 1; i <= kStationCount; ++i) {
    digits += digitOfTitleEncoding(i == station ? encoding : stationTitleEncoding(lines, i));
  }
  qsizetype index = titleEncodingLineIndex(lines);
  if (index < 0) {
    normaliseRadioList(lines);
    index = lines.size();
    lines.append(QString());
  }
  lines[index] = kTitleEncodingTag + digits;
  for (qsizetype extra = titleEncodingLineIndex(lines, index + 1); extra >= 0;
       extra = titleEncodingLineIndex(lines, extra)) {
    lines.removeAt(extra);
  }
}

QString radioListReadError(const QString& path) { return QStringLiteral("Can't read \"%1\"").arg(path); }

QString radioListTitle(const QString& path) { return QFileInfo(path).completeBaseName(); }

StartupRadioList loadStartupRadioList(const QString& programDir, const QString& savedPath) {
  StartupRadioList result{savedPath, {}, noRadioListTitle(), {}, true};
  const QString legacy = programDir + QStringLiteral("Tavelo.ini");
  if (QFileInfo::exists(legacy)) {
    const QString moved = programDir + QStringLiteral("RLists/Tavelo.rls");
    result.error = moveReplacing(legacy, moved);
    result.path = result.error.isEmpty() ? moved : legacy;
  }
  if (QFileInfo::exists(result.path)) {
    if (std::optional<QStringList> lines = readRadioListFile(result.path)) {
      result.lines = *lines;
      result.title = radioListTitle(result.path);
    } else {
      result.saveOnClose = false;
      if (result.error.isEmpty()) result.error = radioListReadError(result.path);
    }
  }
  normaliseRadioList(result.lines);
  return result;
}

QStringList radioListFileNames(const QString& programDir) {
  return QDir(programDir + QStringLiteral("RLists"))
      .entryList({QStringLiteral("*.rls")}, QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

}  // namespace tavelo
