#pragma once

#include <iosfwd>
#include <optional>
#include <random>
#include <span>

#include "curling/game_state.h"
#include "shots/candidate_node.h"
#include "shots/shot_families.h"

namespace Curling {

// Number of situation classes; class 12 is the state that fits no other.
inline constexpr int kSituationClasses = 12;

// Room reserved in every candidate list before the families run.
inline constexpr std::size_t kCandidateReserve = 200;

// Sorts a position into one of the situation classes 1 to 12, by the number of stones in play with
// both coordinates above 0, the shot number, its parity and whether side 1 leads. A side byte other
// than 0 or 1 (past the early shots) gives class 12 after the line "State error" on log; a shot
// number outside 0 to 15 is reported by the parity test on log.
int ClassifySituation(const CurlingGameState& state, std::ostream& log);

// The families that a situation class runs, in order (a family may stand more than once). Class 12
// and numbers outside 1 to 12 run none.
std::span<const ShotFamilyId> ClassSequence(int situationClass);

// Runs one family on `state`, appending to `list`. A failure with std::out_of_range is reported
// with the line "Failed Get List Name :" on log and swallowed; what the family had appended stays.
// Every other failure propagates.
void RunShotFamily(ShotFamily family, const CurlingGameState& state, CandidateList& list,
                   std::ostream& log);

// The candidate shots for `state`: the families of its class, run in order into a list with room
// for 200, then shuffled with a fresh generator of seed 5489 (so lists of equal length are
// permuted alike). An empty list is reported with "error" on log, without a line end.
CandidateList BuildCandidateList(const CurlingGameState& state, std::ostream& log);

// The shot a playout draws: candidates[IndexDraw(rng, n)].value.shot of the n-entry list that
// BuildCandidateList(state, log) would make, with the same draw from rng and the same lines on log,
// computing only the drawn candidate's release. Empty, drawing nothing, where the list is empty.
std::optional<CurlingMoveState> DrawCandidate(const CurlingGameState& state, std::mt19937& rng,
                                              std::ostream& log);

}  // namespace Curling
