#include "shots/candidate_list.h"

#include <array>
#include <ostream>
#include <stdexcept>

#include "curling/position_analysis.h"
#include "shots/random.h"

namespace Curling {

namespace {

// The families of each situation class, in run order; index 0 is unused, class 12 runs none.
constexpr ShotFamilyId kClass1[] = {kFreeGuard, kTee, kHouse};
constexpr ShotFamilyId kClass2[] = {kFreeGuard, kGuard, kComeAround, kRaize, kFreeze, kTee, kHouse};
constexpr ShotFamilyId kClass3[] = {kFreeGuard, kGuard, kComeAround, kFreeze, kRaize, kTee, kHouse};
constexpr ShotFamilyId kClass4To6[] = {kGuard, kComeAround, kFreeze, kRaize, kTee, kHouse};
constexpr ShotFamilyId kClass7[] = {kComeAround, kFreeze, kRaize, kRaize, kTee, kTee, kHouse};
constexpr ShotFamilyId kClass8[] = {kGuard, kGuard, kComeAround, kRaize, kTee, kHouse};
constexpr ShotFamilyId kClass9[] = {kComeAround, kComeAround, kRaize, kRaize, kTee,
                                    kTee,        kTee,        kTee,   kHouse};
constexpr ShotFamilyId kClass10[] = {kComeAround, kRaize, kTee, kTee, kTee, kHouse, kHouse};
constexpr ShotFamilyId kClass11[] = {kComeAround, kRaize, kRaize, kTee, kTee, kHouse};

constexpr std::array<std::span<const ShotFamilyId>, kSituationClasses + 1> kClassSequences = {
    std::span<const ShotFamilyId>{},
    kClass1,
    kClass2,
    kClass3,
    kClass4To6,
    kClass4To6,
    kClass4To6,
    kClass7,
    kClass8,
    kClass9,
    kClass10,
    kClass11,
    std::span<const ShotFamilyId>{},
};

}  // namespace

int ClassifySituation(const CurlingGameState& state, std::ostream& log) {
  const int s = state.shotNumber;
  const int n = CountStones(StonesInPlay(state));
  if (n == 0) return 1;
  if (s <= 4) return n == 1 ? 2 : 3;
  // Parity first (it reports a shot number outside 0 to 15), then the lead.
  const bool even = IsEvenShot(state, log);
  const std::optional<bool> sideOneLeads = SideOneLeads(state);
  if (!sideOneLeads) {
    log << "State error" << std::endl;
    return 12;
  }
  const int base = s <= 12 ? 4 : 8;
  return base + (even ? 0 : 2) + (*sideOneLeads ? 1 : 0);
}

std::span<const ShotFamilyId> ClassSequence(int situationClass) {
  if (situationClass < 1 || situationClass > kSituationClasses) return {};
  return kClassSequences[static_cast<std::size_t>(situationClass)];
}

namespace {

// Runs one family's step, reporting and swallowing std::out_of_range as RunShotFamily says.
template <class Run>
void Reporting(Run run, std::ostream& log) {
  try {
    run();
  } catch (const std::out_of_range&) {
    log << "Failed Get List Name :" << std::endl;
  }
}

}  // namespace

void RunShotFamily(ShotFamily family, const CurlingGameState& state, CandidateList& list,
                   std::ostream& log) {
  Reporting([&] { family(state, list); }, log);
}

CandidateList BuildCandidateList(const CurlingGameState& state, std::ostream& log) {
  const std::span<const ShotFamilyId> sequence = ClassSequence(ClassifySituation(state, log));
  CandidateList list;
  list.reserve(kCandidateReserve);
  for (const ShotFamilyId id : sequence) {
    RunShotFamily(ShotFamilyTable[static_cast<std::size_t>(id)], state, list, log);
  }
  if (list.empty()) log << "error" << std::flush;
  ShuffleFixedSeed(list);  // as a fresh generator of seed 5489 would
  return list;
}

std::optional<CurlingMoveState> DrawCandidate(const CurlingGameState& state, std::mt19937& rng,
                                              std::ostream& log) {
  const std::span<const ShotFamilyId> sequence = ClassSequence(ClassifySituation(state, log));
  CandidateTargetList list;
  list.reserve(kCandidateReserve);
  for (const ShotFamilyId id : sequence) {
    Reporting([&] { AppendFamilyTargets(id, state, list); }, log);
  }
  if (list.empty()) {
    log << "error" << std::flush;
    return std::nullopt;
  }
  ShuffleFixedSeed(list);  // the permutation depends on the length only: the list's own
  return list[IndexDraw(rng, static_cast<std::uint32_t>(list.size()))].MakeShot();
}

}  // namespace Curling
