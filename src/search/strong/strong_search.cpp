#include "search/strong/strong_search.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <ostream>

#include "curling/position_analysis.h"
#include "curling/sheet.h"
#include "search/core/search_workers.h"
#include "search/strong/rollout_policy.h"
#include "shots/candidate_list.h"
#include "shots/random.h"
#include "shots/shot_families.h"

namespace Curling {

namespace {

// Draw targets: offsets from the tee across and along the sheet (positive along: in front of the
// tee, toward the thrower, where guards stand).
constexpr double kDrawAcross[] = {-0.8, 0.0, 0.8};
constexpr double kDrawAlong[] = {-1.0, -0.4, 0.0, 0.4, 1.0, 2.6};

// Hit powers, and the offsets across the stone of the firmer hits (to roll left or right).
constexpr int kHitPowers[] = {3, 5, 8, 16};
constexpr double kHitOffsets[] = {-0.1, 0.1};

// A stone is worth hitting when it lies this close to the tee (the house and its guards).
constexpr double kHitReach = 5.0;

// Root arms kept after the screen: a search of 500 ms gets a few hundred samples early in an end,
// too few to tell apart the two or three hundred releases of a crowded house.
constexpr std::size_t kScreenedArms = 32;

// A release proposed at the root before the screen.
struct Proposal {
  ShotVelocity release;
  std::string label;
  double power;
};

// Refinement: once the arms have three samples each, every this many samples (or as many as
// there are arms, if more), around this many leaders, this far (error units).
constexpr std::uint64_t kRefineEvery = 96;
constexpr std::size_t kRefineLeaders = 3;
constexpr std::size_t kMaxRefinedArms = 240;

void AddDraw(std::vector<Proposal>& list, double x, double y, bool curl, const char* label) {
  ShotVelocity release{};
  if (CreateShot(ShotTarget{static_cast<float>(x), static_cast<float>(y), curl}, &release) == 0) {
    list.push_back(Proposal{release, label, kDrawPower});
  }
}

void AddHit(std::vector<Proposal>& list, double x, double y, bool curl, int power,
            const char* label) {
  ShotVelocity release{};
  if (CreateHitShot(ShotTarget{static_cast<float>(x), static_cast<float>(y), curl},
                    static_cast<float>(power), &release) == 0) {
    list.push_back(Proposal{release, label, static_cast<double>(power)});
  }
}

// One worker's bandit, run on its own generator until its budget or its playout limit is spent.
KernelBandit RunWorker(const CurlingGameState& state, KernelBandit bandit,
                       const SearchConfig& config, const Evaluator& evaluator,
                       Objective objective) {
  std::mt19937 rng = WorkerGenerator(config);
  StopRule stop(config);
  // The samples are kept for the arms refinement adds, within the worker's share of the memory.
  bandit.LimitStore(WorkerMemoryBytes(config.settings));
  std::size_t refined = 0;
  std::uint64_t taken = 0;
  const int lookAhead = LookAheadShots(state);
  while (!bandit.Arms().empty() && stop.GoOn()) {
    const std::size_t arm = bandit.Select();
    ShotVelocity executed{};
    const double value = SampleRelease(state, bandit.Arms()[arm].release, rng, evaluator, objective,
                                       executed, lookAhead);
    bandit.Record(arm, executed, value);
    ++taken;
    stop.CountIteration();
    const std::uint64_t arms = bandit.Arms().size();
    if (taken >= 3 * arms && taken % std::max(kRefineEvery, arms) == 0 &&
        refined < kMaxRefinedArms) {
      // Halve the step as the search goes on: first around the leaders, then close to them.
      const double step = refined < kMaxRefinedArms / 2 ? 1.0 : 0.5;
      refined += bandit.Refine(kRefineLeaders, step);
      // No arm is added after the last refinement: the store is not read again.
      if (refined >= kMaxRefinedArms) bandit.LimitStore(0);
    }
  }
  return bandit;
}

}  // namespace

int LookAheadShots(const CurlingGameState& state) {
  return state.shotNumber >= kFullLookAheadFrom ? kShotsPerEnd : kMidEndLookAhead;
}

KernelBandit StrongRootArms(const CurlingGameState& state, std::ostream& log) {
  std::vector<Proposal> proposals;
  for (const Node& node : BuildCandidateList(state, log)) {
    const CurlingMoveState& shot = node.value.shot;
    proposals.push_back(Proposal{shot.velocity, shot.label, shot.power});
  }
  for (const bool curl : {true, false}) {
    for (const double along : kDrawAlong) {
      for (const double across : kDrawAcross) {
        AddDraw(proposals, kTeeX + across, kTeeY + along, curl, "DRAW");
      }
    }
  }
  for (const StonePosition& stone : StonesInPlay(state)) {
    if (DistanceToTee(stone.x, stone.y) > kHitReach) continue;
    for (const bool curl : {true, false}) {
      for (const int power : kHitPowers) {
        AddHit(proposals, stone.x, stone.y, curl, power, "HIT");
        if (power < 16) continue;
        for (const double offset : kHitOffsets) {
          AddHit(proposals, stone.x + offset, stone.y, curl, power, "HIT");
        }
      }
    }
  }
  // The screen: each proposal played once without noise and valued by ScreenEvaluator; the best
  // kScreenedArms become the arms, in the order they were proposed.
  std::vector<std::pair<double, std::size_t>> screened;
  for (std::size_t i = 0; i < proposals.size(); ++i) {
    CurlingGameState after = state;
    if (Simulation(after.Record(), proposals[i].release, 0.0f, nullptr, 0) != 0) continue;
    screened.emplace_back(
        ScreenEvaluator().Value(state, after, SideToMove(state), Objective::kPoints), i);
  }
  const std::size_t keep = std::min(kScreenedArms, screened.size());
  std::partial_sort(screened.begin(), screened.begin() + static_cast<std::ptrdiff_t>(keep),
                    screened.end(), [](const auto& a, const auto& b) {
                      return a.first > b.first || (a.first == b.first && a.second < b.second);
                    });
  screened.resize(keep);
  std::sort(screened.begin(), screened.end(),
            [](const auto& a, const auto& b) { return a.second < b.second; });
  KernelBandit bandit;
  for (const auto& [value, index] : screened) {
    bandit.AddArm(proposals[index].release, proposals[index].label, proposals[index].power);
  }
  return bandit;
}

double SampleRelease(const CurlingGameState& state, const ShotVelocity& release, std::mt19937& rng,
                     const Evaluator& evaluator, Objective objective, ShotVelocity& executed,
                     int lookAhead) {
  const int side = SideToMove(state);
  CurlingGameState after = state;
  executed = release;
  if (Simulation(after.Record(), release, kSimulationNoise, &executed, DrawSimulationSeed(rng)) !=
      0) {
    return evaluator.Value(state, state, side, objective);
  }
  if (after.shotNumber != 0) after = PlayOutEnd(after, rng, lookAhead);
  return evaluator.Value(state, after, side, objective);
}

SearchResult StrongSearch(const CurlingGameState& state, const SearchConfig& config) {
  // Points approximate the chance of winning well while many ends remain; in the last two ends the
  // table's values differ from them (a blank end or a single point with the hammer, a lead to
  // defend), and the search plays for the game.
  const bool lateGame = state.endNumber >= kEndSlots - kGameValueEnds;
  const Objective objective =
      config.objective.value_or(lateGame ? Objective::kGame : Objective::kPoints);
  KernelBandit root = StrongRootArms(state, config.log);
  if (root.Arms().empty()) return SearchResult{0, 0, FallbackShot()};
  const std::size_t shared = root.Arms().size();
  const Evaluator& evaluator =
      config.settings.evaluator ? *config.settings.evaluator : FittedEndEvaluator();
  // The first worker merged (in worker order) keeps its refined arms; the others add their shared
  // arms into it.
  std::optional<KernelBandit> merged;
  RunSearchWorkers(
      config, std::max(config.settings.workers, 1),
      [&](const SearchConfig& workerConfig) {
        return [&state, copy = root, &workerConfig, &evaluator, objective]() mutable {
          return RunWorker(state, std::move(copy), workerConfig, evaluator, objective);
        };
      },
      [&](KernelBandit&& bandit) {
        if (merged) {
          merged->MergeShared(bandit, shared);
        } else {
          merged.emplace(std::move(bandit));
        }
      });
  if (!merged) return SearchResult{static_cast<std::int32_t>(shared), 0, FallbackShot()};

  const Arm& arm = merged->Arms()[merged->Best()];
  ChosenShot best;
  best.shot.velocity = arm.release;
  best.shot.target = ShotTarget{0.0f, 0.0f, arm.release.curl};
  best.shot.label = arm.label;
  best.shot.power = arm.power;
  best.samples = arm.pulls;
  best.total = arm.value;
  best.mean = arm.Mean();
  const auto samples = static_cast<std::uint32_t>(
      std::min<std::uint64_t>(merged->Samples(), std::numeric_limits<std::uint32_t>::max()));
  config.log << "strong samples " << samples << " arms " << merged->Arms().size() << " best "
             << arm.label << " power " << arm.power << " mean " << arm.Mean() << " weight "
             << arm.weight << std::endl;
  return SearchResult{static_cast<std::int32_t>(merged->Arms().size()), samples, best};
}

}  // namespace Curling
