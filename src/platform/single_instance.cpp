#include "platform/single_instance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <memory>
#include <unistd.h>

namespace tavelo {

namespace {

constexpr qsizetype kMaxHandOverBytes = 64 * 1024;  // far beyond any path; more is not a hand-over

// The user's runtime folder (XDG_RUNTIME_DIR, or a private folder Qt makes and checks).
QString runtimeFolder() {
  const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  return runtime.isEmpty() ? QDir::tempPath() : runtime;
}

}  // namespace

SingleInstance::SingleInstance(const QString& key, QObject* parent)
    : QObject(parent),
      socketPath_(runtimeFolder() + QStringLiteral("/tavelo-%1-%2").arg(getuid()).arg(key)) {}

bool SingleInstance::listen() {
  // Listening replaces a socket file that is in the way, so a running copy must be asked first.
  if (anotherCopyAnswers()) return false;
  QLocalServer::removeServer(socketPath_);
  server_ = new QLocalServer(this);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_->listen(socketPath_)) {
    // Without the socket this copy still plays; it just cannot receive files from later copies.
    qWarning("Can't listen on \"%s\": %s", qPrintable(socketPath_), qPrintable(server_->errorString()));
    return true;
  }
  connect(server_, &QLocalServer::newConnection, this, &SingleInstance::acceptConnection);
  return true;
}

bool SingleInstance::anotherCopyAnswers() const {
  QLocalSocket probe;
  probe.connectToServer(socketPath_);
  const bool answers = probe.waitForConnected(1000);
  probe.abort();
  return answers;
}

bool SingleInstance::handOver(const QString& path, int timeoutMs) const {
  QLocalSocket socket;
  socket.connectToServer(socketPath_);
  if (!socket.waitForConnected(timeoutMs)) return false;
  if (!path.isEmpty()) {
    socket.write(path.toUtf8());
    if (!socket.waitForBytesWritten(timeoutMs)) return false;
  }
  socket.disconnectFromServer();
  if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(timeoutMs);
  return true;
}

void SingleInstance::acceptConnection() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    auto received = std::make_shared<QByteArray>();
    connect(socket, &QLocalSocket::readyRead, socket, [socket, received] {
      received->append(socket->readAll());
      if (received->size() > kMaxHandOverBytes) {
        received->clear();
        socket->abort();
      }
    });
    connect(socket, &QLocalSocket::disconnected, this, [this, socket, received] {
      received->append(socket->readAll());
      socket->deleteLater();
      const QString path = QString::fromUtf8(*received);
      if (!path.isEmpty()) emit handedOver(path);
    });
  }
}

}  // namespace tavelo
