#include "engine_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

#include "signals.h"

namespace Match {

namespace {

constexpr auto kPollStep = std::chrono::milliseconds(1);

[[noreturn]] void ThrowErrno(const char* what) {
  throw std::system_error(errno, std::generic_category(), what);
}

void CloseFd(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

std::chrono::nanoseconds Until(Clock::time_point deadline) {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(deadline - Clock::now());
}

}  // namespace

EngineProcess::EngineProcess(const std::string& command, const StopRequest* stop) : stop_(stop) {
  int input[2];
  int output[2];
  if (pipe2(input, O_CLOEXEC) != 0) ThrowErrno("pipe");
  if (pipe2(output, O_CLOEXEC) != 0) {
    int saved = errno;
    close(input[0]);
    close(input[1]);
    errno = saved;
    ThrowErrno("pipe");
  }
  pid_t child = fork();
  if (child < 0) {
    int saved = errno;
    for (int fd : {input[0], input[1], output[0], output[1]}) close(fd);
    errno = saved;
    ThrowErrno("fork");
  }
  if (child == 0) {
    // Only async-signal-safe calls from here to exec.
    setpgid(0, 0);
    ResetSignalsInChild();
    dup2(input[0], STDIN_FILENO);
    dup2(output[1], STDOUT_FILENO);
    close_range(3, ~0U, 0);
    execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  setpgid(child, child);  // also from the parent, so the group exists before any kill
  pid_ = child;
  close(input[0]);
  close(output[1]);
  toEngine_ = input[1];
  fromEngine_ = output[0];
  fcntl(toEngine_, F_SETFL, O_NONBLOCK);
  fcntl(fromEngine_, F_SETFL, O_NONBLOCK);
}

EngineProcess::~EngineProcess() {
  Stop(std::chrono::milliseconds(0));
}

bool EngineProcess::Write(std::string_view command) {
  if (toEngine_ < 0) return false;
  while (true) {
    ssize_t written = write(toEngine_, command.data(), command.size());
    if (written < 0 && errno == EINTR) continue;
    return written == static_cast<ssize_t>(command.size());
  }
}

bool EngineProcess::Drain() {
  if (outputClosed_) return false;
  char buffer[4096];
  while (true) {
    ssize_t got = read(fromEngine_, buffer, sizeof buffer);
    if (got > 0) {
      output_.append(buffer, static_cast<std::size_t>(got));
      continue;
    }
    if (got < 0 && errno == EINTR) continue;
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
    outputClosed_ = true;  // end of output, or an error that ends it just the same
    return false;
  }
}

EngineProcess::Wait EngineProcess::WaitConsumed(Clock::time_point deadline) {
  while (true) {
    int pending = 0;
    if (toEngine_ < 0 || ioctl(toEngine_, FIONREAD, &pending) != 0) return Wait::kClosed;
    if (pending == 0) return Wait::kDone;
    if (!Drain() || Exited()) return Wait::kClosed;
    if (Clock::now() >= deadline) return Wait::kTimeout;
    pollfd fd{fromEngine_, POLLIN, 0};
    WaitForEvents(fd, std::min<std::chrono::nanoseconds>(kPollStep, Until(deadline)), stop_);
  }
}

EngineProcess::Wait EngineProcess::ReadSome(Clock::time_point deadline) {
  std::size_t before = output_.size();
  while (true) {
    bool open = Drain();
    if (output_.size() > before) return Wait::kDone;
    if (!open) return Wait::kClosed;
    auto left = Until(deadline);
    if (left.count() <= 0) return Wait::kTimeout;
    pollfd fd{fromEngine_, POLLIN, 0};
    WaitForEvents(fd, left, stop_);
  }
}

bool EngineProcess::Exited() {
  if (reaped_) return true;
  if (pid_ < 0) return true;
  // Look first without reaping: while the child is a zombie its pid still names its process
  // group, so the group can be killed (anything the shell left behind) without any risk of
  // hitting a process that reused the number.
  siginfo_t info{};
  if (waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) != 0) {
    return false;
  }
  if (info.si_pid != pid_) return false;
  kill(-pid_, SIGKILL);
  Reap();
  return true;
}

void EngineProcess::Reap() {
  int status = 0;
  while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  reaped_ = true;
  status_ = status;
  // The rest of the group (already sent SIGKILL): processes the shell started, which became the
  // runner's children when the shell died (see AdoptOrphanedEngineProcesses). Waiting for them
  // means none is still alive, even for a moment, once the engine is stopped. Only this group is
  // waited for (never any child), so engines of other slots, in other threads, are left to their
  // owners; the group's number cannot name another group while one of its members is unreaped.
  while (true) {
    pid_t got = waitpid(-pid_, nullptr, 0);
    if (got > 0 || (got < 0 && errno == EINTR)) continue;
    break;
  }
}

void AdoptOrphanedEngineProcesses() {
  prctl(PR_SET_CHILD_SUBREAPER, 1);
}

bool EngineProcess::WaitExit(Clock::time_point deadline) {
  while (!Exited()) {
    if (Clock::now() >= deadline) return false;
    Drain();
    pollfd fd{fromEngine_, static_cast<short>(outputClosed_ ? 0 : POLLIN), 0};
    WaitForEvents(fd, std::min<std::chrono::nanoseconds>(kPollStep * 2, Until(deadline)), stop_);
  }
  return true;
}

std::string EngineProcess::ExitDescription() const {
  if (!reaped_) return "still running";
  if (WIFEXITED(status_)) return "exit status " + std::to_string(WEXITSTATUS(status_));
  if (WIFSIGNALED(status_)) return "killed by signal " + std::to_string(WTERMSIG(status_));
  return "stopped";
}

void EngineProcess::Stop(std::chrono::milliseconds grace) {
  if (pid_ < 0 || stopped_) return;
  stopped_ = true;
  CloseFd(toEngine_);
  try {
    WaitExit(Clock::now() + grace);
  } catch (const Interrupted&) {
    // Stop waiting politely; the kill below still happens.
  } catch (const Stopped&) {
    // Likewise when another slot of the match failed.
  }
  if (!reaped_) {
    kill(-pid_, SIGKILL);  // the whole group: the shell and anything it started
    Reap();
  }
  CloseFd(fromEngine_);
  outputClosed_ = true;
}

}  // namespace Match
