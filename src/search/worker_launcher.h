#pragma once

#include <functional>
#include <future>

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

}  // namespace Curling
