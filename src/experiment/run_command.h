#pragma once

#include <array>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "curling/engine_output.h"
#include "curling/game_state.h"
#include "experiment/tick_count.h"
#include "search/core/search_config.h"
#include "search/core/search_result.h"

namespace Curling {

// One side of the self-play table: the label its rows carry, the search that chooses its shots
// and the configuration that search runs under.
struct Player {
  std::string label;
  SearchDriver search;
  SearchConfig config;
};

// Entry 0 plays side 0, entry 1 side 1.
using PlayerTable = std::array<Player, 2>;

// Everything an experiment run needs besides its command: who plays, where the report files go,
// and the millisecond counter that times each shot. The engine uses EngineExperiment; tests hand
// in fast fake searches, a temporary directory and a counter of their own. With seededShots, each
// real shot's noise gets a simulator seed drawn from the process-wide generator (DrawProcessSeed),
// so that a seeded run repeats; without, the real shots carry no seed.
struct ExperimentSetup {
  PlayerTable players;
  std::filesystem::path reportDirectory;
  TickSource tickCount;
  bool seededShots = false;
};

// The engine's table: "Primitive" against "UCT" (from the registry of searches), both with the
// engine's search configuration under `settings` writing its diagnostics to `log`; with `strong`,
// "Strong" as side 0 against "Primitive" as side 1.
PlayerTable EnginePlayers(std::ostream& log, const SearchSettings& settings = {},
                          bool strong = false);

// The engine's experiment: its players (EnginePlayers), reports in the current directory,
// GetTickCount, real shots seeded when the searches are.
ExperimentSetup EngineExperiment(std::ostream& log, const SearchSettings& settings = {},
                                 bool strong = false);

// The "Run" command: plays self-play games on a game state of its own (never the loop's) and
// writes the shot table (rows as raw writes through out.reply, the rest on out.log) and the three
// report files. See RunArguments for the counts. Each shot, in this order: search for the side to
// move, console row, "shot.txt" line, Simulation with noise 0.3. After each end the simulator has
// closed, the state is printed and its stones cleared. Blocks until every game is played; returns
// true (the engine goes on).
bool RunExperiment(const std::vector<std::string>& tokens, const ExperimentSetup& setup,
                   EngineOutput& out);

// RunExperiment as a command handler. The loop's state it receives is neither read nor changed.
std::function<bool(const std::vector<std::string>&, CurlingGameState&, EngineOutput&)>
MakeRunHandler(ExperimentSetup setup);

}  // namespace Curling
