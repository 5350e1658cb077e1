#include "search/strong_search.h"

#include <algorithm>
#include <cmath>
#include <future>
#include <ostream>
#include <system_error>

#include "curling/position_analysis.h"
#include "search/game_value.h"
#include "search/playout.h"
#include "search/rollout_policy.h"
#include "shots/candidate_list.h"
#include "shots/random.h"
#include "shots/shot_families.h"

namespace Curling {

namespace {

// Draw targets: offsets from the tee across and along the sheet (positive along: in front of the
// tee, toward the thrower, where guards stand).
constexpr double kDrawAcross[] = {-1.2, -0.6, 0.0, 0.6, 1.2};
constexpr double kDrawAlong[] = {-1.2, -0.6, 0.0, 0.6, 1.2, 2.4, 3.4};

// Hit powers, and the offsets across the stone of the firmer hits (to roll left or right).
constexpr int kHitPowers[] = {3, 5, 8, 12, 16};
constexpr double kHitOffsets[] = {-0.1, 0.1};

// A stone is worth hitting when it lies this close to the tee (the house and its guards).
constexpr double kHitReach = 5.0;

// Refinement: every this many samples, around this many leaders, this far (error units).
constexpr std::uint64_t kRefineEvery = 96;
constexpr std::size_t kRefineLeaders = 3;
constexpr std::size_t kMaxRefinedArms = 240;

// The side that throws the last shot of the end `state` is in.
int HammerSide(const CurlingGameState& state) {
  const int toMove = state.SideByte() != 0 ? 1 : 0;
  return state.shotNumber % 2 == 1 ? toMove : 1 - toMove;
}

void AddDraw(KernelBandit& bandit, double x, double y, bool curl, const char* label) {
  ShotVelocity release{};
  if (CreateShot(ShotTarget{static_cast<float>(x), static_cast<float>(y), curl}, &release) == 0) {
    bandit.AddArm(release, label, kDrawPower);
  }
}

void AddHit(KernelBandit& bandit, double x, double y, bool curl, int power, const char* label) {
  ShotVelocity release{};
  if (CreateHitShot(ShotTarget{static_cast<float>(x), static_cast<float>(y), curl},
                    static_cast<float>(power), &release) == 0) {
    bandit.AddArm(release, label, power);
  }
}

// One worker's bandit, run on its own generator until its budget or its playout limit is spent.
KernelBandit RunWorker(const CurlingGameState& state, KernelBandit bandit,
                       const SearchConfig& config, StrongObjective objective) {
  std::mt19937 rng = config.workerSeed ? std::mt19937(*config.workerSeed) : SeedWorkerGenerator();
  const TimeBudget budget(config.clock, config.limitMs);
  std::size_t refined = 0;
  std::uint64_t taken = 0;
  while (!bandit.Arms().empty()) {
    if (config.playoutLimit) {
      if (taken >= *config.playoutLimit) break;
    } else if (budget.Remaining() <= 0) {
      break;
    }
    const std::size_t arm = bandit.Select();
    ShotVelocity executed{};
    const double value = SampleRelease(state, bandit.Arms()[arm].release, rng, objective, executed);
    bandit.Record(arm, executed, value);
    ++taken;
    if (taken % kRefineEvery == 0 && taken >= bandit.Arms().size() && refined < kMaxRefinedArms) {
      // Halve the step as the search goes on: first around the leaders, then close to them.
      const double step = refined < kMaxRefinedArms / 2 ? 1.0 : 0.5;
      refined += bandit.Refine(kRefineLeaders, step);
    }
  }
  return bandit;
}

}  // namespace

double OutcomeValue(const CurlingGameState& before, const CurlingGameState& closed,
                    StrongObjective objective) {
  const int side = before.SideByte() != 0 ? 1 : 0;
  const int points = EndScoreFor(before, closed, side);
  if (objective == StrongObjective::kPoints) return points;
  const int endsLeft = kEndSlots - std::clamp(before.endNumber, 0, kEndSlots - 1) - 1;
  const int lead = LeadOf(before, side);
  const bool hammerNow = HammerSide(before) == side;
  // The scorer gives up the hammer; after a blank end it stays.
  const bool hammerNext = points > 0 ? false : (points < 0 ? true : hammerNow);
  return WinProbability(endsLeft, lead + points, hammerNext) -
         WinProbability(endsLeft, lead, hammerNow);
}

KernelBandit StrongRootArms(const CurlingGameState& state, std::ostream& log) {
  KernelBandit bandit;
  for (const Node& node : BuildCandidateList(state, log)) {
    const CurlingMoveState& shot = node.value.shot;
    bandit.AddArm(shot.velocity, shot.label, shot.power);
  }
  for (const bool curl : {true, false}) {
    for (const double along : kDrawAlong) {
      for (const double across : kDrawAcross) {
        AddDraw(bandit, kTeeX + across, kTeeY + along, curl, "DRAW");
      }
    }
  }
  for (const StonePosition& stone : StonesInPlay(state)) {
    if (DistanceToTee(stone.x, stone.y) > kHitReach) continue;
    for (const bool curl : {true, false}) {
      for (const int power : kHitPowers) {
        AddHit(bandit, stone.x, stone.y, curl, power, "HIT");
        if (power < 8) continue;
        for (const double offset : kHitOffsets) {
          AddHit(bandit, stone.x + offset, stone.y, curl, power, "HIT");
        }
      }
    }
  }
  return bandit;
}

double SampleRelease(const CurlingGameState& state, const ShotVelocity& release, std::mt19937& rng,
                     StrongObjective objective, ShotVelocity& executed) {
  CurlingGameState after = state;
  executed = release;
  if (Simulation(after.Record(), release, kSimulationNoise, &executed, DrawSimulationSeed(rng)) !=
      0) {
    return OutcomeValue(state, state, objective);
  }
  if (after.shotNumber != 0) after = PlayOutEnd(after, rng);
  return OutcomeValue(state, after, objective);
}

SearchResult StrongSearch(const CurlingGameState& state, const SearchConfig& config) {
  return StrongSearchFor(state, config, StrongObjective::kGame);
}

SearchResult StrongSearchFor(const CurlingGameState& state, const SearchConfig& config,
                             StrongObjective objective) {
  KernelBandit root = StrongRootArms(state, config.log);
  if (root.Arms().empty()) return SearchResult{0, 0, FallbackMove()};
  const std::size_t shared = root.Arms().size();
  const int workers = std::max(config.workers, 1);
  // Seeds drawn here in worker order, before any worker starts, as in the other searches.
  std::vector<SearchConfig> configs(static_cast<std::size_t>(workers), config);
  for (SearchConfig& c : configs) {
    if (config.seeded) c.workerSeed = DrawProcessSeed();
  }
  std::vector<std::future<KernelBandit>> futures(configs.size());
  for (std::size_t i = 0; i < futures.size(); ++i) {
    try {
      futures[i] = std::async(std::launch::async, RunWorker, std::cref(state), root,
                              std::cref(configs[i]), objective);
    } catch (const std::system_error&) {
      futures[i] = std::async(std::launch::deferred, RunWorker, std::cref(state), root,
                              std::cref(configs[i]), objective);
    }
  }
  // The first worker's bandit keeps its refined arms; the others add their shared arms into it.
  KernelBandit merged = futures[0].get();
  for (std::size_t i = 1; i < futures.size(); ++i) merged.MergeShared(futures[i].get(), shared);

  const std::size_t bestIndex = merged.Best();
  const Arm& arm = merged.Arms()[bestIndex];
  Move<CurlingMoveState, UCTState> best;
  best.shot.velocity = arm.release;
  best.shot.target = ShotTarget{0.0f, 0.0f, arm.release.curl};
  best.shot.label = arm.label;
  best.shot.power = arm.power;
  best.stats.visits = arm.pulls;
  best.stats.playouts = arm.pulls;
  best.stats.rate = arm.Mean();
  best.stats.win = arm.value;
  const auto samples = static_cast<std::uint32_t>(
      std::min<std::uint64_t>(merged.Samples(), std::numeric_limits<std::uint32_t>::max()));
  config.log << "strong samples " << samples << " arms " << merged.Arms().size() << " best "
             << arm.label << " power " << arm.power << " mean " << arm.Mean() << " weight "
             << arm.weight << std::endl;
  return SearchResult{static_cast<std::int32_t>(merged.Arms().size()), samples, best};
}

}  // namespace Curling
