#include "cd/cddb.h"

#include "cd/cd_lists.h"
#include "util/text_codec.h"

#include <QRegularExpression>
#include <QUrl>
#include <array>

namespace tavelo {

namespace {

constexpr const char* kServerHost = "gnudb.gnudb.org";
constexpr std::array<const char*, 12> kServerPlaces = {
    "New cddbserver",     "Random freedb server", "Vienna, Austria", "Sydney, Australia",
    "MB Canada",          "Montreal, QC Canada",  "Berlin, Germany *", "Madrid, Spain",
    "Tampere, Finland",   "Saint-Petersburg, Russia", "London, UK",    "San Jose, CA USA"};

QString cddbPath(const QString& host) { return host + QStringLiteral("/~cddb/cddb.cgi?cmd=cddb+"); }

}  // namespace

QStringList cddbServerItems() {
  QStringList items;
  for (const char* place : kServerPlaces)
    items << QLatin1String(kServerHost) + QLatin1Char(' ') + QLatin1String(place);
  return items;
}

QString cddbServerHost(int index) {
  const QStringList items = cddbServerItems();
  const QString item = index >= 0 && index < items.size() ? items[index] : items[0];
  return item.section(QLatin1Char(' '), 0, 0);
}

QString cddbHello(const QString& email, bool firstQueryOfDisc) {
  const QString address = email.trimmed();
  const qsizetype at = address.lastIndexOf(QLatin1Char('@'));
  if (at > 0 && at < address.size() - 1 && !address.contains(QLatin1Char(' '))) {
    return QString::fromLatin1(QUrl::toPercentEncoding(address.left(at)) + '+' +
                               QUrl::toPercentEncoding(address.mid(at + 1)));
  }
  return firstQueryOfDisc ? QStringLiteral("anonymous+localhost") : QStringLiteral("anonymous+localhost.localdomain");
}

QString cddbHelloArguments(const QString& email, bool firstQueryOfDisc) {
  return QStringLiteral("&hello=") + cddbHello(email, firstQueryOfDisc) + QStringLiteral("+Tavelo+1.0.14&proto=6");
}

QString cddbQueryUrl(const QString& host, const QString& discIdText, const QString& hello) {
  QString arguments = discIdText.trimmed();
  arguments.replace(QLatin1Char(' '), QLatin1Char('+'));
  return cddbPath(host) + QStringLiteral("query+") + arguments + hello;
}

std::optional<QString> cddbReadUrl(const QString& host, const QString& category, const QString& discId,
                                   const QString& hello) {
  if (!isCddbWord(category) || !isCddbWord(discId)) return std::nullopt;
  return cddbPath(host) + QStringLiteral("read+") + category + QLatin1Char('+') + discId + hello;
}

bool isCddbWord(const QString& text) {
  static const QRegularExpression word(QStringLiteral("^[a-z0-9]+$"));
  return word.match(text).hasMatch();
}

qint64 CddbAnswerBuffer::writeData(const char* data, qint64 size) {
  const qint64 room = kLimit - body_.size();
  if (size > room) tooLong_ = true;
  body_.append(data, qMin(size, room));
  return size;
}

QStringList cddbAnswerLines(const QByteArray& body) {
  const qsizetype end = body.indexOf('\0');
  return splitLines(decodeExternalText(end < 0 ? body : body.left(end)));
}

namespace {

std::optional<CddbMatch> matchOf(const QString& line, int firstWord) {
  const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
  if (words.size() < firstWord + 2) return std::nullopt;
  CddbMatch match{words[firstWord], words[firstWord + 1]};
  if (!isCddbWord(match.category) || !isCddbWord(match.discId)) return std::nullopt;
  return match;
}

QString decodedEscapes(const QString& value) {
  QString text;
  text.reserve(value.size());
  for (qsizetype i = 0; i < value.size(); ++i) {
    const QChar ch = value[i];
    if (ch != QLatin1Char('\\') || i + 1 == value.size()) {
      text += ch;
      continue;
    }
    const QChar escaped = value[++i];
    if (escaped == QLatin1Char('n')) text += QLatin1Char('\n');
    else if (escaped == QLatin1Char('t')) text += QLatin1Char('\t');
    else if (escaped == QLatin1Char('\\')) text += QLatin1Char('\\');
    else text += ch, text += escaped;
  }
  return text;
}

// "TTITLE12" -> 12; -1 when no number follows.
int trackNumberOf(const QString& key) {
  bool ok = false;
  const int number = key.mid(6).toInt(&ok);
  return ok && number >= 0 && !key.mid(6).startsWith(QLatin1Char('+')) ? number : -1;
}

}  // namespace

std::optional<CddbMatch> parseCddbQueryAnswer(const QStringList& lines) {
  if (lines.isEmpty()) return std::nullopt;
  if (lines[0].startsWith(QStringLiteral("200"))) return matchOf(lines[0], 1);
  if (lines[0].startsWith(QStringLiteral("21")) && lines.size() > 1) return matchOf(lines[1], 0);
  return std::nullopt;
}

CddbEntry parseCddbReadAnswer(const QStringList& lines) {
  CddbEntry entry;
  if (lines.isEmpty() || !lines[0].startsWith(QStringLiteral("210"))) return entry;
  QMap<int, QString> raw;
  QString discTitle;
  for (const QString& line : lines.mid(1)) {
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    if (line.startsWith(QLatin1Char('#')) || equals < 0) continue;
    const QString key = line.left(equals);
    const QString value = line.mid(equals + 1);
    if (key == QStringLiteral("DTITLE")) discTitle += value;
    else if (key.startsWith(QStringLiteral("TTITLE")) && trackNumberOf(key) >= 0) raw[trackNumberOf(key)] += value;
  }
  // Escapes are decoded after joining: a split line may cut "\n" in two.
  entry.discTitle = decodedEscapes(discTitle);
  for (auto it = raw.cbegin(); it != raw.cend(); ++it) entry.tracks[it.key()] = decodedEscapes(it.value());
  return entry;
}

bool shouldLookUp(const CddbStart& disc) {
  return disc.useCddb && !disc.hasCdText && disc.trackCount > 0 && disc.lookupIdle && !disc.retryQuestionOpen;
}

bool titlesStillApply(bool inCdMode, const QString& discNow, const QString& discAsked) {
  return inCdMode && !discNow.isEmpty() && discNow == discAsked;
}

QString cddbTitledItem(const QString& item, int track, const QString& title) {
  const QString placeholder = cdTrackPlaceholder(track);
  const qsizetype at = item.indexOf(placeholder);
  if (at < 0) return item;
  const QString name =
      QStringLiteral("%1.%2").arg(track + 1, 2, 10, QLatin1Char('0')).arg(withoutControlCharacters(title));
  return QString(item).replace(at, placeholder.size(), name);
}

}  // namespace tavelo
