#include "search/core/worker_launcher.h"

#include <utility>

namespace Curling {

namespace {

// Every task on a thread of its own, at once.
class AsyncLauncher final : public WorkerLauncher {
 public:
  std::future<void> Launch(int /*worker*/, std::function<void()> task) const override {
    return std::async(std::launch::async, std::move(task));
  }
};

}  // namespace

const WorkerLauncher& AsyncWorkerLauncher() {
  static const AsyncLauncher launcher;
  return launcher;
}

}  // namespace Curling
