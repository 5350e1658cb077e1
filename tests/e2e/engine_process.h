#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace E2E {

// How long one step may take before the engine counts as hung. Generous: sanitizer builds are slow
// and the machine may be shared; a test only waits this long when something is already wrong.
inline constexpr std::chrono::milliseconds kStepTimeout{30000};

// How a finished child ended.
struct ExitResult {
  bool exited = false;    // ended by returning from main or calling exit
  int status = -1;        // exit status when exited, else the signal that ended it (-1: none)
  bool timedOut = false;  // it did not end in time and was killed
};

// A program started as a child process with its standard input and output on pipes, driven the way
// a game server drives the engine: one write per command, and the next write only after the child
// has read the previous one, so that every command arrives as a read of its own. Everything the
// child writes to standard output is collected; its standard error goes to the test's, or into the
// file `errorPath` (created or emptied) when that is given. A child still running when this object
// goes away is killed.
class EngineProcess {
 public:
  explicit EngineProcess(const std::string& path, const std::vector<std::string>& args = {},
                         const std::string& errorPath = "");
  ~EngineProcess();
  EngineProcess(const EngineProcess&) = delete;
  EngineProcess& operator=(const EngineProcess&) = delete;

  // Writes the command in one write, then waits until the child has taken every byte of it from
  // its input pipe (the pipe reports nothing left to read). Returns false on a failed write or a
  // timeout.
  bool Send(std::string_view command, std::chrono::milliseconds timeout = kStepTimeout);

  // Waits until the output collected so far contains `expected` at or after byte `from`. Returns
  // false when the child ends its output or the timeout passes first.
  bool WaitForOutput(std::string_view expected, std::size_t from = 0,
                     std::chrono::milliseconds timeout = kStepTimeout);

  // Closes the child's standard input (end of input), collects the rest of its output and waits
  // for it to end; kills it when it has not ended in time.
  ExitResult Finish(std::chrono::milliseconds timeout = kStepTimeout);

  // Stops reading the child's output: later writes of the child find no reader.
  void CloseOutput();

  // Every byte the child has written to standard output so far.
  const std::string& output() const { return output_; }

 private:
  // Moves whatever output is ready into output_, waiting at most waitMs for some; false once the
  // child has closed its output.
  bool Collect(int waitMs);
  void Kill();

  pid_t pid_ = -1;
  int input_ = -1;      // write end of the child's standard input
  int output_fd_ = -1;  // read end of the child's standard output
  std::string output_;
  bool outputEnded_ = false;
  bool reaped_ = false;
};

}  // namespace E2E
