#include "summary.h"

#include <cmath>
#include <cstdio>
#include <map>
#include <utility>

#include "record.h"

namespace Match {

using nlohmann::json;

namespace {

// A's score in a game, in half points: 2 for a win, 1 for a draw, 0 for a loss (a forfeit is a
// loss); kNoResult for a game both engines forfeited, which leaves its pair incomplete.
constexpr int kNoResult = -2;
constexpr int kNotRead = -1;
int HalfPointsOfA(const GameResult& game) {
  if (game.winnerSide >= 0) return game.engineOfSide[game.winnerSide] == 0 ? 2 : 0;
  return game.Forfeited() ? kNoResult : 1;
}

// Mean and variance (divided by the number of pairs) of (pair score / 2) = i / 4 for counts[i].
std::pair<double, double> Moments(const std::array<int, 5>& counts) {
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

}  // namespace

json MeanJson(const MeanInterval& m) {
  return json{{"count", m.count},
              {"pairs", m.clusters},
              {"mean", m.count > 0 ? json(m.mean) : json(nullptr)},
              {"ci95", m.valid ? json::array({m.low, m.high}) : json(nullptr)}};
}

// An Elo figure as a number, or null when infinite (its sign then goes under `name`_inf) or NaN.
void PutElo(json& object, const std::string& name, double elo) {
  object[name] = std::isfinite(elo) ? json(elo) : json(nullptr);
  object[name + "_inf"] = std::isinf(elo) ? (elo > 0 ? 1 : -1) : 0;
}

std::optional<int> PairCell(const GameResult& first, const GameResult& second) {
  const int a = HalfPointsOfA(first);
  const int b = HalfPointsOfA(second);
  if (a < 0 || b < 0) return std::nullopt;
  return a + b;
}

void PairPoints::Add(const GameResult& game) {
  if (game.Forfeited()) return;
  diff += game.engineOfSide[0] == 0 ? game.Total() : -game.Total();
  games += 1;
  ends += static_cast<int>(game.endScores.size());
}

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
  text += " over " + Count(m.count, noun);
  return m.clusters > 0 ? text + " in " + Count(m.clusters, "pair") : text;
}

std::string EloFigures(const PairSummary& p) {
  std::string games = Count(p.unpaired, "unpaired game");
  if (p.doubleForfeits > 0) games += ", " + Count(p.doubleForfeits, "game") + " forfeited by both";
  if (p.pairs == 0) return "n/a (no complete pair; " + games + ")";
  std::string text = EloText(p.elo);
  if (p.interval) {
    text += ", 95% CI [" + EloText(p.eloLow) + ", " + EloText(p.eloHigh) + "]";
  } else {
    text += p.pairs == 1 ? " (no interval from one pair)"
                         : " (no interval: every pair scored the same)";
  }
  return text + " from " + Count(p.pairs, "pair") + " (" + games + ")";
}

MatchSummary Summarize(const std::vector<MatchGame>& games,
                       const std::array<std::string, 2>& commands,
                       const std::optional<SprtSettings>& sprt,
                       const std::optional<SprtSettings>& sprtPoints) {
  MatchSummary summary;
  summary.commands = commands;
  summary.games = static_cast<int>(games.size());
  MatchTally tally;
  // A game pair: A's half points in its first and second game (kNotRead if absent), and its
  // points.
  struct Pair {
    std::array<int, 2> halfPoints{kNotRead, kNotRead};
    PairPoints points;
  };
  std::map<std::pair<std::uint64_t, int>, Pair> pairGames;  // by match seed and pair index
  for (const MatchGame& match : games) {
    const GameResult& game = match.result;
    tally.Add(game);
    Pair& pair = pairGames[{match.matchSeed, game.game / 2}];
    pair.halfPoints[game.game % 2] = HalfPointsOfA(game);
    pair.points.Add(game);
  }

  PairSummary& pairs = summary.pairs;
  std::array<std::vector<std::pair<double, double>>, 2> perGame;
  std::array<std::vector<std::pair<double, double>>, 2> perEnd;
  PairPointsMoments moments;
  for (const auto& [key, pair] : pairGames) {
    const auto [first, second] = pair.halfPoints;
    const PairPoints& points = pair.points;
    const std::optional<double> x = points.PerEnd();
    if (first != kNotRead && second != kNotRead && x) moments.Add(*x);
    if (first >= 0 && second >= 0) {
      ++pairs.pentanomial[first + second];
      ++pairs.pairs;
    } else {
      for (int half : pair.halfPoints) {
        if (half >= 0) ++pairs.unpaired;
        if (half == kNoResult) ++pairs.doubleForfeits;
      }
    }
    if (points.games == 0) continue;
    for (int e = 0; e < 2; ++e) {
      const double diff = e == 0 ? points.diff : -points.diff;
      perGame[e].push_back({diff, points.games});
      perEnd[e].push_back({diff, points.ends});
    }
  }
  for (int e = 0; e < 2; ++e) {
    const EngineTally& t = tally.engines[e];
    summary.engines[e] = EngineSummary{summary.games,
                                       t.wins,
                                       t.draws,
                                       t.losses,
                                       t.forfeits,
                                       ClusteredMean95(perGame[e]),
                                       ClusteredMean95(perEnd[e])};
  }

  if (pairs.pairs > 0) {
    std::tie(pairs.score, pairs.variance) = Moments(pairs.pentanomial);
    pairs.elo = EloOfScore(pairs.score);
    // Every pair scoring the same says nothing of the spread: no interval rather than a point.
    pairs.interval = pairs.pairs >= 2 && pairs.variance > 0.0;
    if (pairs.interval) {
      const double half =
          StudentT95(pairs.pairs - 1) * std::sqrt(pairs.variance / (pairs.pairs - 1));
      pairs.eloLow = EloOfScore(std::max(0.0, pairs.score - half));
      pairs.eloHigh = EloOfScore(std::min(1.0, pairs.score + half));
    }
  }
  if (sprt) summary.sprt = SprtOf(pairs.pentanomial, *sprt);
  if (sprtPoints) summary.sprtPoints = PointsSprtOf(moments, *sprtPoints);
  return summary;
}

namespace {

// "SPRT of Elo 0 against 10 (alpha 0.05, beta 0.05): LLR ..., bounds [...]: verdict", with
// `after` before the verdict.
std::string SprtLine(const char* of, const SprtSummary& t, const std::string& after = "") {
  char line[256];
  std::snprintf(line, sizeof line,
                "SPRT of %s %g against %g (alpha %g, beta %g): LLR %+.3f, bounds [%+.3f, %+.3f]",
                of, t.settings.h0, t.settings.h1, t.settings.alpha, t.settings.beta, t.llr, t.lower,
                t.upper);
  std::string text = line + after + ": " + t.verdict;
  if (t.pairs < kSprtMinPairs) text += " (no verdict before " + Count(kSprtMinPairs, "pair") + ")";
  return text + "\n";
}

}  // namespace

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
    text += "Elo of A over B: " + EloFigures(p);
    if (p.pairs > 0) {
      text += "; pentanomial";
      for (int count : p.pentanomial) {
        text += ' ';
        text += std::to_string(count);
      }
      text += " for pair scores 0, 0.5, 1, 1.5, 2";
    }
    text += "\n";
  }
  if (const auto& t = summary.sprt) text += SprtLine("Elo", *t);
  if (const auto& t = summary.sprtPoints) {
    text += SprtLine("points per end", *t, " over " + Count(t->pairs, "pair"));
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
              {"double_forfeits", p.doubleForfeits},
              {"elo", nullptr}};
  if (p.pairs > 0) {
    json elo{{"interval", p.interval}};
    PutElo(elo, "value", p.elo);
    const double none = std::nan("");
    PutElo(elo, "low", p.interval ? p.eloLow : none);
    PutElo(elo, "high", p.interval ? p.eloHigh : none);
    result["elo"] = elo;
  }
  if (const auto& t = summary.sprt) result["sprt"] = SprtJson(*t, false);
  if (const auto& t = summary.sprtPoints) result["sprt_points"] = SprtJson(*t, true);
  return result;
}

}  // namespace Match
