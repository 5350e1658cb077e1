// The sequential test as a live match would run it: after every game pair, SprtOf of the counts so
// far, stopping at its first verdict. Simulated matches with a known true Elo show how often the
// verdict is wrong (against the nominal alpha and beta) and how many pairs it takes, for the exact
// generalised ratio and, beside it on the same pairs, the normal approximation the summary used
// before (N (s1 - s0)(2m - s0 - s1) / (2v), a pseudo-count of 0.001 on every cell when v = 0, no
// minimum of pairs).
//
// The model of a pair: each game is a win, draw or loss for A with probabilities s - d/2, d and
// 1 - s - d/2 (s = ScoreOfElo(true Elo), d the draw rate); the second game repeats the first's
// result with probability r and is drawn afresh otherwise, so r is the correlation of A's two
// scores in a pair. Each run has its own generator seeded from the run's number, so the figures
// do not depend on the number of threads.
//
//     build/release/bench/sprt_bench [--runs 1000] [--max-pairs 10000] [--draws 0.1]
//                                    [--correlation 0] [--seed 1] [--threads 2]
//                                    [--hypotheses 0:10,0:20] [--min-pairs N]
//
// --min-pairs N also runs the exact ratio with no verdict before N pairs instead of the summary's
// own minimum (the bounds applied to SprtOf's LLR directly).
//
// --points D0:D1,... runs the test on points per end instead (PointsSprtOf, what --sprt-points
// uses), at true means D0 and D1. The model of a pair: 2 x --ends ends (default 10), each end's
// difference for A drawn independently from -3 to 3 with the base probabilities of kEndBase
// (blank ends a quarter, standard deviation 1.32 points) tilted exponentially, p_k ~ base_k e^(t
// k), to the true mean; the pair's x is their mean.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "stats.h"

