// One running copy per user and executable name: the first copy listens on a local socket,
// a later copy hands its file argument over that socket and ends.
#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace tavelo {

class SingleInstance : public QObject {
  Q_OBJECT
 public:
  // key: the executable's file name; the socket lives in the user's runtime folder.
  explicit SingleInstance(const QString& key, QObject* parent = nullptr);

  // Starts listening unless another copy already does; false means another copy runs.
  // A socket that cannot be created leaves this copy running without the hand-over.
  bool listen();

  // Delivers a path to the running copy; an empty path sends nothing. False when nobody listens.
  bool handOver(const QString& path, int timeoutMs = 3000) const;

  QString socketPath() const { return socketPath_; }

 signals:
  void handedOver(const QString& path);

 private:
  void acceptConnection();
  bool anotherCopyAnswers() const;

  QString socketPath_;
  QLocalServer* server_ = nullptr;
};

}  // namespace tavelo
