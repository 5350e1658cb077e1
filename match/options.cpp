#include "options.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <cmath>
#include <random>
#include <tuple>

namespace Match {

namespace {

constexpr const char* kDescription =
    "Plays games of curling between two engines that speak the engine protocol on their standard\n"
    "input and output, as a game server does. Each ENGINE is a shell command line (run with\n"
    "/bin/sh -c). ENGINE_A plays side 0 in odd-numbered games and side 1 in even-numbered ones;\n"
    "side 0 delivers the first stone of the first end. Every shot is played by the stone\n"
    "simulator with the given execution noise and a seed derived from --seed, so the same seed\n"
    "and engines replay the same match.\n"
    "`curling-match summary RECORD...` prints the statistics of recorded games instead;\n"
    "`curling-match tournament --engine NAME=COMMAND...` plays a tournament of named engines.";

constexpr const char* kSummaryDescription =
    "Reads JSON-lines records written by --record (the shards of one match, or any records of\n"
    "the same two engines) and prints each engine's results, the mean score differences and the\n"
    "Elo difference of A over B from the game pairs (games 2k-1 and 2k of a match seed).";

// "H0,H1" or "H0,H1,ALPHA,BETA" with H0 < H1 and ALPHA, BETA in (0, 1).
std::optional<SprtSettings> ParseSprt(const std::string& text) {
  std::vector<double> values;
  const char* at = text.data();
  const char* end = text.data() + text.size();
  while (true) {
    double value = 0.0;
    auto [ptr, ec] = std::from_chars(at, end, value);
    if (ec != std::errc{} || !std::isfinite(value)) return std::nullopt;
    values.push_back(value);
    if (ptr == end) break;
    if (*ptr != ',') return std::nullopt;
    at = ptr + 1;
  }
  if (values.size() != 2 && values.size() != 4) return std::nullopt;
  SprtSettings sprt{values[0], values[1]};
  if (values.size() == 4) {
    sprt.alpha = values[2];
    sprt.beta = values[3];
  }
  const auto probability = [](double p) { return p > 0.0 && p < 1.0; };
  if (!(sprt.h0 < sprt.h1) || !probability(sprt.alpha) || !probability(sprt.beta)) {
    return std::nullopt;
  }
  return sprt;
}

ParseExit UsageError(const std::string& message) {
  return ParseExit{2, "curling-match: " + message + "\nRun with --help for more information.\n",
                   false};
}

// The test of `option` ("--sprt" or "--sprt-points") from `text` into `settings`; the usage error
// when it is malformed.
std::optional<ParseExit> ReadSprt(const std::string& option, const std::string& text,
                                  std::optional<SprtSettings>& settings) {
  settings = ParseSprt(text);
  if (settings) return std::nullopt;
  const std::string h = option == "--sprt" ? "ELO" : "D";
  return UsageError(option + ": expected " + h + "0," + h + "1 or " + h + "0," + h +
                    "1,ALPHA,BETA with " + h + "0 < " + h +
                    "1 and ALPHA, BETA between 0 and 1: " + text);
}

// Reads "I/N" with 0 <= I < N into `index` and `count`; false for any other form.
bool ParseShard(const std::string& text, int& index, int& count) {
  const std::size_t slash = text.find('/');
  if (slash == std::string::npos) return false;
  auto whole = [](const char* first, const char* last, int& value) {
    auto [ptr, ec] = std::from_chars(first, last, value);
    return first != last && ec == std::errc{} && ptr == last;
  };
  const char* begin = text.data();
  return whole(begin, begin + slash, index) &&
         whole(begin + slash + 1, begin + text.size(), count) && index >= 0 && index < count;
}

constexpr const char* kTournamentDescription =
    "Plays a tournament of named engines: every pairing (round robin, or each engine against the\n"
    "--gauntlet engine) is a match of --pairs game pairs, with the match's sides and seeds. The\n"
    "match options (--ends, --seed, --noise, --time-limit, --concurrency, --shard, --record,\n"
    "--pictures) apply to the whole tournament; --shard counts its games from the first pairing\n"
    "on. The summary prints the crosstable and one Elo per engine.";

// The tournament subcommand's own settings, before they are checked.
struct TournamentArgs {
  std::vector<std::string> engines;  // NAME=COMMAND
  std::string gauntlet;
  int pairs = 1;
};

// The engines and schedule, or the usage error that names what is wrong.
std::variant<Tournament, ParseExit> CheckTournament(const TournamentArgs& args) {
  Tournament tournament;
  for (const std::string& text : args.engines) {
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos || equals == 0 || equals + 1 == text.size()) {
      return UsageError("--engine: expected NAME=COMMAND with neither empty: " + text);
    }
    TournamentEngine engine{text.substr(0, equals), text.substr(equals + 1)};
    if (tournament.IndexOf(engine.name) >= 0) {
      return UsageError("--engine: the name " + engine.name + " is used twice");
    }
    tournament.engines.push_back(std::move(engine));
  }
  if (tournament.engines.size() < 2) {
    return UsageError("a tournament needs two engines or more (--engine NAME=COMMAND)");
  }
  int gauntlet = -1;
  if (!args.gauntlet.empty()) {
    gauntlet = tournament.IndexOf(args.gauntlet);
    if (gauntlet < 0) return UsageError("--gauntlet: no engine is called " + args.gauntlet);
  }
  if (args.pairs < 1) {
    return UsageError("--pairs must be 1 or more: " + std::to_string(args.pairs));
  }
  tournament.pairs = args.pairs;
  tournament.pairings = Pairings(static_cast<int>(tournament.engines.size()), gauntlet);
  if (tournament.Games() > 1000000) return UsageError("a tournament of more than 1000000 games");
  return tournament;
}

}  // namespace