namespace {

using Match::SprtSettings;

struct Options {
  int runs = 1000;
  int maxPairs = 10000;
  double draws = 0.1;
  double correlation = 0.0;
  std::uint64_t seed = 1;
  int threads = 2;
  std::vector<std::array<double, 2>> hypotheses{{0.0, 10.0}, {0.0, 20.0}};
  int minPairs = -1;    // -1: only the summary's own rule
  bool points = false;  // --points: the hypotheses are points per end
  int ends = 10;
};

// The end differences -3 to 3 before tilting.
constexpr std::array<double, 7> kEndBase{0.025, 0.1, 0.25, 0.25, 0.25, 0.1, 0.025};

// kEndBase tilted to mean `mean` (bisection on the tilt).
std::array<double, 7> EndDistribution(double mean) {
  auto tilted = [](double t) {
    std::array<double, 7> p{};
    double total = 0.0;
    for (int k = 0; k < 7; ++k) total += p[k] = kEndBase[k] * std::exp(t * (k - 3));
    for (double& q : p) q /= total;
    return p;
  };
  double low = -10.0, high = 10.0;
  for (int i = 0; i < 200; ++i) {
    const double t = 0.5 * (low + high);
    double m = 0.0;
    const auto p = tilted(t);
    for (int k = 0; k < 7; ++k) m += p[k] * (k - 3);
    (m < mean ? low : high) = t;
  }
  return tilted(0.5 * (low + high));
}

// splitmix64: a seed per run, and the generator itself.
struct Random {
  std::uint64_t state;
  std::uint64_t Next() {
    std::uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
  }
  double Uniform() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
};

// The five pair-score probabilities (0, 0.5, 1, 1.5, 2) of the model.
std::array<double, 5> Pentanomial(double trueElo, double draws, double correlation) {
  const double s = Match::ScoreOfElo(trueElo);
  const std::array<double, 3> game{1.0 - s - draws / 2, draws, s - draws / 2};  // 0, 1, 2 halves
  std::array<double, 5> p{};
  for (int i = 0; i < 3; ++i) {
    p[2 * i] += correlation * game[i];
    for (int j = 0; j < 3; ++j) p[i + j] += (1.0 - correlation) * game[i] * game[j];
  }
  return p;
}

// The summary's test before the exact ratio.
std::string NormalVerdict(const std::array<int, 5>& counts, const SprtSettings& settings) {
  std::array<double, 5> c{};
  int pairs = 0;
  for (int i = 0; i < 5; ++i) {
    c[i] = counts[i];
    pairs += counts[i];
  }
  auto moments = [&c] {
    double total = 0.0, sum = 0.0, squares = 0.0;
    for (int i = 0; i < 5; ++i) {
      total += c[i];
      sum += c[i] * i / 4.0;
    }
    for (int i = 0; i < 5; ++i) squares += c[i] * (i / 4.0 - sum / total) * (i / 4.0 - sum / total);
    return std::array<double, 2>{sum / total, squares / total};
  };
  std::array<double, 2> mv = moments();
  if (pairs == 0 || mv[1] <= 0.0) {
    for (double& count : c) count += 1e-3;
    mv = moments();
  }
  const auto [m, v] = mv;
  const double s0 = Match::ScoreOfElo(settings.h0);
  const double s1 = Match::ScoreOfElo(settings.h1);
  const double llr = pairs * (s1 - s0) * (2.0 * m - s0 - s1) / (2.0 * v);
  if (llr >= std::log((1.0 - settings.beta) / settings.alpha)) return "accept H1";
  if (llr <= std::log(settings.beta / (1.0 - settings.alpha))) return "accept H0";
  return "go on";
}

constexpr int kMethods = 3;  // exact (the summary's rule), normal, exact with --min-pairs
const char* const kMethodNames[kMethods] = {"exact GLLR", "normal approximation", "exact GLLR"};

struct Outcome {
  int verdict = 0;  // +1 accept H1, -1 accept H0, 0 none by the cap
  int pairs = 0;
};

int VerdictSign(const std::string& verdict) {
  return verdict == "accept H1" ? 1 : (verdict == "accept H0" ? -1 : 0);
}

// A draw from the distribution `p`: its index.
template <std::size_t N>
int Draw(Random& random, const std::array<double, N>& p) {
  double u = random.Uniform();
  std::size_t cell = 0;
  while (cell + 1 < N && u >= p[cell]) u -= p[cell++];
  return static_cast<int>(cell);
}

// One simulated match, every method on the same pairs: `p` is the pentanomial, or with --points
// the distribution of an end's difference.
template <std::size_t N>
std::array<Outcome, kMethods> Run(const Options& options, const SprtSettings& settings,
                                  const std::array<double, N>& p, std::uint64_t seed) {
  Random random{seed};
  std::array<Outcome, kMethods> outcome{};
  std::array<bool, kMethods> done{false, options.points, options.minPairs < 0};
  std::array<int, 5> counts{};
  Match::PairPointsMoments moments;
  for (int pairs = 1; pairs <= options.maxPairs; ++pairs) {
    Match::SprtSummary exact;
    if (options.points) {
      int sum = 0;
      for (int end = 0; end < 2 * options.ends; ++end) sum += Draw(random, p) - 3;
      moments.Add(static_cast<double>(sum) / (2 * options.ends));
      exact = Match::PointsSprtOf(moments, settings);
    } else {
      ++counts[Draw(random, p)];
      if (!done[0] || !done[2]) exact = Match::SprtOf(counts, settings);
    }
    std::array<int, kMethods> verdict{};
    if (!done[0]) verdict[0] = VerdictSign(exact.verdict);
    if (!done[1]) verdict[1] = VerdictSign(NormalVerdict(counts, settings));
    if (!done[2] && pairs >= options.minPairs) {
      verdict[2] = exact.llr >= exact.upper ? 1 : (exact.llr <= exact.lower ? -1 : 0);
    }
    for (int k = 0; k < kMethods; ++k) {
      if (done[k]) continue;
      if (verdict[k] != 0 || pairs == options.maxPairs) {
        outcome[k] = Outcome{verdict[k], pairs};
        done[k] = true;
      }
    }
    if (done[0] && done[1] && done[2]) break;
  }
  return outcome;
}

// Wilson's 95 % interval of a proportion, in per cent.
std::array<double, 2> Wilson(int k, int n) {
  const double z = 1.959964;
  const double phat = static_cast<double>(k) / n;
  const double centre = (phat + z * z / (2 * n)) / (1 + z * z / n);
  const double half =
      z * std::sqrt(phat * (1 - phat) / n + z * z / (4.0 * n * n)) / (1 + z * z / n);
  return {100 * std::max(0.0, centre - half), 100 * std::min(1.0, centre + half)};
}

bool Parse(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (i + 1 >= argc) return false;
    const char* value = argv[++i];
    if (arg == "--runs") {
      options.runs = std::atoi(value);
    } else if (arg == "--max-pairs") {
      options.maxPairs = std::atoi(value);
    } else if (arg == "--draws") {
      options.draws = std::atof(value);
    } else if (arg == "--correlation") {
      options.correlation = std::atof(value);
    } else if (arg == "--seed") {
      options.seed = std::strtoull(value, nullptr, 10);
    } else if (arg == "--threads") {
      options.threads = std::atoi(value);
    } else if (arg == "--min-pairs") {
      options.minPairs = std::atoi(value);
    } else if (arg == "--ends") {
      options.ends = std::atoi(value);
    } else if (arg == "--hypotheses" || arg == "--points") {
      options.points = arg == "--points";
      options.hypotheses.clear();
      for (const char* at = value; *at != '\0';) {
        char* end = nullptr;
        const double elo0 = std::strtod(at, &end);
        if (*end != ':') return false;
        const double elo1 = std::strtod(end + 1, &end);
        options.hypotheses.push_back({elo0, elo1});
        if (*end == ',') ++end;
        at = end;
      }
    } else {
      return false;
    }
  }
  return options.runs > 0 && options.maxPairs > 0 && options.ends > 0 && options.threads > 0 &&
         options.draws >= 0.0 && options.draws < 1.0 && options.correlation >= 0.0 &&
         options.correlation <= 1.0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!Parse(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: sprt_bench [--runs N] [--max-pairs P] [--draws D] [--correlation R] "
                 "[--seed S] [--threads T] [--hypotheses E0:E1,... | --points D0:D1,...] "
                 "[--ends E] [--min-pairs N]\n");
    return 2;
  }
  std::printf("%d runs each, checked after every pair, at most %d pairs; ", options.runs,
              options.maxPairs);
  if (options.points) {
    std::printf("points per end, %d ends a game", options.ends);
  } else {
    std::printf("draws %.0f %% of games, correlation of a pair's games %.2f", 100 * options.draws,
                options.correlation);
  }
  std::printf("; alpha = beta = 0.05; seed %llu\n\n",
              static_cast<unsigned long long>(options.seed));
  const char* const h = options.points ? "D" : "ELO";
  std::printf(
      "| %s0, %s1 | true value | test | wrong verdicts (95 %% CI) | no verdict | mean pairs | "
      "median pairs |\n|---|---|---|---|---|---|---|\n",
      h, h);
  int block = 0;
  for (const auto& [elo0, elo1] : options.hypotheses) {
    const SprtSettings settings{elo0, elo1};
    for (const double trueElo : {elo0, elo1}) {
      std::vector<std::array<Outcome, kMethods>> outcomes(options.runs);
      const std::uint64_t base = options.seed * 1000003ULL + 7919ULL * block++;
      auto simulate = [&](const auto& p) {
        std::vector<std::thread> threads;
        for (int t = 0; t < options.threads; ++t) {
          threads.emplace_back([&, t] {
            for (int r = t; r < options.runs; r += options.threads) {
              outcomes[r] = Run(options, settings, p, Random{base + r}.Next());
            }
          });
        }
        for (std::thread& thread : threads) thread.join();
      };
      if (options.points) {
        simulate(EndDistribution(trueElo));
      } else {
        simulate(Pentanomial(trueElo, options.draws, options.correlation));
      }
      // A verdict is wrong when it accepts the hypothesis that is not the truth.
      const int wrongSign = trueElo == elo0 ? 1 : -1;
      for (int k = 0; k < kMethods; ++k) {
        if ((k == 2 && options.minPairs < 0) || (k == 1 && options.points)) continue;
        int wrong = 0;
        int none = 0;
        double sum = 0.0;
        std::vector<int> pairs;
        for (const auto& outcome : outcomes) {
          wrong += outcome[k].verdict == wrongSign;
          none += outcome[k].verdict == 0;
          sum += outcome[k].pairs;
          pairs.push_back(outcome[k].pairs);
        }
        std::nth_element(pairs.begin(), pairs.begin() + pairs.size() / 2, pairs.end());
        const auto [low, high] = Wilson(wrong, options.runs);
        std::string name = options.points && k != 1 ? "points GLR" : kMethodNames[k];
        if (k == 0) name += " (from " + std::to_string(Match::kSprtMinPairs) + " pairs)";
        if (k == 2) name += " (from " + std::to_string(options.minPairs) + " pairs)";
        std::printf("| %g, %g | %g | %s | %.1f %% [%.1f, %.1f] | %.1f %% | %.0f | %d |\n", elo0,
                    elo1, trueElo, name.c_str(), 100.0 * wrong / options.runs, low, high,
                    100.0 * none / options.runs, sum / options.runs, pairs[pairs.size() / 2]);
      }
    }
  }
  return 0;
}
