#include "signals.h"

#include <signal.h>

#include <atomic>
#include <cerrno>

namespace Match {

namespace {

// The runner's only mutable globals: the signal that arrived, written by the handler in whichever
// thread it interrupts and read by every thread (hence atomic, and lock-free so that the handler
// may store it), and the mask to sleep with, written once by InstallSignalHandling before any
// thread starts.
std::atomic<int> gInterrupt{0};
static_assert(std::atomic<int>::is_always_lock_free);
sigset_t gWaitMask;
bool gInstalled = false;

void OnInterrupt(int signal) {
  gInterrupt.store(signal);
}

// Throws when the wait should not go on: a signal first (it decides the exit status), then a stop.
void CheckInterrupted(const StopRequest* stop) {
  if (int signal = gInterrupt.load()) throw Interrupted(signal);
  if (stop && stop->Requested()) throw Stopped();
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
  return gInterrupt.load();
}

int WaitForEvents(pollfd& fd, std::chrono::nanoseconds timeout, const StopRequest* stop) {
  CheckInterrupted(stop);
  if (timeout.count() < 0) timeout = std::chrono::nanoseconds(0);
  timespec ts{};
  ts.tv_sec = static_cast<time_t>(timeout.count() / 1000000000);
  ts.tv_nsec = static_cast<long>(timeout.count() % 1000000000);
  pollfd fds[2] = {fd, {stop ? stop->fd() : -1, POLLIN, 0}};
  int result = ppoll(fds, stop ? 2 : 1, &ts, gInstalled ? &gWaitMask : nullptr);
  fd.revents = fds[0].revents;
  CheckInterrupted(stop);
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
