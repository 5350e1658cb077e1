// Rules of play around the physics: which stones are in play, the free guard zone, the score of
// an end, and how a played shot advances the record.
#ifndef CURLING_SIMULATOR_END_RULES_H
#define CURLING_SIMULATOR_END_RULES_H

#include "curling_simulator.h"
#include "shot_physics.h"

namespace curling_sim {

// The engine's test: a stone is in play unless both coordinates are 0 or below.
inline bool InPlay(StonePosition s) {
  return s.x > 0.0f || s.y > 0.0f;
}

// A stone in play whose centre lies between the tee line and the far hog line, outside the house.
bool InFreeGuardZone(StonePosition s);

// Score of the position: positive points for side 0, negative for side 1. evenSlotsSide is
// the side that owns the stones of even slots.
int EndScore(const StonePosition (&stones)[kStoneCount], bool evenSlotsSide);

// Header fields of a record, read without trusting the bool byte.
struct RecordHeader {
  int shotNumber = 0;
  int endNumber = 0;
  unsigned char sideByte = 0;
};

RecordHeader ReadHeader(const CurlingStateRecord& state);

// True when the record lies within the limits a shot can be played on.
bool WithinLimits(const RecordHeader& h);

// Stones of the record with everything not in play (or not finite) at (0, 0).
void CleanStones(StonePosition (&stones)[kStoneCount]);

// Applies the rules to a shot just played: before holds the cleaned stones before the shot,
// after the resting positions (removed stones at (0, 0)), delivered the slot of the delivered
// stone and touched whether it touched another stone. Writes the stones, the score, the shot and
// end numbers and the side to move into state.
void FinishShot(CurlingStateRecord& state, const RecordHeader& h,
                const StonePosition (&before)[kStoneCount], StonePosition (&after)[kStoneCount],
                bool touched);

}  // namespace curling_sim

#endif  // CURLING_SIMULATOR_END_RULES_H
