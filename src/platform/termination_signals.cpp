#include "platform/termination_signals.h"

#include <QSocketNotifier>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace tavelo {

namespace {

int signalPipe[2] = {-1, -1};

void forwardSignal(int signalNumber) {
  const unsigned char byte = static_cast<unsigned char>(signalNumber);
  [[maybe_unused]] const ssize_t written = ::write(signalPipe[0], &byte, 1);
}

void installHandler(int signalNumber, void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(signalNumber, &action, nullptr);
}

}  // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0) return;
  notifier_ = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::readSignal);
  installHandler(SIGTERM, forwardSignal);
  installHandler(SIGHUP, forwardSignal);
}

TerminationSignals::~TerminationSignals() {
  if (!notifier_) return;
  installHandler(SIGTERM, SIG_DFL);
  installHandler(SIGHUP, SIG_DFL);
  ::close(signalPipe[0]);
  ::close(signalPipe[1]);
  signalPipe[0] = signalPipe[1] = -1;
}

void TerminationSignals::readSignal() {
  unsigned char byte = 0;
  if (::read(signalPipe[1], &byte, 1) == 1) emit terminationRequested(byte);
}

}  // namespace tavelo
