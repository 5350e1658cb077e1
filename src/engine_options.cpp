#include "engine_options.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <sstream>
#include <system_error>
#include <utility>

#include <string>
#include <vector>

namespace Curling {

namespace {

constexpr const char* kDescription =
    "Plays curling for one side of a game run by a game server, which writes one command per\n"
    "write to standard input and reads the replies from standard output. Without options GO is\n"
    "answered by the \"Primitive\" search with four workers of 5000 ms each, seeded from the\n"
    "clock. With --seed and --playouts the same commands give the same replies, byte for byte.";

// Longest time limit accepted: one day.
constexpr std::int64_t kMaxThinkMs = 86'400'000;

// Most workers a search may run.
constexpr int kMaxWorkers = 64;

// The memory limit's bounds, in MiB: enough for a search to grow at all, at most 1 TiB.
constexpr std::uint64_t kMinMemoryMb = 16;
constexpr std::uint64_t kMaxMemoryMb = 1u << 20;

// The largest count of a search's simulations or iterations, all workers together.
constexpr std::uint64_t kMaxSearchCount = 4'294'967'295u;

ParseExit UsageError(const std::string& message) {
  return ParseExit{2, "curling-engine: " + message + "\nRun with --help for more information.\n",
                   false};
}

}  // namespace

std::variant<EngineOptions, ParseExit> ParseOptions(int argc, const char* const* argv) {
  EngineOptions options;
  CLI::App app{kDescription, "curling-engine"};
  app.get_formatter()->column_width(22);
  // The ranges are stated in the descriptions; the validators keep out of the type column.
  app.add_option("--think-ms", options.search.limitMs,
                 "Time limit of each search worker in ms, 1 to 86400000")
      ->type_name("N")
      ->capture_default_str()
      ->check(CLI::Range(std::int64_t{1}, kMaxThinkMs).description(""));
  std::string searchName(Searches().front().name);
  std::vector<std::string> searchNames;
  for (const SearchEntry& entry : Searches()) searchNames.emplace_back(entry.name);
  app.add_option("--search", searchName, "Search that answers GO: primitive, uct or strong")
      ->type_name("NAME")
      ->capture_default_str()
      ->check(CLI::IsMember(searchNames).description(""));
  app.add_option("--workers", options.search.workers, "Workers of every search, 1 to 64")
      ->type_name("N")
      ->capture_default_str()
      ->check(CLI::Range(1, kMaxWorkers).description(""));
  std::uint64_t memoryMb = kDefaultMemoryMb;
  app.add_option("--memory-mb", memoryMb,
                 "Memory the searches may keep, in MiB, 16 to 1048576, shared by the workers")
      ->type_name("N")
      ->capture_default_str()
      ->check(CLI::Range(kMinMemoryMb, kMaxMemoryMb).description(""));
  std::string seedText;
  auto* seedOption = app.add_option("--seed", seedText,
                                    "Seed instead of the clock, 0 to 4294967295; the searches' "
                                    "simulated shots are seeded too")
                         ->type_name("S");
  std::int64_t playouts = 0;
  auto* playoutsOption =
      app.add_option("--playouts", playouts,
                     "Each worker stops after N simulations or iterations, not on "
                     "the clock")
          ->type_name("N")
          ->check(CLI::Range(std::int64_t{1}, static_cast<std::int64_t>(kMaxSearchCount))
                      .description(""));
  playoutsOption->excludes(app.get_option("--think-ms"));
  std::string evalName = "fitted";
  app.add_option("--eval", evalName,
                 "How \"Strong\" values positions: fitted, or learned (needs --search strong)")
      ->type_name("NAME")
      ->capture_default_str()
      ->check(CLI::IsMember({"fitted", "learned"}).description(""));
  std::string weightsPath;
  auto* weightsOption =
      app.add_option("--weights", weightsPath,
                     "Weights file of the learned evaluation instead of the compiled-in one "
                     "(needs --eval learned)")
          ->type_name("FILE");

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    return ParseExit{0, app.help(), true};
  } catch (const CLI::ParseError& e) {
    return UsageError(e.what());
  }

  options.goSearch = SearchNamed(searchName).driver;
  options.search.memoryBytes = memoryMb * kBytesPerMb;
  options.strongRun = searchName == "strong";
  if (playoutsOption->count() > 0) {
    if (static_cast<std::uint64_t>(playouts) * static_cast<std::uint64_t>(options.search.workers) >
        kMaxSearchCount) {
      return UsageError("--playouts times --workers must not exceed 4294967295");
    }
    options.search.playoutLimit = static_cast<std::uint32_t>(playouts);
  }
  if (seedOption->count() > 0) {
    std::uint32_t seed = 0;
    const char* end = seedText.data() + seedText.size();
    const auto [ptr, ec] = std::from_chars(seedText.data(), end, seed);
    if (seedText.empty() || ec != std::errc{} || ptr != end) {
      return UsageError("--seed: not a whole number from 0 to 4294967295: " + seedText);
    }
    options.seed = seed;
    options.search.seeded = true;
  }
  const bool learned = evalName == "learned";
  if (learned && !options.strongRun) return UsageError("--eval learned needs --search strong");
  if (weightsOption->count() > 0 && !learned) return UsageError("--weights needs --eval learned");
  if (learned) {
    std::string error;
    options.learned = LoadLearnedEvaluator(weightsOption->count() > 0 ? weightsPath : "", error);
    if (!options.learned) return ParseExit{2, "curling-engine: " + error + "\n", false};
    options.search.evaluator = options.learned.get();
  }
  return options;
}

}  // namespace Curling
