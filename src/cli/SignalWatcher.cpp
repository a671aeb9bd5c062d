#include "SignalWatcher.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>

namespace vlx::cli {
namespace {

// The handler may do nothing but write the number down; the event loop reads it.
int signalPipe[2] = {-1, -1};

void OnSignal(int number) {
  const int savedErrno = errno;
  const unsigned char byte = static_cast<unsigned char>(number);
  [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
  errno = savedErrno;
}

void Handle(int number, void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(number, &action, nullptr);
}

}  // namespace

SignalWatcher::SignalWatcher(std::function<void(int)> onSignal) : onSignal_(std::move(onSignal)) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0) {
    return;  // the signals keep their default: they end the process
  }
  notifier_ = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &SignalWatcher::OnReadable);
  Handle(SIGINT, OnSignal);
  Handle(SIGTERM, OnSignal);
}

SignalWatcher::~SignalWatcher() {
  if (notifier_ == nullptr) {
    return;
  }
  Handle(SIGINT, SIG_DFL);
  Handle(SIGTERM, SIG_DFL);
  ::close(signalPipe[0]);
  ::close(signalPipe[1]);
  signalPipe[0] = signalPipe[1] = -1;
}

void SignalWatcher::OnReadable() {
  unsigned char byte = 0;
  if (::read(signalPipe[0], &byte, 1) == 1) {
    onSignal_(byte);
  }
}

}  // namespace vlx::cli
