#pragma once

#include <poll.h>

#include <chrono>
#include <stdexcept>

#include "stop_request.h"

namespace Match {

// Thrown out of a wait when SIGINT or SIGTERM arrived, so that every engine process is killed and
// reaped on the way out (their owners' destructors do it).
struct Interrupted : std::runtime_error {
  explicit Interrupted(int signal)
      : std::runtime_error("interrupted by a signal"), signalNumber(signal) {}
  int signalNumber;
};

// Process-wide signal set-up for the match runner, called once from main before any engine or
// thread starts: SIGPIPE is ignored (a dead engine shows up as a write error, not a dead runner),
// and SIGINT and SIGTERM are caught and kept blocked except inside WaitForEvents, so that a signal
// can never slip in between checking for it and going to sleep. Threads inherit the mask, so a
// signal wakes exactly one thread that is waiting; the match's StopRequest wakes the others.
void InstallSignalHandling();

// The signal that asked the runner to stop, or 0.
int PendingInterrupt();

// poll(2) of one descriptor with a timeout that lets SIGINT and SIGTERM in while it sleeps, and
// that also watches `stop` when given. Throws Interrupted when one of those signals has arrived,
// else Stopped when the stop was requested (before or during the wait). Returns poll's result, 0
// on timeout; an EINTR from another signal counts as a timeout.
int WaitForEvents(pollfd& fd, std::chrono::nanoseconds timeout, const StopRequest* stop = nullptr);

// In a freshly forked child, before exec: default dispositions and an empty signal mask, so the
// engine does not inherit the runner's ignored SIGPIPE or blocked SIGINT.
void ResetSignalsInChild();

}  // namespace Match
