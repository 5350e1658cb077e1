#include "stats.h"

#include <cmath>

namespace Match {

double StudentT95(int degrees) {
  static constexpr double kTable[30] = {12.706, 4.303, 3.182, 2.776, 2.571, 2.447, 2.365, 2.306,
                                        2.262,  2.228, 2.201, 2.179, 2.160, 2.145, 2.131, 2.120,
                                        2.110,  2.101, 2.093, 2.086, 2.080, 2.074, 2.069, 2.064,
                                        2.060,  2.056, 2.052, 2.048, 2.045, 2.042};
  if (degrees < 1) return NAN;
  if (degrees <= 30) return kTable[degrees - 1];
  // Beyond the table: the normal quantile with the first correction term of the t expansion.
  const double z = 1.959964;
  return z + (z * z * z + z) / (4.0 * degrees);
}

MeanInterval Mean95(const std::vector<double>& values) {
  MeanInterval result;
  result.count = static_cast<int>(values.size());
  if (values.empty()) return result;
  double sum = 0.0;
  for (double v : values) sum += v;
  result.mean = sum / result.count;
  if (result.count < 2) return result;
  double squares = 0.0;
  for (double v : values) squares += (v - result.mean) * (v - result.mean);
  double stddev = std::sqrt(squares / (result.count - 1));
  double half = StudentT95(result.count - 1) * stddev / std::sqrt(double(result.count));
  result.low = result.mean - half;
  result.high = result.mean + half;
  result.valid = true;
  return result;
}

void MatchTally::Add(const GameResult& game) {
  for (int side = 0; side < 2; ++side) {
    EngineTally& tally = engines[game.engineOfSide[side]];
    if (game.winnerSide == side) {
      ++tally.wins;
    } else if (game.Forfeited() && (game.winnerSide == 1 - side || game.winnerSide == -1)) {
      ++tally.losses;  // a double forfeit is a loss for both
      if (!game.forfeit[side].empty()) ++tally.forfeits;
    } else if (game.winnerSide == -1) {
      ++tally.draws;
    } else {
      ++tally.losses;
    }
    if (!game.Forfeited()) {
      int total = game.Total();
      tally.scoreDiffs.push_back(side == 0 ? total : -total);
    }
  }
}

}  // namespace Match
