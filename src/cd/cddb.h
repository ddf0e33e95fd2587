// The CDDB dialogue over HTTP on plain data: the server list, the hello, the query and read
// URLs, and what their answers say. The mode sends the requests and applies the results.
#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>

namespace tavelo {

// The items of cb_CDDBserver: a host, a blank, a description. Every item names the one server
// that still answers, so stored indexes stay valid.
QStringList cddbServerItems();
// The host of item index; an index outside the list means item 0.
QString cddbServerHost(int index);

// The hello's user and host: the e-mail's local part and domain, each percent-encoded; without
// a usable e-mail "anonymous" at "localhost" for a disc's first query, "localhost.localdomain"
// for every later request.
QString cddbHello(const QString& email, bool firstQueryOfDisc);
// "&hello=user+host+Tavelo+1.0.14&proto=6" (level 6: titles in UTF-8).
QString cddbHelloArguments(const QString& email, bool firstQueryOfDisc);

// host/~cddb/cddb.cgi?cmd=cddb+query+<id text with blanks as "+"><hello>
QString cddbQueryUrl(const QString& host, const QString& discIdText, const QString& hello);
// The read URL; none when category or disc id is not a CDDB word, so nothing foreign reaches a URL.
std::optional<QString> cddbReadUrl(const QString& host, const QString& category, const QString& discId,
                                   const QString& hello);
// A category or disc id: one or more of a-z and 0-9.
bool isCddbWord(const QString& text);

// An answer's body, kept up to 1 MiB; more marks it too long (a CDDB entry is a few kilobytes).
class CddbAnswerBuffer : public QIODevice {
 public:
  static constexpr qint64 kLimit = 1 << 20;
  CddbAnswerBuffer() { open(QIODevice::WriteOnly); }
  bool isSequential() const override { return true; }
  const QByteArray& body() const { return body_; }
  bool tooLong() const { return tooLong_; }

 protected:
  qint64 readData(char*, qint64) override { return -1; }
  qint64 writeData(const char* data, qint64 size) override;

 private:
  QByteArray body_;
  bool tooLong_ = false;
};

// The lines of an answer up to its first zero byte, UTF-8 when valid, else Windows-1252.
QStringList cddbAnswerLines(const QByteArray& body);

struct CddbMatch {
  QString category, discId;
};
// 200: the match of the status line; 210/211: the first match line. None for anything else,
// a missing or "." match line, or a category or id that is not a CDDB word.
std::optional<CddbMatch> parseCddbQueryAnswer(const QStringList& lines);

struct CddbEntry {
  QString discTitle;          // DTITLE, its lines joined
  QMap<int, QString> tracks;  // TTITLEn by n (0-based), its lines joined, escapes decoded
};
// A read answer (status 210) as an entry; an empty entry for any other status.
CddbEntry parseCddbReadAnswer(const QStringList& lines);

// Whether a freshly listed disc is looked up: CDDB on, no CD-TEXT, some tracks, no lookup running
// and no retry question open (each poll would otherwise stack another question).
struct CddbStart {
  bool useCddb = false;
  bool hasCdText = false;
  int trackCount = 0;
  bool lookupIdle = true;
  bool retryQuestionOpen = false;
};
bool shouldLookUp(const CddbStart& disc);

// Whether titles looked up for discAsked belong on the list: only in the Audio CD mode, with the
// drive still holding that disc (discNow: its id text now, empty without a disc).
bool titlesStillApply(bool inCdMode, const QString& discNow, const QString& discAsked);

// List item `track` with its "Track nn" replaced by "nn.title"; the item unchanged when it has
// no "Track nn". Line breaks and tabs of the title become blanks.
QString cddbTitledItem(const QString& item, int track, const QString& title);

}  // namespace tavelo
