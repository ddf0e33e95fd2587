#include "tinyproxy_fixture.h"

#include "scripted_http_server.h"

#include <QFile>
#include <QTcpSocket>
#include <QThread>
#include <stdexcept>

namespace {

// As root tinyproxy drops to User and Group; as anyone else it keeps its user.
QByteArray Config(quint16 port)
{
  return "Port " + QByteArray::number(port) +
         "\nListen 127.0.0.1\nTimeout 30\nMaxClients 20\nAllow 127.0.0.1\n"
         "User nobody\nGroup nogroup\nBasicAuth user pass\n";
}

bool Accepts(quint16 port)
{
  QTcpSocket probe;
  probe.connectToHost(QHostAddress::LocalHost, port);
  return probe.waitForConnected(200);
}

}  // namespace

Tinyproxy::Tinyproxy() : m_port(ClosedPort())
{
  QFile config(m_dir.filePath(QStringLiteral("tinyproxy.conf")));
  if (!config.open(QIODevice::WriteOnly) || config.write(Config(m_port)) < 0) {
    throw std::runtime_error("cannot write the tinyproxy configuration");
  }
  config.close();
  m_process.setProcessChannelMode(QProcess::MergedChannels);
  m_process.setStandardOutputFile(m_dir.filePath(QStringLiteral("tinyproxy.log")));
  m_process.start(QStringLiteral("tinyproxy"), {QStringLiteral("-d"), QStringLiteral("-c"), config.fileName()});
  if (!m_process.waitForStarted(5000)) {
    throw std::runtime_error("tinyproxy does not start");
  }
  for (int tries = 0; !Accepts(m_port); ++tries) {
    if (tries == 50 || m_process.state() != QProcess::Running) {
      QFile log(m_dir.filePath(QStringLiteral("tinyproxy.log")));
      log.open(QIODevice::ReadOnly);
      throw std::runtime_error("tinyproxy does not listen:\n" + log.readAll().toStdString());
    }
    QThread::msleep(100);
  }
}

Tinyproxy::~Tinyproxy()
{
  m_process.terminate();
  if (!m_process.waitForFinished(3000)) {
    m_process.kill();
    m_process.waitForFinished(3000);
  }
}
