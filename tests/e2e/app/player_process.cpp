#include "player_process.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QThread>
#include <csignal>
#include <unistd.h>

RuntimeFolder::RuntimeFolder() {
  QFile::setPermissions(dir_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void RuntimeFolder::giveTo(unsigned uid, unsigned gid) const {
  [[maybe_unused]] const int changed = ::chown(QFile::encodeName(dir_.path()).constData(), uid, gid);
}

PlayerFolder::PlayerFolder() {
  QFile::copy(QStringLiteral(TAVELO_EXECUTABLE), executable());
  QFile::setPermissions(executable(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther |
                                          QFile::ExeOther | QFile::ReadGroup | QFile::ExeGroup);
}

QStringList PlayerFolder::entries() const {
  QStringList found;
  QDirIterator it(dir_.path(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
  while (it.hasNext()) found << QDir(dir_.path()).relativeFilePath(it.next());
  found.sort();
  return found;
}

QByteArray PlayerFolder::read(const QString& name) const {
  QFile file(path() + name);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

PlayerProcess::PlayerProcess(const PlayerFolder& folder, const RuntimeFolder& runtime)
    : folder_(folder), runtime_(runtime) {}

PlayerProcess::~PlayerProcess() {
  if (process_.state() != QProcess::NotRunning) {
    process_.kill();
    process_.waitForFinished(5000);
  }
}

void PlayerProcess::start(const QStringList& arguments) {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime_.path());
  environment.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("tavelo.app.debug=true"));
  environment.remove(QStringLiteral("PULSE_SERVER"));
  environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
  if (display_.isEmpty()) {
    environment.remove(QStringLiteral("DISPLAY"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  } else {
    environment.insert(QStringLiteral("DISPLAY"), display_);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
  }
  process_.setProcessEnvironment(environment);
  process_.setWorkingDirectory(workingDirectory_.isEmpty() ? folder_.path() : workingDirectory_);
  if (runAs_.isEmpty()) {
    process_.start(folder_.executable(), arguments);
  } else {
    const QStringList ids = runAs_.split(QLatin1Char(':'));
    process_.start(QStringLiteral("setpriv"),
                   QStringList{QStringLiteral("--reuid=") + ids[0], QStringLiteral("--regid=") + ids[1],
                               QStringLiteral("--clear-groups"), folder_.executable()} +
                       arguments);
  }
  process_.waitForStarted(10000);
}

bool PlayerProcess::startAndWaitUntilReady(const QStringList& arguments) {
  start(arguments);
  return waitForOutput(QStringLiteral("output device"));
}

QString PlayerProcess::output() {
  output_ += QString::fromUtf8(process_.readAllStandardError());
  return output_;
}

bool PlayerProcess::waitForOutput(const QString& text, int timeoutMs) {
  QDeadlineTimer deadline(timeoutMs);
  while (!output().contains(text)) {
    if (deadline.hasExpired() || process_.state() == QProcess::NotRunning) return output().contains(text);
    process_.waitForReadyRead(100);
  }
  return true;
}

bool PlayerProcess::runToEnd(const QStringList& arguments, int timeoutMs) {
  start(arguments);
  return waitForExit(timeoutMs);
}

void PlayerProcess::terminate(int signalNumber) { ::kill(static_cast<pid_t>(process_.processId()), signalNumber); }

int PlayerProcess::terminateAndWait(int signalNumber) {
  terminate(signalNumber);
  return waitForExit() && exitedNormally() ? exitCode() : -1;
}

bool PlayerProcess::waitForExit(int timeoutMs) {
  const bool ended = process_.waitForFinished(timeoutMs);
  output();
  return ended;
}
