#include "experiment/report_writers.h"

#include <cstdint>

#include "experiment/formatted_write.h"

namespace Curling {

ReportFiles::ReportFiles(const std::filesystem::path& directory)
    : shot(directory / "shot.txt"),
      result(directory / "result.txt"),
      aggregate(directory / "aggregate.txt") {}

void Tallies::Count(const CurlingGameState& state) {
  // Summed wide: ten scores of any value left by the simulator cannot overflow.
  std::int64_t sum = 0;
  for (const std::int32_t score : state.endScores) sum += score;
  if (sum > 0) {
    ++firstWins;
  } else if (sum < 0) {
    ++secondWins;
  } else {
    ++draws;
  }
}

void WriteTableHeader(std::ostream& log) {
  log << "Name : Count : Size : ShotNum : Pow : Type : Rate : win : playout : time" << std::endl;
}

void WriteShotRow(const std::function<bool(std::string_view)>& reply, const std::string& player,
                  const SearchResult& result, int shotNumber, long elapsedMs) {
  const ChosenShot& best = result.best;
  const CurlingMoveState& shot = best.shot;
  // The two playout counts are unsigned and printed with %d, as the table always has: the same
  // text for every count a search can reach (below 2^31).
  FormattedWrite(reply, "%7s : %5d : %4d : %5d : %2.0f : %11s : %.3f : %.0f : %5d : %5ld\n",
                 player.c_str(), result.playoutCount, result.candidateCount, shotNumber, shot.power,
                 shot.label.c_str(), best.mean, best.total, best.samples, elapsedMs);
}

void WriteShotLine(std::ostream& file, const std::string& player, const SearchResult& result,
                   int shotNumber, long elapsedMs) {
  const ChosenShot& best = result.best;
  const CurlingMoveState& shot = best.shot;
  file << player << ',' << result.playoutCount << ',' << result.candidateCount << ',' << shotNumber
       << ',' << shot.power << ',' << shot.label << ',' << best.mean << ',' << best.total << ','
       << best.samples << ',' << elapsedMs << std::endl;
}

void WriteGameLine(std::ostream& file, const CurlingGameState& state) {
  for (const std::int32_t score : state.endScores) file << score << ',';
  file << std::endl;
}

void WriteSummary(std::ostream& log, std::ostream& aggregate, const std::string& first,
                  const std::string& second, const Tallies& tallies) {
  log << first << "win " << tallies.firstWins << std::endl;
  log << second << "win " << tallies.secondWins << std::endl;
  log << "draw num " << tallies.draws << std::endl;
  aggregate << tallies.firstWins << ',' << tallies.secondWins << ',' << tallies.draws << std::endl;
  log << "Run Command End" << std::endl;
}

}  // namespace Curling
