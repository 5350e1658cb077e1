// Tactics: what each search leaves on the table, shot by shot. A dozen fixed positions of
// different kinds; for each, every release of a fine grid (draws to targets every 0.2 m across
// and 0.3 m along, in and in front of the house, and hits on every stone near the house at ten
// powers from 2 to 16 and nine offsets across it, all with both curls) is valued by its mean
// points for the side to move over noisy samples with fixed seeds. A shot that does not end the
// end is followed by the greedy policy of the "Strong" search for both sides to the end of the
// end (rollout_policy.h), so every value is the end's points under that continuation. The grid's
// ten best are valued again with more samples; the best of those is the grid's best. Then each
// search ("Primitive", "UCT", "Strong", one worker each, seeded) answers the position at the
// given think time and its choice is valued like the grid's best; the table shows the shortfall.
//
// Usage: tactics_bench [THINK_MS [GRID_FILE [--regrid]]]
//   THINK_MS: each search's time (default 5000); GRID_FILE: the cache of the grid's best values
//   (default lab/tactics_grid.txt in the current directory), computed and written when missing
//   or with --regrid.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <ostream>
#include <random>
#include <span>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "curling/game_state.h"
#include "curling/position_analysis.h"
#include "null_buffer.h"
#include "search/core/search_config.h"
#include "search/search_registry.h"
#include "search/strong/strong_search.h"
#include "shots/random.h"
#include "shots/shot_families.h"

