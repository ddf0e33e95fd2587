#pragma once
// Starts script_server.py on 127.0.0.1 and reads back the raw requests it received.

#include <QJsonArray>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// Steps of an answer, in the order the server runs them; the connection closes after the last.
QJsonObject Send(const QString &text);
QJsonObject Wait(double seconds);
QJsonObject Hold();  // silent until the client closes
// Sends the text again and again, a pause of everySeconds between, until the client closes.
QJsonObject Repeat(const QString &text, double everySeconds = 0);

struct ReceivedRequest {
  int Listener = 0;
  QByteArray Raw;
};

class ScriptedHttpServer {
public:
  // routes: request path (with query) -> steps; "{port0}", "{port1}" … in sent texts become ports.
  explicit ScriptedHttpServer(const QMap<QString, QJsonArray> &routes, int listeners = 1);
  ~ScriptedHttpServer();

  quint16 Port(int listener = 0) const { return m_ports.at(listener); }
  // "127.0.0.1:port" + path, a URL as the player writes it (no scheme)
  QString Url(const QString &path, int listener = 0) const;
  QList<ReceivedRequest> Requests() const;

private:
  QTemporaryDir m_dir;
  QProcess m_process;
  QList<quint16> m_ports;
};

// A port on 127.0.0.1 that nobody listens on (free a moment ago).
quint16 ClosedPort();
