#pragma once
// The GET request the client sends and the parser for the header of the answer.

#include "net/http_url.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace tavelo {

struct THttpRequestFields {
  QString Accept;         // left out when empty
  QString Agent;          // left out when empty
  bool NoCache = false;   // adds "Pragma: no-cache"
  QString ProxyUsername;  // basic proxy authorisation, only through a proxy and with a user name
  QString ProxyPassword;
};

// The whole HTTP/1.0 GET request, header lines in a fixed order, every line ended by CR LF.
QByteArray BuildGetRequest(const THttpTarget &target, const THttpRequestFields &fields);

// Collects the answer's header line by line in a buffer of LineBufferSize bytes. A header of more
// than MaxHeaderLines lines or MaxHeaderBytes bytes (line ends and the blank line included) is
// refused, however slowly it arrives.
class THttpHeaderParser {
public:
  static constexpr qsizetype LineBufferSize = 8192;
  static constexpr qsizetype MaxHeaderLines = 100;
  static constexpr qsizetype MaxHeaderBytes = 64 * 1024;
  enum class TProgress { NeedMore, Complete, LineTooLong, HeaderTooLarge };

  // Takes the next bytes of the answer. Complete: the header has ended, TakeBodyStart() holds the
  // bytes after it (from the "<HTML>" line on when the server sent no header).
  TProgress Feed(const QByteArray &bytes);
  QByteArray TakeBodyStart();
  void Clear();

  int StatusCode() const { return m_statusCode; }
  const QString &ReasonPhrase() const { return m_reasonPhrase; }
  qint64 ContentLength() const { return m_contentLength; }
  const QString &ContentType() const { return m_contentType; }
  const std::optional<QString> &Location() const { return m_location; }
  const QStringList &HeaderLines() const { return m_headerLines; }

private:
  // NeedMore while the header goes on
  TProgress TakeLine(const QString &line, qsizetype lineStart);
  void TakeStatusLine(const QString &line);
  void TakeField(const QString &line, qsizetype colon);

  QByteArray m_buffer;
  qsizetype m_scanned = 0;  // bytes of m_buffer already taken as header lines
  qsizetype m_headerBytes = 0;
  int m_statusCode = 0;
  QString m_reasonPhrase;
  qint64 m_contentLength = -1;
  QString m_contentType;
  std::optional<QString> m_location;
  QStringList m_headerLines;
};

}  // namespace tavelo
