// How a search copes with its threads: refused, failing, or running at the same time.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <new>
#include <sstream>
#include <system_error>
#include <thread>

#include "search/strong/strong_search.h"
#include "search/tree/tree_search.h"
#include "search/tree/workers.h"
#include "search_test_support.h"

namespace Curling {
namespace {

using Testing::CheckTree;
using Testing::RootWithChildren;
using Testing::StepConfig;

// Launches as the engine does, except that it refuses the thread of every worker whose bit is set
// in `refused` and replaces the task of every worker whose bit is set in `failing` with one that
// throws std::bad_alloc.
class ScriptedLauncher final : public WorkerLauncher {
 public:
  ScriptedLauncher(unsigned refused, unsigned failing) : refused_(refused), failing_(failing) {}

  std::future<void> Launch(int worker, std::function<void()> task) const override {
    if ((refused_ >> worker) & 1u) {
      throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    }
    if ((failing_ >> worker) & 1u) task = [] { throw std::bad_alloc(); };
    return AsyncWorkerLauncher().Launch(worker, std::move(task));
  }

 private:
  unsigned refused_;
  unsigned failing_;
};

// "Primitive" and "Strong" on the empty sheet: each worker that runs adds its simulations or
// samples; a search whose every worker failed answers the draw to the tee.
TEST(WorkerLaunchTest, RefusedAndFailingWorkersLeaveTheOthersMergedAndAreReported) {
  struct Case {
    unsigned refused;
    unsigned failing;
    unsigned merged;  // workers whose statistics reach the root
    const char* log;
  };
  const Case cases[] = {
      {0b0000, 0b0000, 4, ""},
      {0b1010, 0b0000, 2, "search workers ran: 2 of 4\n"},
      {0b1111, 0b0000, 1, "search workers ran: 1 of 4\n"},  // one, on the awaiting thread
      {0b0000, 0b0100, 3, "search workers failed: 1 of 4: std::bad_alloc\n"},
      {0b0011, 0b1000, 1,
       "search workers ran: 2 of 4\nsearch workers failed: 1 of 2: std::bad_alloc\n"},
      {0b0000, 0b1111, 0, "search workers failed: 4 of 4: std::bad_alloc\n"},
  };
  for (const Case& c : cases) {
    std::ostringstream log;
    const ScriptedLauncher launcher(c.refused, c.failing);
    const SearchResult result = PrimitiveSearch(CurlingGameState{}, StepConfig(log, 3, launcher));
    EXPECT_EQ(result.candidateCount, 14) << c.log;
    EXPECT_EQ(result.playoutCount, 3 * c.merged) << c.log;
    EXPECT_EQ(log.str(), c.log);
    // "Strong" runs its workers the same way: 2 samples each, the same lines before its own.
    std::ostringstream strongLog;
    const SearchResult strong =
        StrongSearch(CurlingGameState{}, StepConfig(strongLog, 3, launcher));
    EXPECT_EQ(strong.playoutCount, 2 * c.merged) << c.log;
    EXPECT_EQ(strongLog.str().substr(0, std::string(c.log).size()), c.log);
    for (const SearchResult& r : {result, strong}) {
      if (c.merged > 0) continue;
      EXPECT_EQ(r.best.shot.label, FallbackShot().shot.label);
      EXPECT_EQ(r.best.shot.target.y, FallbackShot().shot.target.y);
    }
  }
}

// A step clock whose first reading on each thread waits until `parties` threads have made theirs
// (or until `timeout`, after which the barrier counts as broken and nobody waits any more).
class BarrierClock final : public TickClock {
 public:
  BarrierClock(int parties, std::chrono::seconds timeout) : parties_(parties), timeout_(timeout) {}

  std::int64_t Now() const override {
    std::unique_lock<std::mutex> lock(mutex_);
    const auto [entry, first] = ticks_.try_emplace(std::this_thread::get_id(), 0);
    if (first) {
      ++arrived_;
      allArrived_.notify_all();
      if (!allArrived_.wait_for(lock, timeout_, [this] { return arrived_ >= parties_ || broken_; }))
        broken_ = true;
    }
    return entry->second += kTicksPerMillisecond;
  }

  bool Broken() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return broken_;
  }

 private:
  const int parties_;
  const std::chrono::seconds timeout_;
  mutable std::mutex mutex_;
  mutable std::condition_variable allArrived_;
  mutable std::map<std::thread::id, std::int64_t> ticks_;  // node-based: entries stay put
  mutable int arrived_ = 0;
  mutable bool broken_ = false;
};

// Every worker's first step is its budget's first reading, which waits for the other three: the
// search only gets past it when the four run at the same time. Workers run one after another
// would leave the first waiting alone until the timeout.
TEST(WorkerLaunchTest, TheFourWorkersRunAtTheSameTime) {
  const BarrierClock clock(kSearchWorkers, std::chrono::seconds(20));
  CurlingGameState state;
  state.shotNumber = 15;
  std::ostringstream log;
  const Node root =
      ParallelSearch(state, RootWithChildren(4), PrimitiveWorker,
                     SearchConfig{.log = log, .settings = {.limitMs = 3}, .clock = clock});
  EXPECT_FALSE(clock.Broken()) << "the workers did not all run at once";
  EXPECT_EQ(CheckTree(root, 12), "");
}

}  // namespace
}  // namespace Curling
