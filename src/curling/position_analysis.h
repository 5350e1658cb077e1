#pragma once

#include <array>
#include <cassert>
#include <iosfwd>
#include <optional>

#include "curling/game_state.h"
#include "curling/sheet.h"

namespace Curling {

// The stones in play of one state, in slot order. Fixed capacity, held inline: the search asks for
// it at every simulated shot, so it never allocates.
class PositionList {
 public:
  // At most kStones entries: one per stone slot.
  void push_back(StonePosition p) {
    assert(size_ < kStones);
    items_[size_++] = p;
  }
  int size() const { return size_; }
  bool empty() const { return size_ == 0; }
  const StonePosition& operator[](int i) const { return items_[i]; }
  const StonePosition* begin() const { return items_.data(); }
  const StonePosition* end() const { return items_.data() + size_; }

 private:
  std::array<StonePosition, kStones> items_{};
  int size_ = 0;
};

// The stones in play, in slot order.
PositionList StonesInPlay(const CurlingGameState& state);

// The entries whose x and y are both strictly above 0.
int CountStones(const PositionList& list);

// True for shot numbers 0, 2, ..., 14. A shot number outside 0 to 15 is reported on log and
// answers false.
bool IsEvenShot(const CurlingGameState& state, std::ostream& log);

// Whether side 1 leads on the total of all ten end scores, as the situation classes of the
// candidate lists read it (not the lead of the win table, LeadOf): a level total counts for side 1
// only when side 1 is to move. Empty when the side byte is neither 0 nor 1.
std::optional<bool> SideOneLeads(const CurlingGameState& state);

// The reward of the tree searches' simulations: the score of the end that `after` closed (shot
// number 0) or of the end in progress, seen from the side to move in `before`: positive when that
// side scored. Unlike the evaluators' EndScoreFor, it reads the slot of the end `after` closed and
// reports a side byte that is no side. A slot outside the score table
// counts 0; a side byte of `before` other than 0 or 1 is reported on log and counts 0.
double EvaluateFinalState(const CurlingGameState& before, const CurlingGameState& after,
                          std::ostream& log);

}  // namespace Curling
