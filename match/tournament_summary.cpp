#include "tournament_summary.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>

namespace Match {

using nlohmann::json;

namespace {

// The MM iteration stops once no strength moves by more than this factor (in its logarithm).
constexpr double kFitTolerance = 1e-12;
constexpr int kFitIterations = 20000;

// The q-quantile of sorted values by the nearest rank.
double Quantile(const std::vector<double>& sorted, double q) {
  const auto rank =
      static_cast<std::size_t>(std::lround(q * static_cast<double>(sorted.size() - 1)));
  return sorted[rank];
}

std::string RatingText(double elo) {
  return std::isnan(elo) ? std::string("n/a") : EloText(elo);
}

// "2-1-0 +0.50 [+0.10, +0.90]": the row engine's wins, draws and losses and its points per end.
std::string CellText(const CrossCell& cell) {
  if (!cell.played) return "";
  std::string text = std::to_string(cell.wins) + "-" + std::to_string(cell.draws) + "-" +
                     std::to_string(cell.losses);
  const MeanInterval& m = cell.perEnd;
  if (m.count == 0) return text + " (none played out)";
  char figures[96];
  std::snprintf(figures, sizeof figures, " %+.2f", m.mean);
  text += figures;
  if (m.valid) {
    std::snprintf(figures, sizeof figures, " [%+.2f, %+.2f]", m.low, m.high);
    text += figures;
  }
  return text;
}

std::string Format(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string Padded(std::string text, std::size_t width) {
  text.resize(std::max(width, text.size()), ' ');
  return text;
}

}  // namespace

std::vector<double> FitRatings(int engines, const std::vector<PairingCounts>& pairings,
                               int anchor) {
  const auto n = static_cast<std::size_t>(engines);
  // score[i][j]: i's summed pair scores (pair score / 2) against j; trials[i][j]: their pairs.
  std::vector<std::vector<double>> score(n, std::vector<double>(n, 0.0));
  std::vector<std::vector<double>> trials = score;
  for (const PairingCounts& p : pairings) {
    for (int k = 0; k < 5; ++k) {
      score[p.a][p.b] += p.pentanomial[k] * k / 4.0;
      score[p.b][p.a] += p.pentanomial[k] * (4 - k) / 4.0;
      trials[p.a][p.b] += p.pentanomial[k];
      trials[p.b][p.a] += p.pentanomial[k];
    }
  }
  // reach[i][j]: a chain from i to j, each engine having scored against the next.
  std::vector<std::vector<bool>> reach(n, std::vector<bool>(n, false));
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j < n; ++j) reach[i][j] = i == j || score[i][j] > 0.0;
  }
  for (std::size_t k = 0; k < n; ++k) {
    for (std::size_t i = 0; i < n; ++i) {
      for (std::size_t j = 0; j < n; ++j) {
        if (reach[i][k] && reach[k][j]) reach[i][j] = true;
      }
    }
  }
  const auto a = static_cast<std::size_t>(anchor);
  std::vector<std::size_t> part;
  for (std::size_t i = 0; i < n; ++i) {
    if (reach[a][i] && reach[i][a]) part.push_back(i);
  }
  // Strengths gamma_i = 10^(r_i / 400); MM: gamma_i <- won_i / sum_j n_ij / (gamma_i + gamma_j),
  // each step raising the likelihood, here within the anchor's part where the maximum is finite.
  std::vector<double> gamma(n, 1.0);
  for (int iteration = 0; iteration < kFitIterations && part.size() > 1; ++iteration) {
    double change = 0.0;
    for (std::size_t i : part) {
      double won = 0.0;
      double denominator = 0.0;
      for (std::size_t j : part) {
        won += score[i][j];
        denominator += trials[i][j] / (gamma[i] + gamma[j]);
      }
      const double next = won / denominator;
      change = std::max(change, std::abs(std::log(next / gamma[i])));
      gamma[i] = next;
    }
    const double scale = gamma[a];
    for (std::size_t i : part) gamma[i] /= scale;
    if (change < kFitTolerance) break;
  }
  std::vector<double> ratings(n);
  const double inf = std::numeric_limits<double>::infinity();
  for (std::size_t i = 0; i < n; ++i) {
    if (reach[a][i] && reach[i][a]) {
      ratings[i] = 400.0 * std::log10(gamma[i]);
    } else if (reach[a][i]) {
      ratings[i] = -inf;  // the anchor's part scored against it, it never against that part
    } else if (reach[i][a]) {
      ratings[i] = inf;
    } else {
      ratings[i] = std::nan("");
    }
  }
  return ratings;
}

