#include "record_shot.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "contact.h"
#include "end_rules.h"
#include "release.h"
#include "separation.h"

namespace curling_sim {

int PlayRecordShot(CurlingStateRecord& state, ShotVelocity played, ShotTrace* trace) {
  const RecordHeader header = ReadHeader(state);
  if (!WithinLimits(header)) return -2;
  unsigned char curlByte;
  std::memcpy(&curlByte,
              reinterpret_cast<const unsigned char*>(&played) + offsetof(ShotVelocity, curl), 1);

  // The stones before the shot; the delivered stone takes its slot.
  StonePosition before[kStoneCount];
  std::memcpy(before, state.stones, sizeof before);
  CleanStones(before);
  const int delivered = header.shotNumber;
  before[delivered] = {0.0f, 0.0f};

  // Stones that overlap are pushed apart first, in the record's precision, and the position so
  // separated is the one the shot starts from (and goes back to under the free guard zone rule).
  // A stone pushed out of the playing area is out of play.
  StoneSet stones;
  for (int i = 0; i < kStoneCount; ++i) {
    stones.inPlay[i] = InPlay(before[i]);
    stones.position[i] = {before[i].x, before[i].y};
  }
  const std::uint32_t separated = SeparateOverlaps(stones);
  for (int i = 0; separated != 0 && i < kStoneCount; ++i) {
    if ((separated & (1u << i)) == 0) continue;
    const StonePosition s{static_cast<float>(stones.position[i].x),
                          static_cast<float>(stones.position[i].y)};
    // A stone too far out for a float to show the push stays where it was.
    if (s.x != before[i].x || s.y != before[i].y) {
      const bool out = OutsidePlayingArea({s.x, s.y});
      before[i] = out ? StonePosition{0.0f, 0.0f} : s;
      stones.inPlay[i] = !out;
    }
    stones.position[i] = {before[i].x, before[i].y};
  }

  // The physics. A release that is not finite delivers no stone.
  ShotOutcome outcome;
  const Vec release{played.vx, played.vy};
  if (std::isfinite(release.x) && std::isfinite(release.y)) {
    outcome = PlayShot(stones, delivered, release, SpinOfCurl(curlByte != 0), trace);
  }

  // Resting positions in the record's precision; out of play and non-finite at (0, 0).
  StonePosition after[kStoneCount];
  for (int i = 0; i < kStoneCount; ++i) {
    after[i] = {0.0f, 0.0f};
    if (!stones.inPlay[i]) continue;
    after[i] = {static_cast<float>(stones.position[i].x), static_cast<float>(stones.position[i].y)};
  }
  CleanStones(after);

  // Rules, score and the next turn.
  FinishShot(state, header, before, after, outcome.shooterTouched);
  return 0;
}

}  // namespace curling_sim
