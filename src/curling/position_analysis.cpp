#include "curling/position_analysis.h"

#include <ostream>

namespace Curling {

PositionList StonesInPlay(const CurlingGameState& state) {
  PositionList list;
  for (const StonePosition& stone : state.stones) {
    if (InPlay(stone)) list.push_back(stone);
  }
  return list;
}

int CountStones(const PositionList& list) {
  int count = 0;
  for (const StonePosition& p : list) {
    if (p.x > 0.0f && p.y > 0.0f) ++count;
  }
  return count;
}

bool IsEvenShot(const CurlingGameState& state, std::ostream& log) {
  if (state.shotNumber < 0 || state.shotNumber >= kShotsPerEnd) {
    log << "error "
        << "src\\curling" << 161 << std::endl;
    return false;
  }
  return state.shotNumber % 2 == 0;
}

std::optional<bool> SideOneLeads(const CurlingGameState& state) {
  long long total = 0;  // ten 32-bit scores cannot overflow this
  for (int score : state.endScores) total += score;
  switch (state.SideByte()) {
    case 0:
      return total < 0;
    case 1:
      return total <= 0;
    default:
      return std::nullopt;
  }
}

double EvaluateFinalState(const CurlingGameState& before, const CurlingGameState& after,
                          std::ostream& log) {
  const std::uint8_t side = before.SideByte();
  // The score of one slot seen from `before`'s side; empty when that side is no side at all.
  auto judge = [&](int slot) -> std::optional<double> {
    if (slot < 0 || slot >= kEndSlots) return 0.0;
    const int v = after.endScores[slot];
    if (v == 0) return 0.0;
    if (side == 0) return v;
    if (side == 1) return -static_cast<double>(v);
    log << "error final state" << std::endl;
    return std::nullopt;
  };
  const int k = after.endNumber;
  if (after.shotNumber == 0) {
    if (k < 1) return 0.0;  // no end has been closed: slot k - 1 does not exist
    if (auto v = judge(k - 1)) return *v;
  }
  if (auto v = judge(k)) return *v;
  return 0.0;
}

}  // namespace Curling