int Tournament::IndexOf(const std::string& name) const {
  for (std::size_t i = 0; i < engines.size(); ++i) {
    if (engines[i].name == name) return static_cast<int>(i);
  }
  return -1;
}

std::vector<std::array<int, 2>> Pairings(int engines, int gauntlet) {
  std::vector<std::array<int, 2>> pairings;
  for (int a = 0; a < engines; ++a) {
    for (int b = a + 1; b < engines; ++b) {
      if (gauntlet < 0) pairings.push_back({a, b});
    }
    if (gauntlet >= 0 && a != gauntlet) pairings.push_back({gauntlet, a});
  }
  return pairings;
}

std::variant<MatchOptions, ParseExit> ParseOptions(int argc, const char* const* argv) {
  MatchOptions options;
  CLI::App app{kDescription, "curling-match"};
  app.get_formatter()->column_width(28);
  // Required unless the subcommand is given (checked after parsing).
  auto* engineA = app.add_option("ENGINE_A", options.engineA, "Command line of the first engine");
  auto* engineB = app.add_option("ENGINE_B", options.engineB, "Command line of the second engine");
  app.add_option("--ends", options.ends, "Ends per game")
      ->capture_default_str()
      ->check(CLI::Range(1, 10));
  app.add_option("--games", options.games, "Games in the match (sides swap every game)")
      ->capture_default_str()
      ->check(CLI::Range(1, 1000000));
  std::string seedText;
  auto* seedOption =
      app.add_option("--seed", seedText, "Match seed, 0 to 2^64-1 (default: random, in the record)")
          ->type_name("UINT");
  app.add_option("--noise", options.noise, "Execution error of every shot, in metres")
      ->capture_default_str()
      ->check(CLI::Range(0.0, 10.0));
  app.add_option("--time-limit", options.timeLimit, "Seconds an engine may take per shot")
      ->capture_default_str()
      ->check(CLI::Range(0.001, 86400.0));
  app.add_option("--record", options.recordPath, "Write the game record (JSON lines) to FILE")
      ->type_name("FILE");
  app.add_option("--pictures", options.picturesDir,
                 "Write an SVG per end and an HTML page per game into DIR")
      ->type_name("DIR");
  app.add_option("--concurrency", options.concurrency,
                 "Games played at once, each by its own pair of engine processes")
      ->capture_default_str()
      ->check(CLI::Range(1, 64));
  std::string shardText = "0/1";
  app.add_option("--shard", shardText,
                 "Play only the games g with (g - 1) mod N = I, numbered as in the whole match")
      ->capture_default_str()
      ->type_name("I/N");
  app.add_option("--first-game", options.firstGame,
                 "Play only the games K to --games (K odd), numbered as in the whole match")
      ->capture_default_str()
      ->check(CLI::Range(1, 1000000))
      ->type_name("K");

  std::string matchSprtText;
  auto* matchSprt =
      app.add_option("--sprt", matchSprtText,
                     "Stop once the sequential test of H0 Elo=ELO0 against H1 Elo=ELO1 decides "
                     "(--games is then the most games, even)")
          ->type_name("ELO0,ELO1[,ALPHA,BETA]");
  std::string matchPointsText;
  auto* matchPoints =
      app.add_option("--sprt-points", matchPointsText,
                     "The same on A's points minus B's per end, H0 D0 against H1 D1, taken over "
                     "game pairs (instead of --sprt)")
          ->type_name("D0,D1[,ALPHA,BETA]");

  SummaryOptions summary;
  std::string sprtText;
  CLI::App* summaryCommand = app.add_subcommand("summary", kSummaryDescription);
  summaryCommand->add_option("RECORD", summary.records, "Game records (JSON lines)")->required();
  summaryCommand
      ->add_option("--sprt", sprtText,
                   "Sequential probability ratio test of H0 Elo=ELO0 against H1 Elo=ELO1 "
                   "(ALPHA and BETA default to 0.05)")
      ->type_name("ELO0,ELO1[,ALPHA,BETA]");
  std::string pointsText;
  summaryCommand
      ->add_option("--sprt-points", pointsText,
                   "The same test on A's points minus B's per end over game pairs, H0 D0 "
                   "against H1 D1")
      ->type_name("D0,D1[,ALPHA,BETA]");
  summaryCommand
      ->add_option("--pictures", summary.picturesDir,
                   "Write the game pages and end pictures of the games read into DIR")
      ->type_name("DIR");
  summaryCommand->add_flag("--json", summary.json, "Print one JSON object instead of text");
  summaryCommand
      ->add_option("--anchor", summary.anchor,
                   "A tournament's engine whose Elo is 0 (default: the first engine)")
      ->type_name("NAME");

  app.require_subcommand(0, 1);
  TournamentArgs tournamentArgs;
  CLI::App* tournamentCommand = app.add_subcommand("tournament", kTournamentDescription);
  // The match options are the main command's: they may follow the subcommand's name.
  tournamentCommand->fallthrough();
  tournamentCommand
      ->add_option("--engine", tournamentArgs.engines, "An engine of the tournament (two or more)")
      ->type_name("NAME=COMMAND");
  tournamentCommand
      ->add_option("--gauntlet", tournamentArgs.gauntlet,
                   "Pair every other engine with NAME only (default: round robin)")
      ->type_name("NAME");
  tournamentCommand
      ->add_option("--pairs", tournamentArgs.pairs, "Game pairs per pairing (sides swapped)")
      ->capture_default_str();

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    return ParseExit{0, app.help(), true};
  } catch (const CLI::ParseError& e) {
    return UsageError(e.what());
  }
  if (summaryCommand->parsed()) {
    // The match's own options and engines do not go with the subcommand.
    for (const CLI::Option* option : app.get_options()) {
      if (option->count() > 0) {
        return UsageError(option->get_name() + " does not go with the summary subcommand");
      }
    }
    if (summaryCommand->get_option("--sprt")->count() > 0) {
      if (auto error = ReadSprt("--sprt", sprtText, summary.sprt)) return *error;
    }
    if (summaryCommand->get_option("--sprt-points")->count() > 0) {
      if (auto error = ReadSprt("--sprt-points", pointsText, summary.sprtPoints)) return *error;
    }
    options.summary = std::move(summary);
    return options;
  }
  if (tournamentCommand->parsed()) {
    if (engineA->count() > 0) return UsageError("a tournament takes its engines by --engine");
    if (app.get_option("--games")->count() > 0) {
      return UsageError("--games does not go with a tournament (use --pairs)");
    }
    if (matchSprt->count() > 0) return UsageError("--sprt does not go with a tournament");
    auto checked = CheckTournament(tournamentArgs);
    if (auto* exit = std::get_if<ParseExit>(&checked)) return *exit;
    options.tournament = std::get<Tournament>(std::move(checked));
    options.games = options.tournament->Games();
  } else if (engineA->count() == 0 || engineB->count() == 0) {
    return UsageError("ENGINE_A and ENGINE_B are required");
  }
  if (!std::isfinite(options.noise) || !std::isfinite(options.timeLimit)) {
    return ParseExit{2, "curling-match: --noise and --time-limit must be finite\n", false};
  }
  if (!ParseShard(shardText, options.shardIndex, options.shardCount)) {
    return ParseExit{2,
                     "curling-match: --shard: not I/N with whole numbers 0 <= I < N: " + shardText +
                         "\nRun with --help for more information.\n",
                     false};
  }
  // A pair is games 2k-1 and 2k: a run that starts inside one would leave both halves unpaired.
  if (options.firstGame % 2 == 0 || options.firstGame > options.games) {
    return UsageError("--first-game: not an odd game number from 1 to --games (" +
                      std::to_string(options.games) + "): " + std::to_string(options.firstGame));
  }
  if (matchSprt->count() > 0 && matchPoints->count() > 0) {
    return UsageError("--sprt and --sprt-points do not go together: one test stops a match");
  }
  for (const auto& [option, given, text, settings] :
       {std::tuple{"--sprt", matchSprt, &matchSprtText, &options.sprt},
        std::tuple{"--sprt-points", matchPoints, &matchPointsText, &options.sprtPoints}}) {
    if (given->count() == 0) continue;
    if (auto error = ReadSprt(option, *text, *settings)) return *error;
    // The test counts game pairs: an odd last game could never make one.
    if (options.games % 2 != 0) {
      return UsageError(std::string(option) +
                        ": --games must be even (games 2k-1 and 2k make a pair): " +
                        std::to_string(options.games));
    }
    // A shard cannot stop the others, and its own pairs are a fraction of the match's.
    if (options.shardCount > 1) {
      return UsageError(std::string(option) + " does not go with --shard (use `curling-match " +
                        "summary " + option + "`)");
    }
    // Neither can a run of the later games alone: the test is over the match's pairs from game 1.
    if (options.firstGame > 1) {
      return UsageError(std::string(option) + " does not go with --first-game (use " +
                        "`curling-match summary " + option + "`)");
    }
  }
  options.seedGiven = seedOption->count() > 0;
  if (options.seedGiven) {
    const char* end = seedText.data() + seedText.size();
    auto [ptr, ec] = std::from_chars(seedText.data(), end, options.seed);
    if (seedText.empty() || ec != std::errc{} || ptr != end) {
      return ParseExit{2,
                       "curling-match: --seed: not a whole number from 0 to "
                       "18446744073709551615: " +
                           seedText + "\nRun with --help for more information.\n",
                       false};
    }
  } else {
    std::random_device device;
    options.seed = (std::uint64_t{device()} << 32) ^ device();
  }
  return options;
}

}  // namespace Match
