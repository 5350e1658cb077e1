#pragma once

#include <functional>
#include <future>

namespace Curling {

// Starts the tasks of a search's workers. The search hands each worker's task to Launch, in worker
// order, before it awaits any of them; the task already holds its own copies of what it works on
// and keeps its result itself. An interface so that tests can refuse threads or make a worker
// fail, whatever the search.
class WorkerLauncher {
 public:
  virtual ~WorkerLauncher() = default;

  // Starts `task` (worker number `worker`, 0 first) on a thread of its own and returns its future,
  // which rethrows what the task threw. Throws (std::system_error) when the system refuses the
  // thread; the task then never runs.
  virtual std::future<void> Launch(int worker, std::function<void()> task) const = 0;
};

// The engine's launcher: std::async with std::launch::async, one new thread per worker.
const WorkerLauncher& AsyncWorkerLauncher();

}  // namespace Curling
