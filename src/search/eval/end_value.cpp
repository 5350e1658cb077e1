#include "search/eval/end_value.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "curling/position_analysis.h"
#include "search/eval/end_value_data.h"
#include "search/eval/evaluator.h"

namespace Curling {

EndFeatures EndFeaturesOf(const CurlingGameState& state) {
  EndFeatures f{};
  f[kConstant] = 1.0;
  for (int slot = 0; slot < kStones; ++slot) {
    const StonePosition& stone = state.stones[slot];
    if (!InPlay(stone)) continue;
    const float distance = DistanceToTee(stone.x, stone.y);
    const std::size_t side = slot % 2 == 1 ? 0 : 1;  // 0: the hammer's stone
    f[kHammerCloseness + side] += TeeCloseness(distance);
    if (distance <= kCountingRadiusF) f[kHammerInHouse + side] += 1.0;
    if (distance > 2.0f && InCentreGuardZone(stone)) f[kHammerGuards + side] += 1.0;
  }
  // The running score the simulator keeps in the record (positive for side 0); whoever scores
  // holds the shot stone.
  const int slot = std::clamp(static_cast<int>(state.endNumber), 0, kEndSlots - 1);
  const int score = HammerSide(state) == 0 ? state.endScores[slot] : -state.endScores[slot];
  f[kRunningScore] = score;
  f[kShotStone] = (score > 0) - (score < 0);
  return f;
}

double ExpectedEndScore(const CurlingGameState& state, int side) {
  const int played = std::clamp(static_cast<int>(state.shotNumber), 1, kShotsPerEnd - 1);
  const EndFeatures f = EndFeaturesOf(state);
  const auto& weights = kEndValueWeights[static_cast<std::size_t>(played)];
  double value = 0.0;
  for (std::size_t i = 0; i < kEndFeatureCount; ++i) value += weights[i] * f[i];
  return side == HammerSide(state) ? value : -value;
}

EndFeatures FitEndWeights(const std::vector<FitRow>& rows, double ridge) {
  constexpr std::size_t n = kEndFeatureCount;
  // The normal equations (X'X + ridge I') w = X'y, solved by Gaussian elimination with pivoting.
  std::array<std::array<double, n + 1>, n> m{};
  for (const FitRow& row : rows) {
    for (std::size_t i = 0; i < n; ++i) {
      for (std::size_t j = 0; j < n; ++j) m[i][j] += row.x[i] * row.x[j];
      m[i][n] += row.x[i] * row.y;
    }
  }
  for (std::size_t i = 1; i < n; ++i) m[i][i] += ridge;
  for (std::size_t col = 0; col < n; ++col) {
    std::size_t pivot = col;
    for (std::size_t r = col + 1; r < n; ++r) {
      if (std::abs(m[r][col]) > std::abs(m[pivot][col])) pivot = r;
    }
    std::swap(m[col], m[pivot]);
    if (std::abs(m[col][col]) < 1e-12) continue;  // a feature never seen: its weight stays 0
    for (std::size_t r = 0; r < n; ++r) {
      if (r == col) continue;
      const double factor = m[r][col] / m[col][col];
      for (std::size_t c = col; c <= n; ++c) m[r][c] -= factor * m[col][c];
    }
  }
  EndFeatures w{};
  for (std::size_t i = 0; i < n; ++i) {
    w[i] = std::abs(m[i][i]) < 1e-12 ? 0.0 : m[i][n] / m[i][i];
  }
  return w;
}

}  // namespace Curling
