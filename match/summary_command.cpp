#include "summary_command.h"

#include <filesystem>
#include <fstream>
#include <set>
#include <stdexcept>

#include "game_page.h"
#include "house_svg.h"
#include "record.h"
#include "record_reader.h"
#include "summary.h"
#include "tournament_summary.h"

namespace Match {

namespace {

namespace fs = std::filesystem;

// The pictures of the games read, as the live runner writes them at the end of the match: every
// end's SVG, every finished game's page and the index. The file names hold only the game number,
// so the games must come from one match.
void WritePictures(const RecordSet& records, const std::string& dirName,
                   const TournamentSummary* tournament, const std::optional<SprtPlot>& plot) {
  std::set<std::uint64_t> seeds;
  for (const MatchGame& game : records.games) seeds.insert(game.matchSeed);
  if (seeds.size() > 1) {
    throw std::runtime_error(
        "--pictures takes the records of one match; the games read come "
        "from " +
        std::to_string(seeds.size()) + " match seeds");
  }
  const fs::path dir(dirName);
  std::error_code error;
  fs::create_directories(dir, error);
  if (error || !fs::is_directory(dir)) {
    throw std::runtime_error("cannot create the pictures directory " + dirName);
  }
  std::array<std::string, 2> names{kEngineLabels[0] + ": " + records.commands[0],
                                   kEngineLabels[1] + ": " + records.commands[1]};
  std::vector<GameResult> results;
  for (const MatchGame& game : records.games) {
    if (records.tournament) {
      for (int e = 0; e < 2; ++e) {
        const TournamentEngine& engine = records.tournament->engines[game.engines[e]];
        names[e] = kEngineLabels[e] + ": " + engine.name + " (" + engine.command + ")";
      }
    }
    const GameResult& result = game.result;
    const std::array<std::string, 2> labelOfSide{kEngineLabels[result.engineOfSide[0]],
                                                 kEngineLabels[result.engineOfSide[1]]};
    for (const EndPicture& end : result.ends) {
      WritePictureFile(dir / EndSvgName(end.game, end.end), HouseSvgDocument(end, labelOfSide));
    }
    WritePictureFile(dir / GamePageName(result.game), GamePage(result, names, game.ends, true));
    results.push_back(result);
  }
  WritePictureFile(dir / "index.html", tournament ? TournamentIndexPage(*tournament, results)
                                                  : IndexPage(results, names, plot));
}

}  // namespace

int RunSummaryCommand(const SummaryOptions& options, std::ostream& out, std::ostream& err) {
  try {
    RecordSet records = ReadRecordFiles(options.records);
    for (const std::string& warning : records.warnings) {
      err << "curling-match summary: warning: " << warning << "\n";
    }
    if (records.tournament) {
      if (options.sprt || options.sprtPoints) {
        throw std::runtime_error("--sprt and --sprt-points do not go with a tournament's records");
      }
      int anchor = 0;
      if (!options.anchor.empty()) {
        anchor = records.tournament->IndexOf(options.anchor);
        if (anchor < 0) throw std::runtime_error("--anchor: no engine is called " + options.anchor);
      }
      const TournamentSummary summary =
          SummarizeTournament(records.games, *records.tournament, anchor);
      if (options.json) {
        out << TournamentJson(summary).dump(2, ' ', false, nlohmann::json::error_handler_t::replace)
            << "\n";
      } else {
        out << TournamentText(summary);
      }
      out << std::flush;
      if (!options.picturesDir.empty()) {
        WritePictures(records, options.picturesDir, &summary, std::nullopt);
      }
      return 0;
    }
    if (!options.anchor.empty())
      throw std::runtime_error("--anchor goes with a tournament's records");
    const MatchSummary summary =
        Summarize(records.games, records.commands, options.sprt, options.sprtPoints);
    if (options.json) {
      out << SummaryJson(summary).dump(2, ' ', false, nlohmann::json::error_handler_t::replace)
          << "\n";
    } else {
      out << SummaryText(summary);
    }
    out << std::flush;
    if (!options.picturesDir.empty()) {
      // The index plots the test on results, or else the one on points.
      std::optional<SprtPlot> plot;
      if (options.sprtPoints) plot = SprtPlot{*options.sprtPoints, true};
      if (options.sprt) plot = SprtPlot{*options.sprt, false};
      WritePictures(records, options.picturesDir, nullptr, plot);
    }
    return 0;
  } catch (const std::exception& error) {
    err << "curling-match summary: " << error.what() << "\n";
    return 1;
  }
}

}  // namespace Match
