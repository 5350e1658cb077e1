#include "engine_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>

extern char** environ;

namespace E2E {
namespace {

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() < 0 ? 0 : static_cast<int>(left.count());
}

}  // namespace

EngineProcess::EngineProcess(const std::string& path, const std::vector<std::string>& args,
                             const std::string& errorPath) {
  // A child that dies must fail the test through its results, not kill the test with SIGPIPE.
  ::signal(SIGPIPE, SIG_IGN);
  int in[2], out[2];
  if (::pipe2(in, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  if (::pipe2(out, O_CLOEXEC) != 0) {
    ::close(in[0]);
    ::close(in[1]);
    throw std::runtime_error("pipe failed");
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  if (!errorPath.empty()) {
    posix_spawn_file_actions_addopen(&actions, 2, errorPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
  }
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(path.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const int rc = ::posix_spawn(&pid_, path.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(in[0]);
  ::close(out[1]);
  input_ = in[1];
  output_fd_ = out[0];
  if (rc != 0) {
    pid_ = -1;
    reaped_ = true;
    throw std::runtime_error("cannot start " + path);
  }
  ::fcntl(output_fd_, F_SETFL, ::fcntl(output_fd_, F_GETFL) | O_NONBLOCK);
}

EngineProcess::~EngineProcess() {
  if (!reaped_) Kill();
  if (input_ >= 0) ::close(input_);
  if (output_fd_ >= 0) ::close(output_fd_);
}

bool EngineProcess::Collect(int waitMs) {
  if (output_fd_ < 0 || outputEnded_) {
    if (waitMs > 0) ::poll(nullptr, 0, waitMs);
    return !outputEnded_;
  }
  pollfd p{output_fd_, POLLIN, 0};
  if (::poll(&p, 1, waitMs) <= 0) return true;
  char buffer[4096];
  while (true) {
    const ssize_t n = ::read(output_fd_, buffer, sizeof buffer);
    if (n > 0) {
      output_.append(buffer, static_cast<std::size_t>(n));
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else if (n < 0 && errno == EAGAIN) {
      return true;
    } else {
      outputEnded_ = true;  // end of output, or the pipe broke
      return false;
    }
  }
}

bool EngineProcess::Send(std::string_view command, std::chrono::milliseconds timeout) {
  const Clock::time_point deadline = Clock::now() + timeout;
  while (!command.empty()) {  // one write; more only if the pipe took part of it
    const ssize_t n = ::write(input_, command.data(), command.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    command.remove_prefix(static_cast<std::size_t>(n));
  }
  while (true) {
    int pending = 0;
    if (::ioctl(input_, FIONREAD, &pending) != 0) return false;
    if (pending == 0) return true;
    if (RemainingMs(deadline) == 0) return false;
    // Keep the child's output flowing so that it never blocks on a full pipe; a child that has
    // closed its output will not read its input either.
    if (!Collect(1)) return false;
  }
}

bool EngineProcess::WaitForOutput(std::string_view expected, std::size_t from,
                                  std::chrono::milliseconds timeout) {
  const Clock::time_point deadline = Clock::now() + timeout;
  while (true) {
    if (output_.size() >= from && output_.find(expected, from) != std::string::npos) return true;
    if (RemainingMs(deadline) == 0) return false;
    if (!Collect(std::min(RemainingMs(deadline), 100))) {
      return output_.size() >= from && output_.find(expected, from) != std::string::npos;
    }
  }
}

ExitResult EngineProcess::Finish(std::chrono::milliseconds timeout) {
  const Clock::time_point deadline = Clock::now() + timeout;
  if (input_ >= 0) {
    ::close(input_);
    input_ = -1;
  }
  ExitResult result;
  while (RemainingMs(deadline) > 0 && output_fd_ >= 0 &&
         Collect(std::min(RemainingMs(deadline), 100))) {
  }
  while (!reaped_) {
    int status = 0;
    const pid_t r = ::waitpid(pid_, &status, WNOHANG);
    if (r == pid_) {
      reaped_ = true;
      result.exited = WIFEXITED(status);
      result.status = WIFEXITED(status) ? WEXITSTATUS(status) : WTERMSIG(status);
      break;
    }
    if (r < 0 && errno != EINTR) break;
    if (RemainingMs(deadline) == 0) {
      Kill();
      result.timedOut = true;
      break;
    }
    Collect(std::min(RemainingMs(deadline), 10));
  }
  return result;
}

void EngineProcess::CloseOutput() {
  if (output_fd_ >= 0) ::close(output_fd_);
  output_fd_ = -1;
}

void EngineProcess::Kill() {
  if (pid_ > 0 && !reaped_) {
    ::kill(pid_, SIGKILL);
    int status;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    reaped_ = true;
  }
}

}  // namespace E2E
