#pragma once

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "game.h"
#include "options.h"

namespace Match {

// A mean with its 95 % confidence interval (Student's t). With fewer than two values (or
// clusters) the interval is unknown and `valid` is false.
struct MeanInterval {
  int count = 0;     // values (games, ends) the mean is over
  int clusters = 0;  // ClusteredMean95: the clusters the interval is taken over; Mean95: 0
  double mean = 0.0;
  double low = 0.0;
  double high = 0.0;
  bool valid = false;
};

// Two-sided 95 % quantile of Student's t distribution with `degrees` degrees of freedom (>= 1).
double StudentT95(int degrees);

// The mean of independent values, with the t interval on count - 1 degrees of freedom.
MeanInterval Mean95(const std::vector<double>& values);

// The mean of values that come in correlated clusters (the games of a pair, the ends of those
// games), each cluster given as {sum of its values, number of its values}: the ratio estimator
// R = sum of sums / sum of numbers, which is the plain mean of all the values, with the
// linearised (delta-method) variance taken over clusters, K / (K - 1) * sum (sum_k - R n_k)^2 /
// (sum n_k)^2 for K clusters, and the t quantile on K - 1 degrees of freedom. Clusters of one
// value each give exactly Mean95. When every cluster has the same mean there is no interval
// (`valid` false): a spread of nothing measured is not a point.
MeanInterval ClusteredMean95(const std::vector<std::pair<double, double>>& clusters);

// Logistic Elo of an expected score in [0, 1] (+-infinity at the ends) and its inverse.
double EloOfScore(double score);
double ScoreOfElo(double elo);

// The sequential probability ratio test of H0 "Elo = elo0" against H1 "Elo = elo1" on the
// pentanomial counts of game pairs (pairs whose score for A is 0, 0.5, 1, 1.5, 2): the
// generalised log-likelihood ratio, exact. For each hypothesis, the most likely distribution of
// the five pair scores whose mean (of pair score / 2) is s = ScoreOfElo(elo):
// p_i = f_i / (1 + lambda (a_i - s)) with f_i the observed frequencies, a_i = i / 4 and lambda
// the root of sum f_i (a_i - s) / (1 + lambda (a_i - s)) = 0 that keeps every denominator
// positive; then LLR = N sum f_i ln(p1_i / p0_i) over the N pairs.
//
// An empty cell counts kSprtPseudoCount pairs instead of none. Without it the most likely
// distribution with mean s does not exist when every pair scored above s (or below it), as when A
// won every game; with every cell positive the mean can be anything in (0, 1). Small beside one
// pair, it barely moves the frequencies of a sample whose mean the hypotheses can reach.
inline constexpr double kSprtPseudoCount = 1e-3;
// Below this many pairs the verdict is "go on" whatever the ratio. The bounds ln(beta / (1 -
// alpha)) and ln((1 - beta) / alpha) are Wald's for the ratio of two fixed distributions; the
// generalised ratio fits each hypothesis's distribution to the sample first, which stands for the
// truth only once the sample says something of all five cells, and a live test should not end a
// match on its first few pairs (a bad start, an engine that faults at once). With the narrow
// hypotheses of strength tests the minimum never binds: for 0 against 10 a pair moves the ratio
// by at most 0.03, so a verdict needs 100 pairs. With wide ones it costs a few pairs and cuts the
// wrong verdicts (bench/sprt_bench: 0 against 400 decides after a median of 2 to 6 pairs without
// it, wrong 0.9 % and 1.8 % of the time, against 0.3 % and 0.0 % from 10 pairs).
inline constexpr int kSprtMinPairs = 10;

struct SprtSummary {
  SprtSettings settings;
  int pairs = 0;  // N
  double llr = 0.0;
  double lower = 0.0;        // ln(beta / (1 - alpha)): accept H0 at or below
  double upper = 0.0;        // ln((1 - beta) / alpha): accept H1 at or above
  bool regularised = false;  // a cell was empty and counted kSprtPseudoCount
  std::string verdict;       // "accept H1", "accept H0" or "go on"
};

// The test of the pentanomial counts: what `curling-match summary` prints, and what a match can
// ask after every pair.
SprtSummary SprtOf(const std::array<int, 5>& pentanomial, const SprtSettings& settings);

// The values x_k of the test on points: for each game pair k, A's points minus B's per end over
// the pair's games played out. The pair's games have the engines on swapped sides and the same
// shot seeds, so the luck of the stones largely cancels within it.
struct PairPointsMoments {
  int pairs = 0;  // N
  double sum = 0.0;
  double sumSquares = 0.0;
  void Add(double x) {
    ++pairs;
    sum += x;
    sumSquares += x * x;
  }
};

// Below this variance of x (points per end, squared) a sample is taken to have this one: pairs
// that all differ alike would otherwise make the ratio infinite.
inline constexpr double kPointsVarianceFloor = 1e-6;

// The sequential test of H0 "mean x = h0" against H1 "mean x = h1" with the x_k independent and
// normal of unknown variance: the generalised log-likelihood ratio, exact for that model. Under
// each hypothesis the most likely variance is v_j = sum (x_k - h_j)^2 / N = s^2 + (xbar - h_j)^2
// (s^2 the sample's variance with divisor N), and LLR = (N / 2) ln(v_0 / v_1), a monotone function
// of Student's t of xbar, so the estimated variance is paid for as the t test pays for it. The
// bounds and kSprtMinPairs are those of SprtOf; the mean of 20 end scores is close to normal.
SprtSummary PointsSprtOf(const PairPointsMoments& moments, const SprtSettings& settings);

// One engine's results over a match.
struct EngineTally {
  int wins = 0;
  int draws = 0;
  int losses = 0;
  int forfeits = 0;  // losses by forfeit (included in losses)
};

// Both engines' results, index 0 for ENGINE_A.
struct MatchTally {
  std::array<EngineTally, 2> engines;
  void Add(const GameResult& game);
};

}  // namespace Match
