#include "net/http_message.h"

namespace tavelo {

namespace {

void AddLine(QByteArray &request, const QString &line)
{
  request += line.toUtf8();
  request += "\r\n";
}

QByteArray BasicCredentials(const QString &user, const QString &password)
{
  return (user + u':' + password).toUtf8().toBase64();
}

}  // namespace

QByteArray BuildGetRequest(const THttpTarget &target, const THttpRequestFields &fields)
{
  QByteArray request;
  AddLine(request, QStringLiteral("GET ") + target.RequestTarget + QStringLiteral(" HTTP/1.0"));
  if (!fields.Accept.isEmpty()) {
    AddLine(request, QStringLiteral("Accept: ") + fields.Accept);
  }
  if (!fields.Agent.isEmpty()) {
    AddLine(request, QStringLiteral("User-Agent: ") + fields.Agent);
  }
  AddLine(request, QStringLiteral("Host: ") + target.HostHeader);
  if (fields.NoCache) {
    AddLine(request, QStringLiteral("Pragma: no-cache"));
  }
  if (target.ViaProxy && !fields.ProxyUsername.isEmpty()) {
    request += "Proxy-Authorization: Basic " + BasicCredentials(fields.ProxyUsername, fields.ProxyPassword) + "\r\n";
  }
  request += "\r\n";
  return request;
}

THttpHeaderParser::TProgress THttpHeaderParser::Feed(const QByteArray &bytes)
{
  m_buffer += bytes;
  for (;;) {
    const qsizetype lineStart = m_scanned;
    const qsizetype lf = m_buffer.indexOf('\n', lineStart);
    const qsizetype lineBytes = (lf < 0 ? m_buffer.size() : lf + 1) - lineStart;
    if (lineBytes > LineBufferSize || (lf < 0 && lineBytes == LineBufferSize)) {
      return TProgress::LineTooLong;
    }
    if (m_headerBytes + lineBytes > MaxHeaderBytes) {
      return TProgress::HeaderTooLarge;
    }
    if (lf < 0) {
      m_buffer.remove(0, lineStart);
      m_scanned = 0;
      return TProgress::NeedMore;
    }
    QByteArray line = m_buffer.mid(lineStart, lf - lineStart);
    if (line.endsWith('\r')) {
      line.chop(1);
    }
    m_scanned = lf + 1;
    m_headerBytes += lineBytes;
    if (const TProgress progress = TakeLine(QString::fromLatin1(line), lineStart); progress != TProgress::NeedMore) {
      return progress;
    }
  }
}

THttpHeaderParser::TProgress THttpHeaderParser::TakeLine(const QString &line, qsizetype lineStart)
{
  if (line.startsWith(u"<HTML>", Qt::CaseInsensitive)) {
    m_contentType = QStringLiteral("text/html");
    m_scanned = lineStart;  // the line is the first of the body
    return TProgress::Complete;
  }
  if (line.isEmpty()) {
    return TProgress::Complete;
  }
  if (m_headerLines.size() == MaxHeaderLines) {
    return TProgress::HeaderTooLarge;
  }
  m_headerLines.append(line);
  if (line.startsWith(u"HTTP/1.0") || line.startsWith(u"HTTP/1.1")) {
    TakeStatusLine(line);
  } else if (const qsizetype colon = line.indexOf(u':'); colon >= 0) {
    TakeField(line, colon);
  }
  return TProgress::NeedMore;
}

void THttpHeaderParser::TakeStatusLine(const QString &line)
{
  m_statusCode = line.mid(9, 3).toInt();
  m_reasonPhrase = line.mid(13);
}

void THttpHeaderParser::TakeField(const QString &line, qsizetype colon)
{
  const QString name = line.left(colon).trimmed();
  const QString value = line.mid(colon + 1).trimmed();
  if (name.compare(u"content-length", Qt::CaseInsensitive) == 0) {
    bool ok = false;
    const qint64 length = value.toLongLong(&ok);
    m_contentLength = ok && length >= 0 ? length : -1;
  } else if (name.compare(u"location", Qt::CaseInsensitive) == 0) {
    m_location = value;
  } else if (name.compare(u"content-type", Qt::CaseInsensitive) == 0) {
    m_contentType = value.toLower();
  }
}

QByteArray THttpHeaderParser::TakeBodyStart()
{
  QByteArray body = m_buffer.mid(m_scanned);
  m_buffer.clear();
  m_scanned = 0;
  return body;
}

void THttpHeaderParser::Clear()
{
  *this = THttpHeaderParser();
}

}  // namespace tavelo
