// The two search drivers on fixed positions: an empty sheet at shot 0, a mid-end position at shot
// 7, a crowded house at shot 14 and the last shot of an end. For each search it prints the
// candidates, playoutCount (simulations for "Primitive", iterations for "UCT"), simulations per
// second per worker and per CPU-second (per core: the machine may run fewer cores than workers),
// and the process's peak resident memory so far. A second table splits the cost of one
// simulation at each position: the simulator call on a copy of the state, and the candidate list
// that every playout shot builds.
//
// Usage: search_bench [time limit per worker in ms, default 5000] [primitive|uct|hot|all]
//                     [position 0 to 3]
// (the last two arguments run one section or one position only, for profiling)
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

#include "curling/game_state.h"
#include "null_buffer.h"
#include "search/core/search_config.h"
#include "search/search_registry.h"
#include "search/tree/playout.h"
#include "search/tree/tree_search.h"
#include "shots/candidate_list.h"

namespace {

using Curling::CurlingGameState;

struct Position {
  const char* name;
  CurlingGameState state;
};

CurlingGameState WithStones(int shotNumber, bool sideToMove, std::vector<StonePosition> stones) {
  CurlingGameState state;
  state.shotNumber = shotNumber;
  state.endNumber = 4;
  state.endScores[0] = 1;
  state.endScores[1] = -2;
  state.endScores[2] = 0;
  state.endScores[3] = 1;
  state.sideToMove = sideToMove;
  int slot = 0;
  for (const StonePosition& stone : stones) state.stones[slot++] = stone;
  return state;
}

std::vector<Position> Positions() {
  return {
      {"empty sheet, shot 0", WithStones(0, false, {})},
      {"mid-end, shot 7", WithStones(7, true,
                                     {{2.2f, 7.9f},
                                      {2.5f, 4.6f},
                                      {0.0f, 0.0f},
                                      {1.8f, 5.3f},
                                      {2.9f, 8.4f},
                                      {0.0f, 0.0f},
                                      {2.4f, 3.9f}})},
      {"crowded house, shot 14", WithStones(14, false,
                                            {{2.375f, 4.88f},
                                             {2.0f, 4.5f},
                                             {2.8f, 5.2f},
                                             {1.7f, 5.6f},
                                             {3.1f, 4.1f},
                                             {2.4f, 6.3f},
                                             {2.3f, 8.0f},
                                             {2.6f, 7.6f},
                                             {1.5f, 4.0f},
                                             {3.3f, 5.5f},
                                             {0.0f, 0.0f},
                                             {2.1f, 3.5f},
                                             {2.7f, 3.2f},
                                             {1.9f, 7.2f}})},
      {"last shot of the end, shot 15", WithStones(15, true,
                                                   {{2.375f, 5.1f},
                                                    {2.0f, 4.5f},
                                                    {2.8f, 5.2f},
                                                    {0.0f, 0.0f},
                                                    {3.1f, 4.1f},
                                                    {2.4f, 6.3f},
                                                    {2.3f, 8.0f},
                                                    {0.0f, 0.0f},
                                                    {1.5f, 4.0f},
                                                    {3.3f, 5.5f},
                                                    {0.0f, 0.0f},
                                                    {2.1f, 3.5f},
                                                    {2.6f, 4.7f},
                                                    {1.9f, 7.2f},
                                                    {2.45f, 4.95f}})},
  };
}

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double PeakResidentMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB on Linux
}

using Seconds = std::chrono::duration<double>;

void RunSearch(const Curling::SearchEntry& search, const Position& position,
               const Curling::SearchConfig& config) {
  const double cpuBefore = CpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  const Curling::SearchResult result = search.driver(position.state, config);
  const double wall = Seconds(std::chrono::steady_clock::now() - start).count();
  const double cpu = CpuSeconds() - cpuBefore;
  const double count = static_cast<double>(result.playoutCount);
  std::printf("%-9s | %-30s | %5d | %9u | %8.0f | %8.0f | %6.2f | %5.2f | %8.1f | %s\n",
              std::string(search.label).c_str(), position.name, result.candidateCount,
              result.playoutCount, count / Curling::kSearchWorkers / wall,
              cpu > 0 ? count / cpu : 0.0, wall, cpu, PeakResidentMiB(),
              result.best.shot.label.c_str());
  std::fflush(stdout);
}

// CPU time of the calling thread, in seconds: unlike the wall clock, it does not count the time
// that other programs on a shared machine take from this one.
double ThreadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Average microseconds of CPU time of `op` over as many runs as fit in about `budget` seconds.
template <class Op>
double MicrosecondsPerCall(Op op, double budget) {
  const double start = ThreadCpuSeconds();
  long runs = 0;
  double elapsed = 0;
  do {
    for (int i = 0; i < 64; ++i) op();
    runs += 64;
    elapsed = ThreadCpuSeconds() - start;
  } while (elapsed < budget);
  return elapsed * 1e6 / static_cast<double>(runs);
}

void HotPath(const Position& position, std::ostream& log) {
  Curling::CandidateList list = Curling::BuildCandidateList(position.state, log);
  std::size_t next = 0;
  volatile int sink = 0;
  const double simulation = MicrosecondsPerCall(
      [&] {
        const CurlingGameState after =
            Curling::ApplyShot(position.state, list[next++ % list.size()].value.shot);
        sink = after.shotNumber;
      },
      0.5);
  const double candidates = MicrosecondsPerCall(
      [&] { sink = static_cast<int>(Curling::BuildCandidateList(position.state, log).size()); },
      0.5);
  std::printf("%-30s | %5zu | %10.2f | %12.2f | %10.2f\n", position.name, list.size(), simulation,
              candidates, candidates / static_cast<double>(list.size()));
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  const long long limitMs = argc > 1 ? std::atoll(argv[1]) : Curling::kSearchTimeLimitMs;
  const std::string section = argc > 2 ? argv[2] : "all";
  if (limitMs <= 0 ||
      (section != "all" && section != "hot" && Curling::FindSearch(section) == nullptr)) {
    std::fprintf(stderr, "usage: search_bench [limit ms > 0] [primitive|uct|strong|hot|all]\n");
    return 2;
  }
  const auto runs = [&section](std::string_view name) {
    return section == "all" || section == name;
  };
  NullBuffer buffer;
  std::ostream log(&buffer);
  const Curling::SearchConfig config{log, Curling::SearchSettings{.limitMs = limitMs}};
  std::vector<Position> positions = Positions();
  if (argc > 3) {
    const int index = std::atoi(argv[3]);
    if (index < 0 || index >= static_cast<int>(positions.size())) {
      std::fprintf(stderr, "position: 0 to %zu\n", positions.size() - 1);
      return 2;
    }
    positions = {positions[static_cast<std::size_t>(index)]};
  }

  std::printf("%d workers, %lld ms each\n\n", Curling::kSearchWorkers, limitMs);
  std::printf(
      "search    | position                       | cands | playouts  | /s/wkr   | /cpu-s   | "
      "wall s | cpu s | peak MiB | best\n");
  for (const Curling::SearchEntry& search : Curling::Searches()) {
    if (!runs(search.name)) continue;
    for (const Position& position : positions) RunSearch(search, position, config);
  }
  if (!runs("hot")) return 0;

  std::printf(
      "\nOne thread, CPU time: microseconds per simulator call (a candidate played on the "
      "position)\n"
      "and per candidate list of the position (built at every playout shot)\n\n");
  std::printf("position                       | cands | simulation | list build   | per cand\n");
  for (const Position& position : positions) HotPath(position, log);
  return 0;
}
