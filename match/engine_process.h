#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "stop_request.h"

namespace Match {

using Clock = std::chrono::steady_clock;

// One engine child process: `/bin/sh -c COMMAND` in a process group of its own, its standard
// input and output on pipes (its standard error is the runner's). The object owns the process:
// every way out of its life (Stop, destructor, an exception unwinding past it) kills the whole
// group and reaps the child, so no engine outlives the runner. Not copyable. Each object is used
// by one thread; processes of different objects may run in different threads at once (each reaps
// only its own process group).
class EngineProcess {
 public:
  // Forks and execs the command. Throws std::system_error when the pipes or the fork fail; a
  // command that cannot run shows up later as an exit (the shell's status 127). Every wait also
  // ends, with Stopped, when `stop` (if given) is requested.
  explicit EngineProcess(const std::string& command, const StopRequest* stop = nullptr);
  ~EngineProcess();
  EngineProcess(const EngineProcess&) = delete;
  EngineProcess& operator=(const EngineProcess&) = delete;

  pid_t pid() const { return pid_; }

  // Writes one command in a single write(2). False when the engine no longer reads (its input is
  // closed) or the pipe cannot take the whole command at once.
  bool Write(std::string_view command);

  enum class Wait { kDone, kTimeout, kClosed };

  // Waits until the engine has read everything written to it (the pipe to its input is empty),
  // collecting its output meanwhile so that it never blocks on a full pipe. kClosed: the engine
  // exited or closed its output first.
  Wait WaitConsumed(Clock::time_point deadline);

  // Waits until the engine writes something (appended to output()) or the deadline passes.
  // kDone: new bytes arrived; kClosed: end of its output.
  Wait ReadSome(Clock::time_point deadline);

  // Output read so far and not yet taken by the caller.
  std::string& output() { return output_; }

  // Whether the child has exited; reaps it when it has.
  bool Exited();

  // Waits until the child exits or the deadline passes, collecting its output; true if it exited.
  bool WaitExit(Clock::time_point deadline);

  // "exit status N" or "killed by signal N" once the child is reaped, else "still running".
  std::string ExitDescription() const;

  // Closes its input, gives the engine `grace` to exit on its own (cut short by a signal or a
  // stop), then kills its process group and reaps it. Idempotent.
  void Stop(std::chrono::milliseconds grace);

 private:
  // Reads whatever is available now; false at end of output.
  bool Drain();
  // Blocks until the child is reaped; records its status.
  void Reap();

  pid_t pid_ = -1;
  int toEngine_ = -1;    // write end of the engine's standard input
  int fromEngine_ = -1;  // read end of the engine's standard output
  bool outputClosed_ = false;
  bool reaped_ = false;
  bool stopped_ = false;
  int status_ = 0;
  std::string output_;
  const StopRequest* stop_ = nullptr;
};

// Makes the runner the reaper of orphaned descendants (Linux), so that the processes an engine's
// shell started become the runner's children when the shell dies and can be waited for after
// their process group is killed. Called once from main.
void AdoptOrphanedEngineProcesses();

}  // namespace Match
