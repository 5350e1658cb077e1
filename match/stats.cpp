#include "stats.h"

#include <algorithm>
#include <cmath>
#include <limits>

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

MeanInterval ClusteredMean95(const std::vector<std::pair<double, double>>& clusters) {
  MeanInterval result;
  result.clusters = static_cast<int>(clusters.size());
  double sum = 0.0;
  double count = 0.0;
  for (const auto& [clusterSum, clusterCount] : clusters) {
    sum += clusterSum;
    count += clusterCount;
  }
  result.count = static_cast<int>(count);
  if (count <= 0.0) return result;
  result.mean = sum / count;
  if (result.clusters < 2) return result;
  double squares = 0.0;
  for (const auto& [clusterSum, clusterCount] : clusters) {
    const double residual = clusterSum - result.mean * clusterCount;
    squares += residual * residual;
  }
  // Pairs that all differ alike say nothing of the spread: no interval rather than a point.
  if (squares == 0.0) return result;
  const double variance = squares * result.clusters / (result.clusters - 1) / (count * count);
  const double half = StudentT95(result.clusters - 1) * std::sqrt(variance);
  result.low = result.mean - half;
  result.high = result.mean + half;
  result.valid = true;
  return result;
}

double EloOfScore(double score) {
  if (score <= 0.0) return -std::numeric_limits<double>::infinity();
  if (score >= 1.0) return std::numeric_limits<double>::infinity();
  // -400 log10(1/m - 1), written so that m = 0.5 gives +0 rather than -0.
  return 400.0 * std::log10(score / (1.0 - score));
}

double ScoreOfElo(double elo) {
  return 1.0 / (1.0 + std::pow(10.0, -elo / 400.0));
}

namespace {

// Pair score / 2 of the five pentanomial cells.
constexpr std::array<double, 5> kHalfPairScore{0.0, 0.25, 0.5, 0.75, 1.0};

// The lambda of the most likely distribution with mean `s` for frequencies `f`, every f_i > 0 and
// 0 < s < 1: g(lambda) = sum f_i (a_i - s) / (1 + lambda (a_i - s)) falls from +inf to -inf on
// (-1 / (1 - s), 1 / s), where every denominator is positive, so it has one root there. Newton's
// method, with a bisection step whenever Newton would leave the bracket kept around the root.
double MeanMultiplier(const std::array<double, 5>& f, double s) {
  double low = -1.0 / (1.0 - s);
  double high = 1.0 / s;
  double lambda = 0.0;
  for (int iteration = 0; iteration < 200; ++iteration) {
    double g = 0.0;
    double slope = 0.0;
    for (int i = 0; i < 5; ++i) {
      const double d = kHalfPairScore[i] - s;
      const double q = 1.0 + lambda * d;
      g += f[i] * d / q;
      slope -= f[i] * d * d / (q * q);
    }
    if (g == 0.0) return lambda;
    (g > 0.0 ? low : high) = lambda;
    double next = lambda - g / slope;
    if (!(next > low && next < high)) next = 0.5 * (low + high);
    if (std::abs(next - lambda) <= 1e-15 * (1.0 + std::abs(lambda))) return next;
    lambda = next;
  }
  return lambda;
}

// "go on" before kSprtMinPairs pairs and between the bounds.
std::string Verdict(const SprtSummary& sprt) {
  if (sprt.pairs < kSprtMinPairs) return "go on";
  if (sprt.llr >= sprt.upper) return "accept H1";
  if (sprt.llr <= sprt.lower) return "accept H0";
  return "go on";
}

}  // namespace

SprtSummary SprtOf(const std::array<int, 5>& pentanomial, const SprtSettings& settings) {
  SprtSummary sprt;
  sprt.settings = settings;
  sprt.lower = std::log(settings.beta / (1.0 - settings.alpha));
  sprt.upper = std::log((1.0 - settings.beta) / settings.alpha);
  for (int count : pentanomial) sprt.pairs += count;
  if (sprt.pairs > 0) {
    std::array<double, 5> f{};
    double total = 0.0;
    for (int i = 0; i < 5; ++i) {
      sprt.regularised = sprt.regularised || pentanomial[i] == 0;
      f[i] = pentanomial[i] > 0 ? pentanomial[i] : kSprtPseudoCount;
      total += f[i];
    }
    for (double& frequency : f) frequency /= total;
    const double s0 = ScoreOfElo(settings.h0);
    const double s1 = ScoreOfElo(settings.h1);
    const double lambda0 = MeanMultiplier(f, s0);
    const double lambda1 = MeanMultiplier(f, s1);
    // p1_i / p0_i = (1 + lambda0 (a_i - s0)) / (1 + lambda1 (a_i - s1)).
    double sum = 0.0;
    for (int i = 0; i < 5; ++i) {
      sum += f[i] * (std::log1p(lambda0 * (kHalfPairScore[i] - s0)) -
                     std::log1p(lambda1 * (kHalfPairScore[i] - s1)));
    }
    sprt.llr = sprt.pairs * sum;
  }
  sprt.verdict = Verdict(sprt);
  return sprt;
}

SprtSummary PointsSprtOf(const PairPointsMoments& moments, const SprtSettings& settings) {
  SprtSummary sprt;
  sprt.settings = settings;
  sprt.pairs = moments.pairs;
  sprt.lower = std::log(settings.beta / (1.0 - settings.alpha));
  sprt.upper = std::log((1.0 - settings.beta) / settings.alpha);
  if (moments.pairs > 0) {
    const double n = moments.pairs;
    const double mean = moments.sum / n;
    const double variance = std::max(0.0, moments.sumSquares / n - mean * mean);
    const auto around = [&](double h) {
      return std::max(kPointsVarianceFloor, variance + (mean - h) * (mean - h));
    };
    sprt.llr = 0.5 * n * std::log(around(settings.h0) / around(settings.h1));
  }
  sprt.verdict = Verdict(sprt);
  return sprt;
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
  }
}

}  // namespace Match
