// The real player started as its own process on a program folder of its own (a copy of the
// executable), with a private runtime folder, no sound server and the offscreen platform
// unless a display is given.
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <csignal>

// A folder mode 0700 for XDG_RUNTIME_DIR; owner given for players that run as another user.
class RuntimeFolder {
 public:
  RuntimeFolder();
  QString path() const { return dir_.path(); }
  void giveTo(unsigned uid, unsigned gid) const;

 private:
  QTemporaryDir dir_;
};

// A program folder holding only a copy of the player.
class PlayerFolder {
 public:
  PlayerFolder();
  QString path() const { return dir_.path() + QLatin1Char('/'); }
  QString executable() const { return path() + QStringLiteral("tavelo"); }
  QStringList entries() const;  // everything inside, recursively, relative
  QByteArray read(const QString& name) const;

 private:
  QTemporaryDir dir_;
};

class PlayerProcess {
 public:
  PlayerProcess(const PlayerFolder& folder, const RuntimeFolder& runtime);
  ~PlayerProcess();

  void setDisplay(const QString& display) { display_ = display; }
  // The folder the player is started from; the program folder unless set.
  void setWorkingDirectory(const QString& folder) { workingDirectory_ = folder; }
  // Runs the player as another user (for a folder it may not write); root only.
  void runAs(unsigned uid, unsigned gid) { runAs_ = QStringLiteral("%1:%2").arg(uid).arg(gid); }
  void start(const QStringList& arguments = {});
  // Starts and waits until the engine is up (its log line); false when that did not come.
  bool startAndWaitUntilReady(const QStringList& arguments = {});
  // Waits until the error output holds text; false after timeoutMs.
  bool waitForOutput(const QString& text, int timeoutMs = 20000);
  // Runs to its end; false when it did not end within timeoutMs.
  bool runToEnd(const QStringList& arguments, int timeoutMs = 20000);
  void terminate(int signalNumber = SIGTERM);
  // The signal, then the exit code of a normal end; -1 when it crashed or did not end.
  int terminateAndWait(int signalNumber = SIGTERM);
  bool waitForExit(int timeoutMs = 20000);
  int exitCode() const { return process_.exitCode(); }
  bool exitedNormally() const { return process_.exitStatus() == QProcess::NormalExit; }
  QString output();  // error output so far: the player's log lines
  qint64 pid() const { return process_.processId(); }

 private:
  const PlayerFolder& folder_;
  const RuntimeFolder& runtime_;
  QString display_;
  QString runAs_;
  QString workingDirectory_;
  QProcess process_;
  QString output_;
};
