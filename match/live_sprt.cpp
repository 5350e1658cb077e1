#include "live_sprt.h"

#include <utility>

#include "summary.h"

namespace Match {

std::optional<SprtSummary> LiveSprt::Add(const GameResult& game) {
  const int pair = game.game / 2;
  auto partner = waiting_.find(pair);
  if (partner == waiting_.end()) {
    GameResult kept = game;  // the result decides the cell; the shots are not needed
    kept.shots.clear();
    kept.ends.clear();
    waiting_.emplace(pair, std::move(kept));
    return std::nullopt;
  }
  const bool gameIsSecond = game.game % 2 == 1;
  const GameResult& first = gameIsSecond ? partner->second : game;
  const GameResult& second = gameIsSecond ? game : partner->second;
  if (const std::optional<int> cell = PairCell(first, second)) ++pentanomial_[*cell];
  PairPoints points;
  points.Add(first);
  points.Add(second);
  if (const std::optional<double> perEnd = points.PerEnd()) moments_.Add(*perEnd);
  waiting_.erase(partner);
  return onPoints_ ? PointsSprtOf(moments_, settings_) : SprtOf(pentanomial_, settings_);
}

}  // namespace Match