namespace {

using Curling::CurlingGameState;

struct Position {
  std::string name;
  CurlingGameState state;
};

constexpr auto kX = static_cast<float>(Curling::kTeeX);
constexpr auto kY = static_cast<float>(Curling::kTeeY);

// A position at shot `shot` with `side` to move; `stones` fills the slots in order ({0, 0} leaves
// a slot empty). Slots of the parity of `shot` are the mover's.
Position Make(const char* name, int shot, bool side, std::vector<StonePosition> stones) {
  Position p{name, {}};
  p.state.shotNumber = shot;
  p.state.sideToMove = side;
  int slot = 0;
  for (const StonePosition& s : stones) p.state.stones[slot++] = s;
  return p;
}

std::vector<Position> Positions() {
  const StonePosition none{0.0f, 0.0f};
  // At shot 15 the mover (side 1) owns the odd slots; at shot 14 the mover (side 0) the even ones.
  return {
      Make("last, hammer, stone on the tee", 15, true, {{kX, kY}}),
      Make("last, hammer, empty house", 15, true, {}),
      Make("last, hammer, double", 15, true,
           {{kX - 0.5f, kY + 0.1f}, none, {kX + 0.45f, kY - 0.3f}}),
      Make("last, hammer, tap back", 15, true, {{kX, kY + 0.4f}, {kX + 0.1f, kY - 0.9f}}),
      Make("last, hammer, come around", 15, true, {{kX, kY + 2.6f}, none, {kX + 0.05f, kY - 0.1f}}),
      Make("last, hammer, crowded house", 15, true,
           {{kX - 0.2f, kY + 0.3f},
            {kX + 0.6f, kY - 0.2f},
            {kX + 0.3f, kY - 0.5f},
            {kX - 0.7f, kY + 0.6f},
            {kX - 0.1f, kY + 2.2f},
            {kX + 0.9f, kY + 0.9f},
            {kX + 0.2f, kY - 1.1f}}),
      Make("shot 14, no hammer, stone on the tee", 14, false, {none, {kX, kY}}),
      Make("shot 14, no hammer, guarded shot stone", 14, false,
           {{kX + 0.1f, kY + 0.2f}, {kX + 0.8f, kY - 0.4f}, {kX - 0.05f, kY + 2.8f}}),
      Make("shot 13, hammer, raise a short stone", 13, true,
           {{kX - 0.1f, kY - 0.2f}, {kX + 0.02f, kY + 2.0f}, {kX + 0.6f, kY + 0.5f}}),
      Make("shot 12, crowded house", 12, false,
           {{kX - 0.3f, kY + 0.2f},
            {kX + 0.2f, kY - 0.3f},
            {kX + 0.5f, kY + 0.6f},
            {kX - 0.6f, kY - 0.5f},
            {kX, kY + 2.7f},
            {kX - 0.4f, kY + 2.3f},
            none,
            {kX + 0.9f, kY + 0.1f},
            {kX - 0.9f, kY + 1.0f},
            {kX + 0.1f, kY + 1.5f},
            none,
            {kX + 0.35f, kY - 0.9f}}),
      Make("shot 11, hammer, two stones to clear", 11, true,
           {{kX + 0.2f, kY + 0.1f}, none, {kX - 0.4f, kY - 0.4f}, none, {kX + 0.6f, kY + 2.5f}}),
      Make("shot 2, early end, centre guard", 2, false, {{kX, kY + 3.0f}, {kX + 0.3f, kY - 0.4f}}),
  };
}

// Every release of the grid for `state`.
std::vector<ShotVelocity> Grid(const CurlingGameState& state) {
  std::vector<ShotVelocity> grid;
  for (const bool curl : {true, false}) {
    for (int i = -9; i <= 9; ++i) {
      for (int j = -6; j <= 14; ++j) {
        ShotVelocity v{};
        if (CreateShot(ShotTarget{kX + 0.2f * i, kY + 0.3f * j, curl}, &v) == 0) grid.push_back(v);
      }
    }
    for (const StonePosition& stone : Curling::StonesInPlay(state)) {
      if (Curling::DistanceToTee(stone.x, stone.y) > 5.0f) continue;
      for (const float power : {2.0f, 3.0f, 4.0f, 5.0f, 6.0f, 8.0f, 10.0f, 12.0f, 14.0f, 16.0f}) {
        for (int k = -4; k <= 4; ++k) {
          ShotVelocity v{};
          if (CreateHitShot(ShotTarget{stone.x + 0.05f * k, stone.y, curl}, power, &v) == 0) {
            grid.push_back(v);
          }
        }
      }
    }
  }
  return grid;
}

// Mean points of `release` over `samples` seeds, the same seeds for every release (common random
// numbers make the comparison sharper).
double Value(const CurlingGameState& state, const ShotVelocity& release, int samples,
             std::uint32_t seed) {
  std::mt19937 rng(seed);
  double sum = 0.0;
  for (int i = 0; i < samples; ++i) {
    ShotVelocity executed{};
    sum += Curling::SampleRelease(state, release, rng, Curling::FittedEndEvaluator(),
                                  Curling::Objective::kPoints, executed);
  }
  return sum / samples;
}

constexpr int kGridSamples = 48;
constexpr int kFinalSamples = 600;
constexpr std::uint32_t kGridSeed = 101;
constexpr std::uint32_t kFinalSeed = 202;

double GridBest(const Position& p) {
  const std::vector<ShotVelocity> grid = Grid(p.state);
  std::vector<std::pair<double, std::size_t>> values;
  for (std::size_t i = 0; i < grid.size(); ++i) {
    values.emplace_back(Value(p.state, grid[i], kGridSamples, kGridSeed), i);
  }
  std::sort(values.begin(), values.end(), [](const auto& a, const auto& b) {
    return a.first > b.first || (a.first == b.first && a.second < b.second);
  });
  double best = -100.0;
  for (std::size_t k = 0; k < std::min<std::size_t>(10, values.size()); ++k) {
    best = std::max(best, Value(p.state, grid[values[k].second], kFinalSamples, kFinalSeed));
  }
  std::fprintf(stderr, "grid: %-42s %zu releases, best %.3f\n", p.name.c_str(), grid.size(), best);
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const long thinkMs = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 5000;
  const std::string gridFile = argc > 2 ? argv[2] : "lab/tactics_grid.txt";
  const bool regrid = argc > 3 && std::strcmp(argv[3], "--regrid") == 0;
  if (thinkMs <= 0) {
    std::fprintf(stderr, "usage: tactics_bench [THINK_MS [GRID_FILE [--regrid]]]\n");
    return 2;
  }
  const std::vector<Position> positions = Positions();

  std::map<std::string, double> best;
  if (!regrid) {
    std::ifstream in(gridFile);
    std::string line;
    while (std::getline(in, line)) {
      const std::size_t bar = line.rfind('|');
      if (line.empty() || line[0] == '#' || bar == std::string::npos) continue;
      best[line.substr(0, bar)] = std::strtod(line.c_str() + bar + 1, nullptr);
    }
  }
  bool missing = false;
  for (const Position& p : positions) missing = missing || best.count(p.name) == 0;
  if (missing) {
    std::ofstream out(gridFile);
    out << "# Best grid value of each tactics position (points for the side to move), written by\n"
           "# lab/tactics --regrid, that is build/release/lab/tactics_bench THINK_MS "
        << gridFile << " --regrid\n";
    for (const Position& p : positions) {
      best[p.name] = GridBest(p);
      out << p.name << '|' << best[p.name] << '\n';
    }
  }

  NullBuffer nullBuffer;
  std::ostream nullLog(&nullBuffer);
  const std::span<const Curling::SearchEntry> searches = Curling::Searches();
  std::printf(
      "Shortfall from the grid's best, points for the side to move, %ld ms a search, one "
      "worker\n",
      thinkMs);
  std::printf("%-42s | %6s | %9s | %9s | %9s\n", "position", "grid", "Primitive", "UCT", "Strong");
  double totals[3] = {0.0, 0.0, 0.0};
  Curling::SeedProcessGenerator(1);
  for (const Position& p : positions) {
    std::printf("%-42s | %6.3f", p.name.c_str(), best[p.name]);
    for (int s = 0; s < 3; ++s) {
      // One seeded worker, playing for the end's points (what the grid is valued by).
      Curling::SearchConfig config{nullLog, {.limitMs = thinkMs, .workers = 1, .seeded = true}};
      config.objective = Curling::Objective::kPoints;
      const Curling::SearchResult result = searches[s].driver(p.state, config);
      const double value = Value(p.state, result.best.shot.velocity, kFinalSamples, kFinalSeed);
      const double shortfall = best[p.name] - value;
      totals[s] += shortfall;
      std::printf(" | %9.3f", shortfall);
      std::fflush(stdout);
    }
    std::printf("\n");
  }
  std::printf("%-42s | %6s | %9.3f | %9.3f | %9.3f\n", "mean", "",
              totals[0] / static_cast<double>(positions.size()),
              totals[1] / static_cast<double>(positions.size()),
              totals[2] / static_cast<double>(positions.size()));
  return 0;
}
