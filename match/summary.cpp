#include "summary.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <utility>

#include "record.h"

namespace Match {

using nlohmann::json;

namespace {

constexpr double kZ95 = 1.959964;  // two-sided 95 % quantile of the normal distribution

// The SPRT's regularisation: when the pentanomial counts have no spread (v = 0: every pair scored
// the same, or no pair at all), this pseudo-count is added to each of the five counts before m and
// v are taken, so that the ratio stays finite; the LLR's factor "pairs" stays the true count.
// Example: two pairs, both won twice by A: counts 0.001, 0.001, 0.001, 0.001, 2.001 (total
// 2.005); m = 2.0025 / 2.005 = 0.998753, v = 0.000934, and for Elo 0 against 10 (s0 = 0.5,
// s1 = 0.514387) LLR = 2 * 0.014387 * (1.997506 - 1.014387) / (2 * 0.000934) = 15.15.
constexpr double kPseudoCount = 1e-3;

// A's score in a game, in half points: 2 for a win, 1 for a draw, 0 for a loss; a forfeit is a
// loss. A game that both sides forfeited has no winner and counts as a draw here: the tallies
// count it a loss for both, but scoring it 0 for A alone would tilt the Elo against A.
int HalfPointsOfA(const GameResult& game) {
  if (game.winnerSide >= 0) return game.engineOfSide[game.winnerSide] == 0 ? 2 : 0;
  return 1;
}

// Mean and variance (divided by the total count) of (pair score / 2) = i / 4 for counts[i].
std::pair<double, double> Moments(const std::array<double, 5>& counts) {
  double total = 0.0;
  double sum = 0.0;
  for (int i = 0; i < 5; ++i) {
    total += counts[i];
    sum += counts[i] * i / 4.0;
  }
  const double mean = sum / total;
  double squares = 0.0;
  for (int i = 0; i < 5; ++i) squares += counts[i] * (i / 4.0 - mean) * (i / 4.0 - mean);
  return {mean, squares / total};
}

std::string Format(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

json MeanJson(const MeanInterval& m) {
  return json{{"count", m.count},
              {"mean", m.count > 0 ? json(m.mean) : json(nullptr)},
              {"ci95", m.valid ? json::array({m.low, m.high}) : json(nullptr)}};
}

// An Elo figure as a number, or null when infinite; its sign then goes under `name`_inf.
void PutElo(json& object, const std::string& name, double elo) {
  object[name] = std::isinf(elo) ? json(nullptr) : json(elo);
  object[name + "_inf"] = std::isinf(elo) ? (elo > 0 ? 1 : -1) : 0;
}

}  // namespace

std::string EloText(double elo) {
  if (std::isinf(elo)) return elo > 0 ? "+inf" : "-inf";
  return Format("%+.1f", elo);
}

std::string Count(int n, const std::string& noun) {
  return std::to_string(n) + " " + noun + (n == 1 ? "" : "s");
}

std::string MeanText(const MeanInterval& m, const std::string& noun) {
  if (m.count == 0) return "none";
  std::string text = Format("%+.2f", m.mean);
  if (m.valid) {
    text += ", 95% CI [" + Format("%+.2f", m.low) + ", " + Format("%+.2f", m.high) + "]";
  } else {
    text += " (no interval)";
  }
  return text + " over " + Count(m.count, noun);
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

SprtSummary SprtOf(const PairSummary& pairs, const SprtSettings& settings) {
  SprtSummary sprt;
  sprt.settings = settings;
  std::array<double, 5> counts{};
  for (int i = 0; i < 5; ++i) counts[i] = pairs.pentanomial[i];
  sprt.regularised = pairs.pairs == 0 || pairs.variance <= 0.0;
  if (sprt.regularised) {
    for (double& count : counts) count += kPseudoCount;
  }
  const auto [m, v] = Moments(counts);
  const double s0 = ScoreOfElo(settings.elo0);
  const double s1 = ScoreOfElo(settings.elo1);
  sprt.llr = pairs.pairs * (s1 - s0) * (2.0 * m - s0 - s1) / (2.0 * v);
  sprt.lower = std::log(settings.beta / (1.0 - settings.alpha));
  sprt.upper = std::log((1.0 - settings.beta) / settings.alpha);
  sprt.verdict =
      sprt.llr >= sprt.upper ? "accept H1" : (sprt.llr <= sprt.lower ? "accept H0" : "go on");
  return sprt;
}

MatchSummary Summarize(const std::vector<MatchGame>& games,
                       const std::array<std::string, 2>& commands,
                       const std::optional<SprtSettings>& sprt) {
  MatchSummary summary;
  summary.commands = commands;
  summary.games = static_cast<int>(games.size());
  MatchTally tally;
  std::array<std::vector<double>, 2> endDiffs;
  // (match seed, pair index) -> A's half points in the pair's first and second game, -1 if absent.
  std::map<std::pair<std::uint64_t, int>, std::array<int, 2>> pairGames;
  for (const MatchGame& match : games) {
    const GameResult& game = match.result;
    tally.Add(game);
    if (!game.Forfeited()) {
      for (int score : game.endScores) {
        endDiffs[game.engineOfSide[0]].push_back(score);
        endDiffs[game.engineOfSide[1]].push_back(-score);
      }
    }
    auto [slot, added] =
        pairGames.try_emplace({match.matchSeed, game.game / 2}, std::array{-1, -1});
    slot->second[game.game % 2] = HalfPointsOfA(game);
  }
  for (int e = 0; e < 2; ++e) {
    const EngineTally& t = tally.engines[e];
    summary.engines[e] = EngineSummary{summary.games,      t.wins,     t.draws,
                                       t.losses,           t.forfeits, Mean95(t.scoreDiffs),
                                       Mean95(endDiffs[e])};
  }

  PairSummary& pairs = summary.pairs;
  for (const auto& [key, halfPoints] : pairGames) {
    if (halfPoints[0] < 0 || halfPoints[1] < 0) {
      ++pairs.unpaired;
    } else {
      ++pairs.pentanomial[halfPoints[0] + halfPoints[1]];
      ++pairs.pairs;
    }
  }
  if (pairs.pairs > 0) {
    std::array<double, 5> counts{};
    for (int i = 0; i < 5; ++i) counts[i] = pairs.pentanomial[i];
    std::tie(pairs.score, pairs.variance) = Moments(counts);
    const double half = kZ95 * std::sqrt(pairs.variance / pairs.pairs);
    pairs.elo = EloOfScore(pairs.score);
    pairs.eloLow = EloOfScore(std::max(0.0, pairs.score - half));
    pairs.eloHigh = EloOfScore(std::min(1.0, pairs.score + half));
  }
  if (sprt) summary.sprt = SprtOf(pairs, *sprt);
  return summary;
}

std::string SummaryText(const MatchSummary& summary) {
  std::string text;
  for (int e = 0; e < 2; ++e) {
    const EngineSummary& s = summary.engines[e];
    char line[256];
    std::snprintf(line, sizeof line, ": %d wins, %d draws, %d losses (%d by forfeit) in ", s.wins,
                  s.draws, s.losses, s.forfeits);
    text += kEngineLabels[e] + ": " + summary.commands[e] + line + Count(s.games, "game");
    if (s.perGame.count == 0) {
      text += "; no game played out\n";
    } else {
      text += "; score difference per game " + MeanText(s.perGame, "game") + ", per end " +
              MeanText(s.perEnd, "end") + "\n";
    }
  }
  // One game cannot make a pair: a single game's summary stays at the two lines above.
  const PairSummary& p = summary.pairs;
  if (summary.games >= 2) {
    text += "Elo of A over B: ";
    if (p.pairs == 0) {
      text += "n/a (no complete pair; " + Count(p.unpaired, "unpaired game") + ")\n";
    } else {
      text += EloText(p.elo) + ", 95% CI [" + EloText(p.eloLow) + ", " + EloText(p.eloHigh) +
              "] from " + Count(p.pairs, "pair") + " (" + Count(p.unpaired, "unpaired game") +
              "); pentanomial";
      for (int count : p.pentanomial) {
        text += ' ';
        text += std::to_string(count);
      }
      text += " for pair scores 0, 0.5, 1, 1.5, 2\n";
    }
  }
  if (const auto& t = summary.sprt) {
    char line[256];
    std::snprintf(line, sizeof line,
                  "SPRT of Elo %g against %g (alpha %g, beta %g): LLR %+.3f, bounds [%+.3f, %+.3f]",
                  t->settings.elo0, t->settings.elo1, t->settings.alpha, t->settings.beta, t->llr,
                  t->lower, t->upper);
    text += line;
    text += ": " + t->verdict +
            (t->regularised ? " (no spread in the pair scores: regularised)\n" : "\n");
  }
  return text;
}

json SummaryJson(const MatchSummary& summary) {
  json engines = json::object();
  for (int e = 0; e < 2; ++e) {
    const EngineSummary& s = summary.engines[e];
    engines[kEngineLabels[e]] = json{{"command", summary.commands[e]},
                                     {"games", s.games},
                                     {"wins", s.wins},
                                     {"draws", s.draws},
                                     {"losses", s.losses},
                                     {"forfeits", s.forfeits},
                                     {"score_diff_per_game", MeanJson(s.perGame)},
                                     {"score_diff_per_end", MeanJson(s.perEnd)}};
  }
  const PairSummary& p = summary.pairs;
  json result{{"games", summary.games},
              {"engines", engines},
              {"pairs", p.pairs},
              {"unpaired", p.unpaired},
              {"pentanomial", p.pentanomial},
              {"pair_score", p.pairs > 0 ? json(p.score) : json(nullptr)},
              {"pair_variance", p.pairs > 0 ? json(p.variance) : json(nullptr)},
              {"elo", nullptr}};
  if (p.pairs > 0) {
    json elo = json::object();
    PutElo(elo, "value", p.elo);
    PutElo(elo, "low", p.eloLow);
    PutElo(elo, "high", p.eloHigh);
    result["elo"] = elo;
  }
  if (const auto& t = summary.sprt) {
    result["sprt"] = json{{"elo0", t->settings.elo0},
                          {"elo1", t->settings.elo1},
                          {"alpha", t->settings.alpha},
                          {"beta", t->settings.beta},
                          {"llr", t->llr},
                          {"lower", t->lower},
                          {"upper", t->upper},
                          {"verdict", t->verdict},
                          {"regularised", t->regularised}};
  }
  return result;
}

}  // namespace Match
