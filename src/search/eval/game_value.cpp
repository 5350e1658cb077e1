#include "search/eval/game_value.h"

#include <algorithm>

#include "search/eval/win_table_data.h"

namespace Curling {

double WinProbability(int endsLeft, int lead, bool hammer) {
  const int ends = std::clamp(endsLeft, 0, kWinTableEndsLeft);
  const int clamped = std::clamp(lead, -kWinTableMaxLead, kWinTableMaxLead);
  const int index =
      (ends * (2 * kWinTableMaxLead + 1) + (clamped + kWinTableMaxLead)) * 2 + (hammer ? 1 : 0);
  return kWinTable[static_cast<std::size_t>(index)];
}

int LeadOf(const CurlingGameState& state, int side) {
  const int closed = std::clamp(state.endNumber, 0, kEndSlots);
  long long total = 0;
  for (int slot = 0; slot < closed; ++slot) total += state.endScores[slot];
  const long long lead = side == 0 ? total : -total;
  return static_cast<int>(std::clamp<long long>(lead, -1000, 1000));
}

double GameValueAfterEnd(const CurlingGameState& after, int side) {
  const int endsLeft = kEndSlots - std::clamp(after.endNumber, 0, kEndSlots);
  const bool hammer = (after.SideByte() != 0 ? 1 : 0) != side;
  return WinProbability(endsLeft, LeadOf(after, side), hammer);
}

}  // namespace Curling
