#include "signals.h"

#include <signal.h>

#include <cerrno>
#include <csignal>

namespace Match {

namespace {

// The runner's only mutable globals: the signal that arrived, written by the handler, and the
// mask to sleep with, written once by InstallSignalHandling.
volatile std::sig_atomic_t gInterrupt = 0;
sigset_t gWaitMask;
bool gInstalled = false;

void OnInterrupt(int signal) {
  gInterrupt = signal;
}

}  // namespace

void InstallSignalHandling() {
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGPIPE, &ignore, nullptr);

  sigset_t blocked;
  sigemptyset(&blocked);
  sigaddset(&blocked, SIGINT);
  sigaddset(&blocked, SIGTERM);
  sigprocmask(SIG_BLOCK, &blocked, &gWaitMask);
  sigdelset(&gWaitMask, SIGINT);
  sigdelset(&gWaitMask, SIGTERM);

  struct sigaction catcher {};
  catcher.sa_handler = OnInterrupt;
  sigemptyset(&catcher.sa_mask);
  sigaction(SIGINT, &catcher, nullptr);
  sigaction(SIGTERM, &catcher, nullptr);
  gInstalled = true;
}

int PendingInterrupt() {
  return gInterrupt;
}

int WaitForEvents(pollfd* fds, nfds_t count, std::chrono::nanoseconds timeout) {
  if (gInterrupt != 0) throw Interrupted(gInterrupt);
  if (timeout.count() < 0) timeout = std::chrono::nanoseconds(0);
  timespec ts{};
  ts.tv_sec = static_cast<time_t>(timeout.count() / 1000000000);
  ts.tv_nsec = static_cast<long>(timeout.count() % 1000000000);
  int result = ppoll(fds, count, &ts, gInstalled ? &gWaitMask : nullptr);
  if (gInterrupt != 0) throw Interrupted(gInterrupt);
  if (result < 0 && errno == EINTR) return 0;
  return result;
}

void ResetSignalsInChild() {
  struct sigaction standard {};
  standard.sa_handler = SIG_DFL;
  sigemptyset(&standard.sa_mask);
  for (int signal : {SIGPIPE, SIGINT, SIGTERM}) sigaction(signal, &standard, nullptr);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
}

}  // namespace Match
