#include "scripted_http_server.h"

#include <QFile>
#include <QJsonDocument>
#include <QTcpServer>
#include <stdexcept>

QJsonObject Send(const QString &text)
{
  return {{QStringLiteral("send"), text}};
}

QJsonObject Wait(double seconds)
{
  return {{QStringLiteral("wait"), seconds}};
}

QJsonObject Hold()
{
  return {{QStringLiteral("hold"), true}};
}

QJsonObject Repeat(const QString &text, double everySeconds)
{
  return {{QStringLiteral("repeat"), text}, {QStringLiteral("every"), everySeconds}};
}

ScriptedHttpServer::ScriptedHttpServer(const QMap<QString, QJsonArray> &routes, int listeners)
{
  QJsonObject table;
  for (auto route = routes.begin(); route != routes.end(); ++route) {
    table.insert(route.key(), route.value());
  }
  QFile routesFile(m_dir.filePath(QStringLiteral("routes.json")));
  if (!routesFile.open(QIODevice::WriteOnly) || routesFile.write(QJsonDocument(table).toJson()) < 0) {
    throw std::runtime_error("cannot write the routes file");
  }
  routesFile.close();
  m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  m_process.start(QStringLiteral("python3"), {QStringLiteral(TAVELO_NET_E2E_DIR "/script_server.py"),
                                              QStringLiteral("--routes"), routesFile.fileName(),
                                              QStringLiteral("--log"), m_dir.filePath(QStringLiteral("requests.log")),
                                              QStringLiteral("--listeners"), QString::number(listeners)});
  while (!m_process.canReadLine() && m_process.waitForReadyRead(10000)) {
  }
  const QList<QByteArray> words = m_process.readLine().trimmed().split(' ');
  if (words.value(0) != "PORTS" || words.size() != listeners + 1) {
    throw std::runtime_error("the scripted HTTP server did not start");
  }
  for (qsizetype i = 1; i < words.size(); ++i) {
    m_ports.append(words[i].toUShort());
  }
}

ScriptedHttpServer::~ScriptedHttpServer()
{
  m_process.closeWriteChannel();
  if (!m_process.waitForFinished(3000)) {
    m_process.kill();
    m_process.waitForFinished(3000);
  }
}

QString ScriptedHttpServer::Url(const QString &path, int listener) const
{
  return QStringLiteral("127.0.0.1:%1%2").arg(Port(listener)).arg(path);
}

QList<ReceivedRequest> ScriptedHttpServer::Requests() const
{
  QList<ReceivedRequest> requests;
  QFile log(m_dir.filePath(QStringLiteral("requests.log")));
  if (!log.open(QIODevice::ReadOnly)) {
    return requests;
  }
  while (!log.atEnd()) {
    const QJsonObject entry = QJsonDocument::fromJson(log.readLine()).object();
    requests.append({entry.value(QStringLiteral("listener")).toInt(),
                     entry.value(QStringLiteral("request")).toString().toLatin1()});
  }
  return requests;
}

quint16 ClosedPort()
{
  QTcpServer probe;
  probe.listen(QHostAddress::LocalHost, 0);
  return probe.serverPort();
}
