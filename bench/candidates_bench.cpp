// Cost of the shot model on the search's hot path: building a candidate list (every playout shot
// builds one), selecting among children and copying a root for a worker. Heap allocations per
// operation are counted through the global operator new, so a needless allocation shows up as a
// changed "allocs" figure. The simulator library linked in decides the per-candidate call cost.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <ostream>
#include <streambuf>

#include "curling/game_state.h"
#include "null_buffer.h"
#include "search/tree/tree.h"
#include "shots/candidate_list.h"
#include "shots/random.h"

namespace {

std::atomic<std::uint64_t> allocations{0};

Curling::CurlingGameState EmptySheet() {
  Curling::CurlingGameState state;
  state.shotNumber = 3;
  return state;
}

// Shot 14 of an end, side 0 behind by one: class 9, every family that repeats runs twice or more.
// Six stones in the house and two outside it give 118 candidates.
Curling::CurlingGameState CrowdedHouse() {
  Curling::CurlingGameState state;
  state.shotNumber = 14;
  state.endScores[0] = -1;
  const StonePosition stones[] = {{2.375f, 4.88f}, {2.0f, 4.5f}, {2.8f, 5.2f}, {1.7f, 5.6f},
                                  {3.1f, 4.1f},    {2.4f, 6.3f}, {2.3f, 8.0f}, {2.6f, 7.6f}};
  int slot = 0;
  for (const StonePosition& stone : stones) state.stones[slot++] = stone;
  return state;
}

void BuildList(benchmark::State& bench, const Curling::CurlingGameState& state) {
  NullBuffer buffer;
  std::ostream log(&buffer);
  std::size_t size = 0;
  const std::uint64_t before = allocations.load();
  for (auto _ : bench) {
    Curling::CandidateList list = Curling::BuildCandidateList(state, log);
    size = list.size();
    benchmark::DoNotOptimize(list.data());
  }
  const auto iterations = static_cast<double>(bench.iterations());
  bench.counters["candidates"] = static_cast<double>(size);
  bench.counters["allocs"] = static_cast<double>(allocations.load() - before) / iterations;
  bench.counters["ns_per_candidate"] =
      benchmark::Counter(static_cast<double>(size) * iterations,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_BuildCandidateList_EmptySheet(benchmark::State& bench) {
  BuildList(bench, EmptySheet());
}
BENCHMARK(BM_BuildCandidateList_EmptySheet);

void BM_BuildCandidateList_CrowdedHouse(benchmark::State& bench) {
  BuildList(bench, CrowdedHouse());
}
BENCHMARK(BM_BuildCandidateList_CrowdedHouse);

void BM_SelectChild(benchmark::State& bench) {
  NullBuffer buffer;
  std::ostream log(&buffer);
  Curling::Node root;
  Curling::AppendChildren(root, Curling::BuildCandidateList(CrowdedHouse(), log));
  // Half visited, half not: both ranking paths run.
  for (std::size_t i = 0; i < root.children.size(); i += 2) {
    Curling::UCTState& stats = root.children[i].value.stats;
    Curling::RecordReward(stats, static_cast<int>(i % 5) - 2);
    stats.playouts = stats.visits;
  }
  std::mt19937 rng(1);
  for (auto _ : bench) benchmark::DoNotOptimize(&Curling::SelectChild(root, rng));
  bench.counters["children"] = static_cast<double>(root.children.size());
}
BENCHMARK(BM_SelectChild);

void BM_CopyRoot(benchmark::State& bench) {
  NullBuffer buffer;
  std::ostream log(&buffer);
  Curling::Node root;
  Curling::AppendChildren(root, Curling::BuildCandidateList(CrowdedHouse(), log));
  const std::uint64_t before = allocations.load();
  for (auto _ : bench) {
    Curling::Node copy = root;
    benchmark::DoNotOptimize(copy.children.data());
  }
  bench.counters["allocs"] =
      static_cast<double>(allocations.load() - before) / static_cast<double>(bench.iterations());
  bench.counters["node_bytes"] = sizeof(Curling::Node);
}
BENCHMARK(BM_CopyRoot);

}  // namespace

// The counting operator new below pairs malloc with free on purpose; GCC's inliner sees the pair
// through the replaced operators and mistakes it for a mismatch.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}

BENCHMARK_MAIN();