TournamentSummary SummarizeTournament(const std::vector<MatchGame>& games,
                                      const Tournament& tournament, int anchor) {
  TournamentSummary summary;
  summary.tournament = tournament;
  summary.anchor = anchor;
  summary.games = static_cast<int>(games.size());
  const std::size_t n = tournament.engines.size();
  summary.cells.assign(n, std::vector<CrossCell>(n));
  std::vector<std::vector<MatchGame>> byPairing(tournament.pairings.size());
  for (const MatchGame& game : games) {
    byPairing[game.result.game / tournament.GamesPerPairing()].push_back(game);
  }
  std::vector<PairingCounts> counts;
  for (std::size_t p = 0; p < byPairing.size(); ++p) {
    const auto [a, b] = tournament.pairings[p];
    const MatchSummary match = Summarize(
        byPairing[p], {tournament.engines[a].name, tournament.engines[b].name}, std::nullopt);
    for (int e = 0; e < 2; ++e) {
      const EngineSummary& s = match.engines[e];
      summary.cells[e == 0 ? a : b][e == 0 ? b : a] = CrossCell{
          true, s.games, s.wins, s.draws, s.losses, s.forfeits, match.pairs.pairs, s.perEnd};
    }
    counts.push_back({a, b, match.pairs.pentanomial});
  }
  const std::vector<double> elo = FitRatings(static_cast<int>(n), counts, anchor);

  // The bootstrap: every pairing's complete pairs drawn with replacement, as many as it has.
  std::mt19937_64 random(kBootstrapSeed);
  std::vector<std::vector<double>> samples(n);
  for (int resample = 0; resample < kBootstrapResamples; ++resample) {
    std::vector<PairingCounts> drawn = counts;
    for (std::size_t p = 0; p < counts.size(); ++p) {
      std::vector<int> cells;
      for (int k = 0; k < 5; ++k) cells.insert(cells.end(), counts[p].pentanomial[k], k);
      drawn[p].pentanomial = {};
      for (std::size_t d = 0; d < cells.size(); ++d) {
        ++drawn[p].pentanomial[cells[random() % cells.size()]];
      }
    }
    const std::vector<double> fit = FitRatings(static_cast<int>(n), drawn, anchor);
    for (std::size_t i = 0; i < n; ++i) {
      if (!std::isnan(fit[i])) samples[i].push_back(fit[i]);
    }
  }
  for (std::size_t i = 0; i < n; ++i) {
    std::sort(samples[i].begin(), samples[i].end());
    const double none = std::nan("");
    summary.ratings.push_back({elo[i], samples[i].empty() ? none : Quantile(samples[i], 0.025),
                               samples[i].empty() ? none : Quantile(samples[i], 0.975)});
  }
  for (const PairingCounts& p : counts) {
    for (int k = 0; k < 5; ++k) {
      summary.ratings[p.a].pairs += p.pentanomial[k];
      summary.ratings[p.b].pairs += p.pentanomial[k];
      summary.ratings[p.a].score += p.pentanomial[k] * k / 4.0;
      summary.ratings[p.b].score += p.pentanomial[k] * (4 - k) / 4.0;
    }
  }
  for (EngineRating& r : summary.ratings) r.score = r.pairs > 0 ? r.score / r.pairs : 0.0;
  return summary;
}

std::vector<std::size_t> RatingOrder(const TournamentSummary& summary) {
  std::vector<std::size_t> order(summary.ratings.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  const auto key = [&](std::size_t i) {
    const EngineRating& r = summary.ratings[i];
    return std::pair(std::isnan(r.elo) ? -std::numeric_limits<double>::infinity() : r.elo, r.score);
  };
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t x, std::size_t y) { return key(x) > key(y); });
  return order;
}

