#include "match_output.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "game_page.h"
#include "house_svg.h"
#include "summary.h"
#include "tournament_summary.h"

namespace Match {

namespace {

namespace fs = std::filesystem;

// "game 2: B 5 - 3 A, winner B", with any forfeit and its reason; `labels` are the
// engines' labels (a tournament's: their names).
std::string GameLine(const GameResult& game, const std::array<std::string, 2>& labels) {
  std::string line = "game " + std::to_string(game.game + 1) + ": ";
  for (int side = 0; side < 2; ++side) {
    if (game.forfeit[side].empty()) continue;
    line += labels[game.engineOfSide[side]] + " forfeits (" + game.forfeit[side] + "); ";
  }
  int points[2] = {0, 0};
  for (int score : game.endScores) points[score > 0 ? 0 : 1] += score > 0 ? score : -score;
  line += labels[game.engineOfSide[0]] + " " + std::to_string(points[0]) + " - " +
          std::to_string(points[1]) + " " + labels[game.engineOfSide[1]] + ", winner ";
  line += game.winnerSide < 0 ? std::string("none") : labels[game.engineOfSide[game.winnerSide]];
  return line + "\n";
}

// "sprt: llr +1.23 [-2.94, +2.94] after 12 pairs", and the verdict once there is one.
std::string SprtProgressLine(const SprtSummary& test) {
  char line[160];
  std::snprintf(line, sizeof line, "sprt: llr %+.2f [%+.2f, %+.2f] after %d pair%s", test.llr,
                test.lower, test.upper, test.pairs, test.pairs == 1 ? "" : "s");
  std::string text = line;
  if (test.pairs < kSprtMinPairs)
    text += " (no verdict before " + std::to_string(kSprtMinPairs) + ")";
  if (test.verdict != "go on") text += ": " + test.verdict + ", no new game starts";
  return text + "\n";
}

// The verdict at the end of the match: a bound not crossed at the most games is said so.
std::string SprtVerdict(const SprtSummary& test) {
  return test.verdict == "go on" ? std::string(kSprtNotReached) : test.verdict;
}

}  // namespace

std::array<std::string, 2> MatchOutput::Labels(int game) const {
  if (!options_.tournament) return kEngineLabels;
  const Tournament& t = *options_.tournament;
  const auto [a, b] = t.PairingOfGame(game);
  return {t.engines[a].name, t.engines[b].name};
}

std::array<std::string, 2> MatchOutput::Names(int game) const {
  if (!options_.tournament) return names_;
  const Tournament& t = *options_.tournament;
  const auto [a, b] = t.PairingOfGame(game);
  return {kEngineLabels[0] + ": " + t.engines[a].name + " (" + t.engines[a].command + ")",
          kEngineLabels[1] + ": " + t.engines[b].name + " (" + t.engines[b].command + ")"};
}

std::vector<MatchGame> MatchOutput::Finished() const {
  std::vector<MatchGame> finished;
  for (const GameResult& game : games_) {
    finished.push_back({options_.seed, options_.ends, game,
                        options_.tournament ? options_.tournament->PairingOfGame(game.game)
                                            : std::array<int, 2>{0, 1}});
  }
  return finished;
}

std::string MatchOutput::Index() const {
  if (!options_.tournament) return IndexPage(games_, names_, plot_);
  return TournamentIndexPage(SummarizeTournament(Finished(), *options_.tournament, 0), games_);
}

MatchOutput::MatchOutput(const MatchOptions& options, std::ostream& progress)
    : options_(options),
      progress_(progress),
      names_{kEngineLabels[0] + ": " + options.engineA, kEngineLabels[1] + ": " + options.engineB} {
  if (!options.recordPath.empty()) {
    recordFile_.open(options.recordPath, std::ios::binary | std::ios::trunc);
    if (!recordFile_) throw std::runtime_error("cannot open the record file " + options.recordPath);
    record_ = std::make_unique<RecordWriter>(recordFile_);
    record_->WriteMatch(options);
  }
  if (!options.picturesDir.empty()) {
    std::error_code error;
    fs::create_directories(options.picturesDir, error);
    if (error || !fs::is_directory(options.picturesDir)) {
      throw std::runtime_error("cannot create the pictures directory " + options.picturesDir);
    }
  }
  if (options.sprt) plot_ = SprtPlot{*options.sprt, false};
  if (options.sprtPoints) plot_ = SprtPlot{*options.sprtPoints, true};
  if (plot_) sprt_.emplace(plot_->settings, plot_->onPoints);
  progress_ << "match seed " << options.seed << "\n" << std::flush;
}

void MatchOutput::Shot(const ShotEvent& shot, const std::array<int, 2>& engineOfSide) {
  char line[256];
  std::snprintf(line, sizeof line,
                "game %d/%d end %d/%d shot %2d/16: %s (side %d) BESTSHOT %.6f %.6f %d, "
                "%.2f s; end score %+d\n",
                shot.game + 1, options_.games, shot.end + 1, options_.ends, shot.shot + 1,
                Labels(shot.game)[engineOfSide[shot.side]].c_str(), shot.side,
                double{shot.asked.vx}, double{shot.asked.vy}, shot.asked.curl ? 1 : 0, shot.seconds,
                shot.runningScore);
  std::lock_guard lock(mutex_);
  if (record_) record_->WriteShot(shot, engineOfSide);
  progress_ << line << std::flush;
}

void MatchOutput::End(const EndPicture& end, const GameResult& soFar) const {
  if (options_.picturesDir.empty()) return;
  std::array<std::string, 2> nameOfSide{kEngineLabels[soFar.engineOfSide[0]],
                                        kEngineLabels[soFar.engineOfSide[1]]};
  fs::path dir(options_.picturesDir);
  WritePictureFile(dir / EndSvgName(end.game, end.end), HouseSvgDocument(end, nameOfSide));
  GameResult page = soFar;
  page.winnerSide = -1;
  WritePictureFile(dir / GamePageName(end.game),
                   GamePage(page, Names(end.game), options_.ends, false));
}

void MatchOutput::Game(const GameResult& game) {
  std::string page;
  if (!options_.picturesDir.empty()) page = GamePage(game, Names(game.game), options_.ends, true);
  const std::array<std::string, 2> labels = Labels(game.game);
  std::lock_guard lock(mutex_);
  if (record_) record_->WriteGame(game, options_.tournament ? &labels : nullptr);
  progress_ << GameLine(game, labels) << std::flush;
  auto later = std::upper_bound(games_.begin(), games_.end(), game.game,
                                [](int number, const GameResult& g) { return number < g.game; });
  // The index needs the results only: the shots stay with the game page.
  GameResult kept = game;
  kept.shots.clear();
  games_.insert(later, std::move(kept));
  if (sprt_) {
    if (const std::optional<SprtSummary> test = sprt_->Add(game)) {
      progress_ << SprtProgressLine(*test) << std::flush;
      if (test->verdict != "go on") sprtDecided_ = true;  // and stays, whatever pairs follow
    }
  }
  if (!options_.picturesDir.empty()) {
    fs::path dir(options_.picturesDir);
    WritePictureFile(dir / GamePageName(game.game), page);
    WritePictureFile(dir / "index.html", Index());
  }
}

MatchTally MatchOutput::Finish() {
  std::lock_guard lock(mutex_);
  MatchTally tally;
  for (const GameResult& game : games_) tally.Add(game);
  // The same statistics as `curling-match summary` prints from the record; games_ is kept in
  // game-number order. With --sprt the test is taken over every game played, those that were
  // still running when a bound was crossed included.
  if (options_.tournament) {
    // A tournament's record has no summary line: `curling-match summary` reads its games.
    progress_ << TournamentText(SummarizeTournament(Finished(), *options_.tournament, 0))
              << std::flush;
    return tally;
  }
  const MatchSummary summary = Summarize(Finished(), {options_.engineA, options_.engineB},
                                         options_.sprt, options_.sprtPoints);
  const int played = static_cast<int>(games_.size());
  const std::optional<SprtSummary>& test = options_.sprtPoints ? summary.sprtPoints : summary.sprt;
  if (record_) {
    if (test)
      record_->WriteSprt(*test, SprtVerdict(*test), played, options_.sprtPoints.has_value());
    record_->WriteSummary(tally, {summary.engines[0].perGame, summary.engines[1].perGame});
  }
  progress_ << SummaryText(summary);
  if (test) {
    progress_ << "sprt: " << SprtVerdict(*test) << " after " << played << " of " << options_.games
              << " games\n";
  }
  progress_ << std::flush;
  return tally;
}

}  // namespace Match
