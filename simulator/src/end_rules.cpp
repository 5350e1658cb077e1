#include "end_rules.h"

#include <cmath>
#include <cstddef>
#include <cstring>

namespace curling_sim {

namespace {

constexpr int kShotsPerEnd = 16;
constexpr int kEnds = 10;
// Shots 0 to 4 of an end are played under the free guard zone rule.
constexpr int kLastGuardedShot = 4;

double TeeDistanceSquared(StonePosition s) {
  const double dx = static_cast<double>(s.x) - kTeeX;
  const double dy = static_cast<double>(s.y) - kTeeY;
  return dx * dx + dy * dy;
}

}  // namespace

bool InFreeGuardZone(StonePosition s) {
  // The lines are compared in the record's precision: a stone placed at y = 4.88f lies on the
  // tee line, although 4.88f is a little more than 4.88.
  return InPlay(s) && s.y > static_cast<float>(kTeeY) && s.y < static_cast<float>(kHogLineY) &&
         TeeDistanceSquared(s) > kCountingRadius * kCountingRadius;
}

int EndScore(const StonePosition (&stones)[kStoneCount], bool evenSlotsSide) {
  double nearest[2] = {kCountingRadius * kCountingRadius, kCountingRadius * kCountingRadius};
  bool any[2] = {false, false};
  double distance[kStoneCount];
  for (int i = 0; i < kStoneCount; ++i) {
    distance[i] = -1.0;
    if (!InPlay(stones[i])) continue;
    const double d = TeeDistanceSquared(stones[i]);
    if (!(d <= kCountingRadius * kCountingRadius)) continue;
    distance[i] = d;
    const int side = evenSlotsSide != ((i & 1) != 0) ? 1 : 0;
    if (!any[side] || d < nearest[side]) nearest[side] = d;
    any[side] = true;
  }
  if (!any[0] && !any[1]) return 0;
  if (any[0] && any[1] && nearest[0] == nearest[1]) return 0;
  const int winner = !any[1] || (any[0] && nearest[0] < nearest[1]) ? 0 : 1;
  const int loser = 1 - winner;
  int points = 0;
  for (int i = 0; i < kStoneCount; ++i) {
    if (distance[i] < 0.0) continue;
    const int side = evenSlotsSide != ((i & 1) != 0) ? 1 : 0;
    if (side == winner && (!any[loser] || distance[i] < nearest[loser])) ++points;
  }
  return winner == 0 ? points : -points;
}

RecordHeader ReadHeader(const CurlingStateRecord& state) {
  RecordHeader h;
  h.shotNumber = state.shotNumber;
  h.endNumber = state.endNumber;
  std::memcpy(
      &h.sideByte,
      reinterpret_cast<const unsigned char*>(&state) + offsetof(CurlingStateRecord, sideToMove), 1);
  return h;
}

bool WithinLimits(const RecordHeader& h) {
  return h.shotNumber >= 0 && h.shotNumber < kShotsPerEnd && h.endNumber >= 0 &&
         h.endNumber < kEnds && h.sideByte <= 1;
}

void CleanStones(StonePosition (&stones)[kStoneCount]) {
  for (StonePosition& s : stones) {
    if (!std::isfinite(s.x) || !std::isfinite(s.y) || !InPlay(s)) s = {0.0f, 0.0f};
  }
}

void FinishShot(CurlingStateRecord& state, const RecordHeader& h,
                const StonePosition (&before)[kStoneCount], StonePosition (&after)[kStoneCount],
                bool touched) {
  const bool side = h.sideByte != 0;
  // The side to move owns the slots of the same parity as the shot number.
  const bool evenSlotsSide = side != ((h.shotNumber & 1) != 0);
  StonePosition& delivered = after[h.shotNumber];
  // Hog line: the delivered stone must come to rest past it unless it touched another stone.
  if (!touched && InPlay(delivered) && delivered.y > kHogCrossedY) delivered = {0.0f, 0.0f};
  // Free guard zone: taking out a guard of the other side early in the end undoes the shot.
  if (h.shotNumber <= kLastGuardedShot) {
    bool violated = false;
    for (int i = 0; i < kStoneCount; ++i) {
      const bool otherSide = ((i - h.shotNumber) & 1) != 0;
      if (otherSide && InFreeGuardZone(before[i]) && !InPlay(after[i])) violated = true;
    }
    if (violated) {
      std::memcpy(after, before, sizeof after);
      after[h.shotNumber] = {0.0f, 0.0f};
    }
  }
  std::memcpy(state.stones, after, sizeof after);
  const int score = EndScore(after, evenSlotsSide);
  state.endScores[h.endNumber] = score;
  if (h.shotNumber + 1 < kShotsPerEnd) {
    state.shotNumber = h.shotNumber + 1;
    state.sideToMove = !side;
    return;
  }
  // The end is over: the side that scored delivers first in the next end; after a blank end
  // the side that delivered first in this one (the owner of slot 0) does so again.
  state.shotNumber = 0;
  state.endNumber = h.endNumber + 1;
  if (score > 0) {
    state.sideToMove = false;
  } else if (score < 0) {
    state.sideToMove = true;
  } else {
    state.sideToMove = evenSlotsSide;
  }
}

}  // namespace curling_sim
