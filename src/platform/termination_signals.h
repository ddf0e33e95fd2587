// SIGTERM and SIGHUP (the session or the system ending) arrive as a Qt signal on the
// thread that created the watcher, through a self-pipe, so handlers may touch widgets.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace tavelo {

class TerminationSignals : public QObject {
  Q_OBJECT
 public:
  explicit TerminationSignals(QObject* parent = nullptr);
  ~TerminationSignals() override;

 signals:
  void terminationRequested(int signalNumber);

 private:
  void readSignal();

  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace tavelo
