#include "experiment/run_command.h"

#include <utility>

#include "curling_simulator.h"
#include "experiment/report_writers.h"
#include "experiment/run_arguments.h"
#include "search/core/search_config.h"
#include "search/search_registry.h"
#include "shots/random.h"

namespace Curling {

namespace {

// Plays one shot of the run: search, row, file line, simulation.
void PlayShot(const ExperimentSetup& setup, CurlingGameState& state, ReportFiles& files,
              EngineOutput& out) {
  const std::int64_t start = setup.tickCount();
  // Read through the raw byte: whatever the simulator left there, a byte other than 0 is side 1.
  const Player& player = setup.players[state.SideByte() != 0 ? 1 : 0];
  const SearchResult result = player.search(state, player.config);
  const int shotNumber = state.shotNumber;
  WriteShotRow(out.reply, player.label, result, shotNumber,
               static_cast<long>(setup.tickCount() - start));
  WriteShotLine(files.shot, player.label, result, shotNumber,
                static_cast<long>(setup.tickCount() - start));
  if (setup.seededShots) {
    Simulation(state.Record(), result.best.shot.velocity, kSimulationNoise, nullptr,
               SimulationSeed(DrawProcessSeed()));
  } else {
    Simulation(state.Record(), result.best.shot.velocity, kSimulationNoise, nullptr, -1);
  }
}

// After the sixteenth shot of an end: if the simulator has closed the end (moved to the next end
// and back to shot 0), show the position it ended with and clear the sheet for the next end.
void CloseEnd(CurlingGameState& state, std::ostream& log) {
  if (state.endNumber == 0 || state.shotNumber != 0) return;
  state.PrintState(log);
  for (StonePosition& stone : state.stones) stone = StonePosition{0.0f, 0.0f};
}

}  // namespace

PlayerTable EnginePlayers(std::ostream& log, const SearchSettings& settings, bool strong) {
  const auto player = [&](std::string_view name) {
    const SearchEntry& entry = SearchNamed(name);
    return Player{std::string(entry.label), entry.driver, EngineSearchConfig(log, settings)};
  };
  return strong ? PlayerTable{player("strong"), player("primitive")}
                : PlayerTable{player("primitive"), player("uct")};
}

ExperimentSetup EngineExperiment(std::ostream& log, const SearchSettings& settings, bool strong) {
  return ExperimentSetup{EnginePlayers(log, settings, strong), ".", GetTickCount, settings.seeded};
}

bool RunExperiment(const std::vector<std::string>& tokens, const ExperimentSetup& setup,
                   EngineOutput& out) {
  const RunArguments arguments = ParseRunArguments(tokens);
  if (arguments.status == RunArguments::Status::kIgnored) return true;
  if (arguments.status == RunArguments::Status::kBadValue) {
    out.log << "error argument value" << std::endl;
    return true;
  }

  ReportFiles files(setup.reportDirectory);
  Tallies tallies;
  WriteTableHeader(out.log);

  CurlingGameState state;
  for (int game = 0; game < arguments.games; ++game) {
    state.Reset();
    for (int end = 0; end < arguments.ends; ++end) {
      for (int shot = 0; shot < kShotsPerEnd; ++shot) PlayShot(setup, state, files, out);
      CloseEnd(state, out.log);
    }
    tallies.Count(state);
    WriteGameLine(files.result, state);
  }

  WriteSummary(out.log, files.aggregate, setup.players[0].label, setup.players[1].label, tallies);
  return true;
}

std::function<bool(const std::vector<std::string>&, CurlingGameState&, EngineOutput&)>
MakeRunHandler(ExperimentSetup setup) {
  return
      [setup = std::move(setup)](const std::vector<std::string>& tokens, CurlingGameState&,
                                 EngineOutput& out) { return RunExperiment(tokens, setup, out); };
}

}  // namespace Curling
