#include "match.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>

#include "engine_client.h"
#include "game.h"
#include "game_page.h"
#include "house_svg.h"
#include "record.h"
#include "summary.h"

namespace Match {

namespace {

namespace fs = std::filesystem;

// Writes a whole file or throws.
void WriteFile(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

// Everything that watches the games: record lines, progress lines and end pictures.
class MatchObserver : public GameObserver {
 public:
  MatchObserver(const MatchOptions& options, RecordWriter* record, std::ostream& progress,
                std::array<std::string, 2> names)
      : options_(options), record_(record), progress_(progress), names_(std::move(names)) {}

  void StartGame(const std::array<int, 2>& engineOfSide) { engineOfSide_ = engineOfSide; }

  void OnShot(const ShotEvent& shot) override {
    if (record_) record_->WriteShot(shot, engineOfSide_);
    char line[256];
    std::snprintf(line, sizeof line,
                  "game %d/%d end %d/%d shot %2d/16: %s (side %d) BESTSHOT %.6f %.6f %d, "
                  "%.2f s; end score %+d\n",
                  shot.game + 1, options_.games, shot.end + 1, options_.ends, shot.shot + 1,
                  kEngineLabels[engineOfSide_[shot.side]].c_str(), shot.side, double{shot.asked.vx},
                  double{shot.asked.vy}, shot.asked.curl ? 1 : 0, shot.seconds, shot.runningScore);
    progress_ << line << std::flush;
  }

  // The end's picture, and the game page so far, so that a long match can be watched as it
  // is played (the page is written again when the game is over).
  void OnEnd(const EndPicture& end, const GameResult& soFar) override {
    if (options_.picturesDir.empty()) return;
    std::array<std::string, 2> nameOfSide{kEngineLabels[engineOfSide_[0]],
                                          kEngineLabels[engineOfSide_[1]]};
    fs::path dir(options_.picturesDir);
    WriteFile(dir / EndSvgName(end.game, end.end), HouseSvgDocument(end, nameOfSide));
    GameResult page = soFar;
    page.winnerSide = -1;
    WriteFile(dir / GamePageName(end.game), GamePage(page, names_, options_.ends, false));
  }

 private:
  const MatchOptions& options_;
  RecordWriter* record_;
  std::ostream& progress_;
  std::array<std::string, 2> names_;
  std::array<int, 2> engineOfSide_{0, 1};
};

// Ends both engines on every way out of the match.
struct EnginePair {
  std::array<std::unique_ptr<EngineClient>, 2> clients;
  ~EnginePair() {
    for (auto& client : clients) {
      if (client) client->Shutdown();
    }
  }
};

// "game 2: B 5 - 3 A, winner B", with any forfeit and its reason.
std::string GameLine(const GameResult& game) {
  std::string line = "game " + std::to_string(game.game + 1) + ": ";
  for (int side = 0; side < 2; ++side) {
    if (game.forfeit[side].empty()) continue;
    line += kEngineLabels[game.engineOfSide[side]] + " forfeits (" + game.forfeit[side] + "); ";
  }
  int points[2] = {0, 0};
  for (int score : game.endScores) points[score > 0 ? 0 : 1] += score > 0 ? score : -score;
  line += kEngineLabels[game.engineOfSide[0]] + " " + std::to_string(points[0]) + " - " +
          std::to_string(points[1]) + " " + kEngineLabels[game.engineOfSide[1]] + ", winner ";
  line +=
      game.winnerSide < 0 ? std::string("none") : kEngineLabels[game.engineOfSide[game.winnerSide]];
  return line + "\n";
}

}  // namespace

MatchTally RunMatch(const MatchOptions& options, const ShotPlayer& physics,
                    std::ostream& progress) {
  const std::array<std::string, 2> names{kEngineLabels[0] + ": " + options.engineA,
                                         kEngineLabels[1] + ": " + options.engineB};
  std::ofstream recordFile;
  std::unique_ptr<RecordWriter> record;
  if (!options.recordPath.empty()) {
    recordFile.open(options.recordPath, std::ios::binary | std::ios::trunc);
    if (!recordFile) throw std::runtime_error("cannot open the record file " + options.recordPath);
    record = std::make_unique<RecordWriter>(recordFile);
    record->WriteMatch(options);
  }
  if (!options.picturesDir.empty()) {
    std::error_code error;
    fs::create_directories(options.picturesDir, error);
    if (error || !fs::is_directory(options.picturesDir)) {
      throw std::runtime_error("cannot create the pictures directory " + options.picturesDir);
    }
  }
  progress << "match seed " << options.seed << "\n" << std::flush;

  EnginePair engines;
  const std::chrono::duration<double> limit(options.timeLimit);
  engines.clients[0] = std::make_unique<EngineClient>(options.engineA, limit);
  engines.clients[1] = std::make_unique<EngineClient>(options.engineB, limit);

  MatchObserver observer(options, record.get(), progress, names);
  GameSettings settings{options.ends, static_cast<float>(options.noise), options.seed};
  MatchTally tally;
  std::vector<GameResult> games;
  for (int game = 0; game < options.games; ++game) {
    // Sides swap every game: ENGINE_A is side 0 in games 1, 3, 5, ...
    std::array<int, 2> engineOfSide =
        game % 2 == 0 ? std::array<int, 2>{0, 1} : std::array<int, 2>{1, 0};
    std::array<Player*, 2> bySide{engines.clients[engineOfSide[0]].get(),
                                  engines.clients[engineOfSide[1]].get()};
    observer.StartGame(engineOfSide);
    GameResult result = PlayGame(game, bySide, engineOfSide, physics, settings, observer);
    tally.Add(result);
    if (record) record->WriteGame(result);
    progress << GameLine(result) << std::flush;
    games.push_back(result);
    if (!options.picturesDir.empty()) {
      fs::path dir(options.picturesDir);
      WriteFile(dir / GamePageName(game), GamePage(result, names, options.ends, true));
      WriteFile(dir / "index.html", IndexPage(games, names));
    }
  }
  if (record) record->WriteSummary(tally);
  // The same statistics as `curling-match summary` prints from the record.
  std::vector<MatchGame> finished;
  for (const GameResult& game : games) finished.push_back({options.seed, options.ends, game});
  std::sort(finished.begin(), finished.end(),
            [](const MatchGame& a, const MatchGame& b) { return a.result.game < b.result.game; });
  progress << SummaryText(Summarize(finished, {options.engineA, options.engineB}, std::nullopt))
           << std::flush;
  return tally;
}

}  // namespace Match
