#pragma once

#include <exception>
#include <functional>
#include <future>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "search/tree.h"

namespace Curling {

// Starts the tasks of a search's workers. The search hands each worker's task to Launch, in worker
// order, before it awaits any of them; the task already holds its own copies of the position and
// of the root. An interface so that tests can refuse threads or make a worker fail.
class WorkerLauncher {
 public:
  virtual ~WorkerLauncher() = default;

  // Starts `task` (worker number `worker`, 0 first) on a thread of its own and returns the future
  // of its root. Throws (std::system_error) when the system refuses the thread; the task then
  // never runs.
  virtual std::future<Node> Launch(int worker, std::function<Node()> task) const = 0;
};

// The engine's launcher: std::async with std::launch::async, one new thread per worker.
const WorkerLauncher& AsyncWorkerLauncher();

// How the workers of a search went: how many ran, how many of those ended in an exception, and
// the first exception's text.
struct WorkerOutcome {
  int ran = 0;
  int failed = 0;
  std::string firstFailure;
};

// The policy every search runs its workers by. `launch(i)` starts worker i and returns its future
// (it may throw when the system refuses the thread: that worker does not run); all `count` are
// launched before any is awaited. They are awaited in order and each result handed to `merge` at
// once. When none could start, `runHere(0)` runs worker 0 on this thread, so that the search takes
// one time limit however many threads were refused. A worker that ends in an exception is left
// out and counted.
template <class Result, class Launch, class RunHere, class Merge>
WorkerOutcome RunWorkerTasks(int count, Launch launch, RunHere runHere, Merge merge) {
  std::vector<std::future<Result>> started;
  started.reserve(static_cast<std::size_t>(count > 0 ? count : 0));
  for (int i = 0; i < count; ++i) {
    try {
      started.push_back(launch(i));
    } catch (const std::exception&) {
      // Refused: this worker does not run.
    }
  }
  WorkerOutcome outcome;
  const auto mergeOne = [&](auto&& await) {
    try {
      merge(await());
    } catch (const std::exception& error) {
      if (outcome.failed++ == 0) outcome.firstFailure = error.what();
    } catch (...) {
      if (outcome.failed++ == 0) outcome.firstFailure = "unknown exception";
    }
  };
  for (std::future<Result>& future : started) mergeOne([&future] { return future.get(); });
  outcome.ran = static_cast<int>(started.size());
  if (outcome.ran == 0 && count > 0) {
    mergeOne([&] { return runHere(0); });
    outcome.ran = 1;
  }
  return outcome;
}

// The diagnostic lines of RunWorkerTasks' outcome, written only when something went wrong:
// "search workers ran: R of N" and "search workers failed: F of R: <what>".
inline void ReportWorkers(const WorkerOutcome& outcome, int count, std::ostream& log) {
  if (outcome.ran < count) {
    log << "search workers ran: " << outcome.ran << " of " << count << std::endl;
  }
  if (outcome.failed > 0) {
    log << "search workers failed: " << outcome.failed << " of " << outcome.ran << ": "
        << outcome.firstFailure << std::endl;
  }
}

}  // namespace Curling
