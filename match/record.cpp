#include "record.h"

#include <stdexcept>

namespace Match {

using nlohmann::json;

json ReleaseJson(const ShotVelocity& release) {
  return json{{"vx", release.vx}, {"vy", release.vy}, {"curl", release.curl ? 1 : 0}};
}

json StonesJson(const CurlingStateRecord& state) {
  json stones = json::array();
  for (const StonePosition& stone : state.stones) stones.push_back(json::array({stone.x, stone.y}));
  return stones;
}

json GameJson(const GameResult& game) {
  json forfeits = json::array();
  for (int side = 0; side < 2; ++side) {
    if (game.forfeit[side].empty()) continue;
    forfeits.push_back(json{{"engine", kEngineLabels[game.engineOfSide[side]]},
                            {"side", side},
                            {"reason", game.forfeit[side]}});
  }
  const int total = game.Total();
  json points = json::object();
  int own0 = 0;
  int own1 = 0;
  for (int score : game.endScores) (score > 0 ? own0 : own1) += score > 0 ? score : -score;
  points[kEngineLabels[game.engineOfSide[0]]] = own0;
  points[kEngineLabels[game.engineOfSide[1]]] = own1;
  return json{
      {"type", "game"},
      {"game", game.game + 1},
      {"sides",
       json::array({kEngineLabels[game.engineOfSide[0]], kEngineLabels[game.engineOfSide[1]]})},
      {"end_scores", game.endScores},
      {"total", total},
      {"points", points},
      {"winner", game.winnerSide < 0 ? json(nullptr)
                                     : json(kEngineLabels[game.engineOfSide[game.winnerSide]])},
      {"forfeits", forfeits},
  };
}

void RecordWriter::Line(const json& object) {
  out_ << object.dump(-1, ' ', false, json::error_handler_t::replace) << '\n' << std::flush;
  if (!out_) throw std::runtime_error("cannot write the game record");
}

namespace {

// What the match line and a tournament's line both say of the run.
json RunSettings(const MatchOptions& options) {
  return json{{"seed", options.seed},
              {"games", options.games},
              {"ends", options.ends},
              {"noise", options.noise},
              {"time_limit", options.timeLimit},
              {"shard", {{"index", options.shardIndex}, {"count", options.shardCount}}},
              {"concurrency", options.concurrency}};
}

}  // namespace

void RecordWriter::WriteMatch(const MatchOptions& options) {
  if (const auto& t = options.tournament) {
    json engines = json::array();
    for (const TournamentEngine& engine : t->engines) {
      engines.push_back(json{{"name", engine.name}, {"command", engine.command}});
    }
    json pairings = json::array();
    for (const auto& [a, b] : t->pairings) {
      pairings.push_back(json::array({t->engines[a].name, t->engines[b].name}));
    }
    json line = RunSettings(options);
    line["type"] = "tournament";
    line["engines"] = engines;
    line["pairings"] = pairings;
    line["pairs"] = t->pairs;
    Line(line);
    return;
  }
  json line = RunSettings(options);
  line["type"] = "match";
  line["engines"] = {{"A", options.engineA}, {"B", options.engineB}};
  // Only a run of the later games says where it starts: a whole match's line is as it always was.
  if (options.firstGame > 1) line["first_game"] = options.firstGame;
  Line(line);
}

void RecordWriter::WriteShot(const ShotEvent& shot, const std::array<int, 2>& engineOfSide) {
  json scores = json::array();
  for (int score : shot.after.endScores) scores.push_back(score);
  Line(json{{"type", "shot"},
            {"game", shot.game + 1},
            {"end", shot.end + 1},
            {"shot", shot.shot + 1},
            {"side", shot.side},
            {"engine", kEngineLabels[engineOfSide[shot.side]]},
            {"asked", ReleaseJson(shot.asked)},
            {"executed", ReleaseJson(shot.executed)},
            {"seed", shot.seed},
            {"before", StonesJson(shot.before)},
            {"after", StonesJson(shot.after)},
            {"running_score", shot.runningScore},
            {"end_scores", scores},
            {"time_s", shot.seconds},
            {"diagnostics", shot.diagnostics}});
}

void RecordWriter::WriteGame(const GameResult& game, const std::array<std::string, 2>* pairing) {
  json line = GameJson(game);
  if (pairing) line["engines"] = *pairing;
  Line(line);
}

void RecordWriter::WriteSprt(const SprtSummary& test, const std::string& verdict, int gamesPlayed,
                             bool onPoints) {
  json line = SprtJson(test, onPoints);
  line["type"] = onPoints ? "sprt_points" : "sprt";
  line["verdict"] = verdict;
  line["games_played"] = gamesPlayed;
  Line(line);
}

json SprtJson(const SprtSummary& test, bool onPoints) {
  return json{{onPoints ? "d0" : "elo0", test.settings.h0},
              {onPoints ? "d1" : "elo1", test.settings.h1},
              {"alpha", test.settings.alpha},
              {"beta", test.settings.beta},
              {"pairs", test.pairs},
              {"min_pairs", kSprtMinPairs},
              {"llr", test.llr},
              {"lower", test.lower},
              {"upper", test.upper},
              {"verdict", test.verdict},
              {"regularised", test.regularised}};
}

void RecordWriter::WriteSummary(const MatchTally& tally,
                                const std::array<MeanInterval, 2>& perGame) {
  json engines = json::object();
  for (int e = 0; e < 2; ++e) {
    const EngineTally& t = tally.engines[e];
    const MeanInterval& m = perGame[e];
    json entry{{"wins", t.wins},
               {"draws", t.draws},
               {"losses", t.losses},
               {"forfeits", t.forfeits},
               {"games_played_out", m.count},
               {"mean_score_diff", m.count > 0 ? json(m.mean) : json(nullptr)},
               {"ci95", m.valid ? json::array({m.low, m.high}) : json(nullptr)}};
    engines[kEngineLabels[e]] = entry;
  }
  Line(json{{"type", "summary"}, {"engines", engines}});
}

}  // namespace Match
