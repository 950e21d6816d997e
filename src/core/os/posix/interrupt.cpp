#include "core/os/interrupt.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <initializer_list>

namespace ormakin {

namespace {

std::atomic<InterruptionHandler> installed{nullptr};

extern "C" void OnSignal(int signal) {
  const int savedErrno = errno;
  const InterruptionHandler handler = installed.load();
  const Interruption what = signal == SIGINT ? Interruption::kCtrlC : Interruption::kEndRequest;
  if (handler == nullptr || !handler(what)) {
    // Ends the program as the signal ends one that does not catch it: the
    // signal, blocked while this runs, arrives again once it returns.
    ::signal(signal, SIG_DFL);
    ::raise(signal);
  }
  errno = savedErrno;
}

}  // namespace

void HandleInterruptions(InterruptionHandler handler) {
  installed.store(handler);
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  // One interruption at a time, and calls under way go on after it.
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    sigaddset(&action.sa_mask, signal);
  }
  action.sa_flags = SA_RESTART;
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction before {};
    if (::sigaction(signal, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) {
      continue;
    }
    ::sigaction(signal, &action, nullptr);
  }
}

void RemoveFileAtOnce(const char* name) {
  ::unlink(name);
}

}  // namespace ormakin
