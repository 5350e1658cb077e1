#pragma once

#include <array>
#include <string>
#include <vector>

#include "game.h"

namespace Match {

// A sample mean with its 95 % confidence interval (Student's t). With fewer than two values the
// interval is unknown and `valid` is false.
struct MeanInterval {
  int count = 0;
  double mean = 0.0;
  double low = 0.0;
  double high = 0.0;
  bool valid = false;
};

// Two-sided 95 % quantile of Student's t distribution with `degrees` degrees of freedom (>= 1).
double StudentT95(int degrees);

MeanInterval Mean95(const std::vector<double>& values);

// One engine's results over a match.
struct EngineTally {
  int wins = 0;
  int draws = 0;
  int losses = 0;
  int forfeits = 0;                // losses by forfeit (included in losses)
  std::vector<double> scoreDiffs;  // own points minus the opponent's, per game played out
};

// Both engines' results, index 0 for ENGINE_A.
struct MatchTally {
  std::array<EngineTally, 2> engines;
  void Add(const GameResult& game);
};

}  // namespace Match