std::string TournamentText(const TournamentSummary& summary) {
  const Tournament& t = summary.tournament;
  const std::size_t n = t.engines.size();
  std::string text = "Tournament of " + Count(static_cast<int>(n), "engine") + ", " +
                     Count(summary.games, "game") + " read, " + Count(t.pairs, "pair") +
                     " per pairing\n";
  text += "Crosstable: the row engine's wins-draws-losses and points per end, 95% CI over pairs\n";
  std::vector<std::vector<std::string>> table(n + 1, std::vector<std::string>(n + 1));
  for (std::size_t i = 0; i < n; ++i) {
    table[0][i + 1] = t.engines[i].name;
    table[i + 1][0] = t.engines[i].name;
    for (std::size_t j = 0; j < n; ++j)
      table[i + 1][j + 1] = i == j ? "-" : CellText(summary.cells[i][j]);
  }
  std::vector<std::size_t> widths(n + 1, 0);
  for (const auto& row : table) {
    for (std::size_t c = 0; c <= n; ++c) widths[c] = std::max(widths[c], row[c].size());
  }
  for (const auto& row : table) {
    std::string line;
    for (std::size_t c = 0; c <= n; ++c) line += Padded(row[c], widths[c]) + (c < n ? " | " : "");
    while (!line.empty() && line.back() == ' ') line.pop_back();
    text += "  " + line + "\n";
  }
  text += "Elo (maximum likelihood over game pairs; " + t.engines[summary.anchor].name +
          " = 0; 95% CI from " + std::to_string(kBootstrapResamples) +
          " bootstrap resamples of the pairs):\n";
  const std::vector<std::size_t> order = RatingOrder(summary);
  std::size_t nameWidth = 0;
  for (const TournamentEngine& engine : t.engines)
    nameWidth = std::max(nameWidth, engine.name.size());
  for (std::size_t rank = 0; rank < n; ++rank) {
    const EngineRating& r = summary.ratings[order[rank]];
    std::string interval = "[";
    interval += RatingText(r.low);
    interval += ", ";
    interval += RatingText(r.high);
    interval += "]";
    text += "  " + std::to_string(rank + 1) + ". " +
            Padded(t.engines[order[rank]].name, nameWidth) + " " + Padded(RatingText(r.elo), 7) +
            " " + Padded(interval, 18) + " score " + Format("%.1f%%", 100.0 * r.score) + " in " +
            Count(r.pairs, "pair") + "\n";
  }
  return text;
}

json TournamentJson(const TournamentSummary& summary) {
  const Tournament& t = summary.tournament;
  json engines = json::array();
  for (std::size_t i = 0; i < t.engines.size(); ++i) {
    json engine{{"name", t.engines[i].name}, {"command", t.engines[i].command}};
    PutElo(engine, "elo", summary.ratings[i].elo);
    PutElo(engine, "low", summary.ratings[i].low);
    PutElo(engine, "high", summary.ratings[i].high);
    engine["pairs"] = summary.ratings[i].pairs;
    engine["score"] = summary.ratings[i].score;
    engines.push_back(engine);
  }
  json crosstable = json::array();
  for (std::size_t i = 0; i < t.engines.size(); ++i) {
    for (std::size_t j = 0; j < t.engines.size(); ++j) {
      const CrossCell& c = summary.cells[i][j];
      if (!c.played) continue;
      crosstable.push_back(json{{"row", t.engines[i].name},
                                {"column", t.engines[j].name},
                                {"games", c.games},
                                {"wins", c.wins},
                                {"draws", c.draws},
                                {"losses", c.losses},
                                {"forfeits", c.forfeits},
                                {"pairs", c.pairs},
                                {"score_diff_per_end", MeanJson(c.perEnd)}});
    }
  }
  return json{{"games", summary.games},
              {"pairs_per_pairing", t.pairs},
              {"anchor", t.engines[summary.anchor].name},
              {"bootstrap", {{"resamples", kBootstrapResamples}, {"seed", kBootstrapSeed}}},
              {"engines", engines},
              {"crosstable", crosstable}};
}

}  // namespace Match
