// Helpers shared by the simulator's tests: records, shots and a reference scorer.
#ifndef CURLING_TESTS_SIMULATOR_TEST_SUPPORT_H
#define CURLING_TESTS_SIMULATOR_TEST_SUPPORT_H

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "curling_simulator.h"

namespace curling_sim_test {

constexpr float kTeeX = 2.375f;
constexpr float kTeeY = 4.88f;
constexpr float kStoneRadius = 0.145f;

// A stone placed in a slot of a record.
struct Placed {
  int slot;
  float x;
  float y;
};

// A record at the given shot, end and side, holding the given stones.
inline CurlingStateRecord MakeRecord(int shot, int end, bool side,
                                     std::initializer_list<Placed> stones = {}) {
  CurlingStateRecord r;
  std::memset(&r, 0, sizeof r);
  r.shotNumber = shot;
  r.endNumber = end;
  r.sideToMove = side;
  for (const Placed& p : stones) r.stones[p.slot] = {p.x, p.y};
  return r;
}

inline ShotVelocity Draw(float x, float y, bool curl) {
  ShotVelocity v{};
  CreateShot({x, y, curl}, &v);
  return v;
}

inline ShotVelocity Hit(float x, float y, bool curl, float power) {
  ShotVelocity v{};
  CreateHitShot({x, y, curl}, power, &v);
  return v;
}

// A release that never crosses the hog line: the delivered stone is removed, the rest stays.
inline ShotVelocity NoStone() {
  return {0.0f, 0.0f, false};
}

inline bool InPlay(StonePosition s) {
  return s.x > 0.0f || s.y > 0.0f;
}

inline bool SameBytes(const CurlingStateRecord& a, const CurlingStateRecord& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

inline double Distance(StonePosition a, float x, float y) {
  return std::hypot(a.x - x, a.y - y);
}

// Score of a position, written independently of the library: side of slot i is
// evenSide for even i; the side with the stone nearest the tee scores its stones nearer than
// the other side's nearest.
inline int ReferenceScore(const StonePosition (&stones)[16], bool evenSide) {
  std::vector<std::pair<double, int>> counted;  // distance, side
  for (int i = 0; i < 16; ++i) {
    if (!InPlay(stones[i])) continue;
    const double d = std::hypot(double(stones[i].x) - 2.375, double(stones[i].y) - 4.88);
    const bool side = i % 2 == 0 ? evenSide : !evenSide;
    if (d <= 1.975) counted.push_back({d, side ? 1 : 0});
  }
  std::sort(counted.begin(), counted.end());
  if (counted.empty()) return 0;
  const int winner = counted[0].second;
  int points = 0;
  for (const auto& c : counted) {
    if (c.second != winner) {
      if (c.first == counted[0].first) return 0;
      break;
    }
    ++points;
  }
  return winner == 0 ? points : -points;
}

}  // namespace curling_sim_test

#endif  // CURLING_TESTS_SIMULATOR_TEST_SUPPORT_H
