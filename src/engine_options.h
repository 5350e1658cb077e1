#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "search/core/search_config.h"
#include "search/search_registry.h"

namespace Curling {

// What the engine's command line decides. Default-constructed it is the engine without options:
// "Primitive" answers GO, four workers of 5000 ms each, generators seeded from the wall clock.
// Parsed once in main, which seeds the process-wide generator and builds the GO and Run handlers
// from it.
// - search: the searches' knobs, for GO and for Run alike (search.seeded is set with seed)
// - goSearch: the search that answers GO (PrimitiveSearch, UCTSearch or StrongSearch)
// - strongRun: Run plays "Strong" against "Primitive" instead of "Primitive" against "UCT"
// - seed: the process-wide generator's seed instead of the wall clock
// - learned: with --eval learned, the learned evaluator "Strong" values its samples by (the one
//   search.evaluator points to), kept for the whole process; null otherwise
struct EngineOptions {
  SearchSettings search;
  SearchDriver goSearch = SearchNamed("primitive").driver;
  bool strongRun = false;
  std::optional<std::uint32_t> seed{};
  std::shared_ptr<const LearnedEndEvaluator> learned{};
};

// The outcome of parsing when the program should stop at once: the text to print, where to print
// it and the exit status (0 after --help, 2 after a usage error).
struct ParseExit {
  int status = 0;
  std::string text;
  bool toStdout = false;
};

// Parses the engine's arguments: [--think-ms N] [--search primitive|uct|strong] [--workers N]
// [--memory-mb N] [--seed S] [--playouts N] [--eval fitted|learned] [--weights FILE] [--help]. An
// unknown option, a missing or bad value, a stray positional argument, --think-ms together with
// --playouts, a playout count that the search's 32-bit count of all workers together cannot hold,
// --eval learned without --search strong, or --weights without --eval learned, is a usage error.
// With --eval learned the network is read here (from --weights or the compiled-in default): a
// file that cannot be read or is refused ends the engine with status 2 and the loader's reason.
std::variant<EngineOptions, ParseExit> ParseOptions(int argc, const char* const* argv);

}  // namespace Curling
