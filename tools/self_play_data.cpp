// self_play_data: plays whole games of self-play with chosen searches and writes every position
// before a shot with what followed it (the end's final score, the game's) to one .npy file, the
// data a learned evaluation is fitted to. See tools/README.md for the options and the dtype.
//
// Each game's generator is seeded from the run's seed and the game's index alone, and each search
// runs one seeded worker for a fixed number of playouts, so a run repeats exactly and the shards
// of a run (--shard I/K) hold together exactly the positions of the unsharded run.
#include <bit>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "curling/game_state.h"
#include "curling/sheet.h"
#include "npy_writer.h"
#include "null_buffer.h"
#include "search/core/search_config.h"
#include "search/eval/evaluator.h"
#include "search/search_registry.h"
#include "search/seeded_play.h"

namespace {

using Curling::CurlingGameState;

constexpr const char* kUsage =
    "usage: self_play_data --playouts N --out FILE.npy [--games N] [--ends E] [--search A[,B]]\n"
    "                      [--noise X] [--seed S] [--shard I/K] [--eval fitted|learned]\n"
    "                      [--weights FILE]\n"
    "  --games N      games to play (default 1)\n"
    "  --ends E       each game plays the last E of the ten ends, level at the start (1 to 10,\n"
    "                 default 10)\n"
    "  --search A[,B] the searches of side 0 and side 1 (one name: both; default strong)\n"
    "  --playouts N   each search's simulations, iterations or samples a shot (required)\n"
    "  --noise X      execution noise of every shot played (default 0.3)\n"
    "  --seed S       the run's seed (default 1)\n"
    "  --shard I/K    play only the games g with g % K == I (default 0/1)\n"
    "  --out FILE     the .npy file written (required)\n"
    "  --eval NAME    what \"Strong\" values its samples by: fitted (default) or learned\n"
    "  --weights FILE the learned network's weights file (default: the engine's own)\n";

// One row of the file: the position before a shot and what followed it. The dtype below
// describes these bytes; the state's three bytes of padding follow side_to_move.
struct Row {
  CurlingStateRecord state;
  std::int64_t game;
  std::int32_t endScore;
  std::int32_t gameScore;
};
static_assert(sizeof(Row) == 200 && offsetof(Row, game) == 184 && offsetof(Row, endScore) == 192);
static_assert(std::endian::native == std::endian::little, "the dtype says little-endian");

constexpr const char* kRowDescr =
    "[('state', [('shot_number', '<i4'), ('end_number', '<i4'), ('server_value', '<i4'), "
    "('end_scores', '<i4', (10,)), ('side_to_move', '|u1'), ('', '|V3'), "
    "('stones', '<f4', (16, 2))]), ('game', '<i8'), ('end_score', '<i4'), "
    "('game_score', '<i4')]";

struct Options {
  long games = 1;
  int ends = Curling::kEndSlots;
  const Curling::SearchEntry* search[2] = {nullptr, nullptr};
  long playouts = 0;
  double noise = Curling::kSimulationNoise;
  std::uint32_t seed = 1;
  long shard = 0;
  long shards = 1;
  std::string out;
  bool learned = false;
  std::string weights;
};

[[noreturn]] void Usage(const std::string& why) {
  std::fprintf(stderr, "self_play_data: %s\n%s", why.c_str(), kUsage);
  std::exit(2);
}

long Whole(const std::string& option, const std::string& text, long lo, long hi) {
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno != 0 || value < lo || value > hi) {
    Usage(option + " wants a whole number from " + std::to_string(lo) + " to " +
          std::to_string(hi) + ": " + text);
  }
  return value;
}

const Curling::SearchEntry* Search(const std::string& name) {
  const Curling::SearchEntry* entry = Curling::FindSearch(name);
  if (entry == nullptr) Usage("no search is called " + name);
  return entry;
}

Options Parse(int argc, char** argv) {
  Options o;
  o.search[0] = o.search[1] = &Curling::SearchNamed("strong");
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      std::exit(0);
    }
    if (i + 1 >= argc) Usage(arg + " without a value, or an unknown option");
    const std::string value = argv[++i];
    if (arg == "--games") {
      o.games = Whole(arg, value, 1, 1000000000L);
    } else if (arg == "--ends") {
      o.ends = static_cast<int>(Whole(arg, value, 1, Curling::kEndSlots));
    } else if (arg == "--search") {
      const std::size_t comma = value.find(',');
      o.search[0] = Search(value.substr(0, comma));
      o.search[1] = comma == std::string::npos ? o.search[0] : Search(value.substr(comma + 1));
    } else if (arg == "--playouts") {
      o.playouts = Whole(arg, value, 1, 100000000L);
    } else if (arg == "--noise") {
      char* end = nullptr;
      o.noise = std::strtod(value.c_str(), &end);
      if (value.empty() || *end != '\0' || !std::isfinite(o.noise) || o.noise < 0.0) {
        Usage("--noise wants a number from 0 on: " + value);
      }
    } else if (arg == "--seed") {
      o.seed = static_cast<std::uint32_t>(Whole(arg, value, 0, 4294967295L));
    } else if (arg == "--shard") {
      const std::size_t slash = value.find('/');
      if (slash == std::string::npos) Usage("--shard wants I/K: " + value);
      o.shards = Whole(arg, value.substr(slash + 1), 1, 1000000);
      o.shard = Whole(arg, value.substr(0, slash), 0, o.shards - 1);
    } else if (arg == "--out") {
      o.out = value;
    } else if (arg == "--eval") {
      if (value != "fitted" && value != "learned")
        Usage("--eval wants fitted or learned: " + value);
      o.learned = value == "learned";
    } else if (arg == "--weights") {
      o.weights = value;
    } else {
      Usage("unknown option " + arg);
    }
  }
  if (o.playouts == 0) Usage("--playouts N is required, so that a run repeats exactly");
  if (o.out.empty()) Usage("--out FILE is required");
  if (!o.weights.empty() && !o.learned) Usage("--weights needs --eval learned");
  return o;
}

[[noreturn]] void Fail(const std::string& why, const std::string& out) {
  std::fprintf(stderr, "self_play_data: %s\n", why.c_str());
  // Leave no partial file that could be taken for a finished one.
  std::error_code ignored;
  if (std::filesystem::is_regular_file(out, ignored)) std::filesystem::remove(out, ignored);
  std::exit(1);
}

// The row of `state` in game `game`, its scores still 0. Copied byte for byte and the state's
// padding zeroed, so that equal positions give equal bytes in every run.
Row RowOf(const CurlingGameState& state, long game) {
  Row row;
  std::memset(&row, 0, sizeof row);
  std::memcpy(&row.state, &state, sizeof row.state);
  constexpr std::size_t kPadding = offsetof(CurlingStateRecord, sideToMove) + 1;
  std::memset(reinterpret_cast<unsigned char*>(&row.state) + kPadding, 0,
              offsetof(CurlingStateRecord, stones) - kPadding);
  row.game = game;
  return row;
}

// Plays game `game` and appends its rows to `rows`. The first end is end 10 - ends, level; in even
// games side 0 delivers first in it (side 1 has the hammer), in odd games side 1.
void PlayGame(const Options& o, const Curling::SeededPlayer (&players)[2], long game,
              std::vector<Row>& rows, std::ostream& log) {
  std::seed_seq seed{o.seed, static_cast<std::uint32_t>(game),
                     static_cast<std::uint32_t>(static_cast<std::uint64_t>(game) >> 32)};
  std::mt19937 rng(seed);
  CurlingGameState state;
  state.endNumber = Curling::kEndSlots - o.ends;
  state.sideToMove = game % 2 == 1;
  const std::size_t first = rows.size();
  while (state.endNumber < Curling::kEndSlots) {
    const int end = state.endNumber;
    const std::size_t endFirst = rows.size();
    for (int shot = 0; shot < Curling::kShotsPerEnd; ++shot) {
      rows.push_back(RowOf(state, game));
      const Curling::SeededPlayer& player = players[Curling::SideToMove(state)];
      if (!Curling::PlaySeededShot(player, state, static_cast<float>(o.noise), rng, log)) {
        Fail("the simulator refused a release in game " + std::to_string(game) + ", end " +
                 std::to_string(end) + ", shot " + std::to_string(shot),
             o.out);
      }
    }
    // The simulator has closed the end: its score is in its slot, the sheet is cleared here.
    for (StonePosition& stone : state.stones) stone = StonePosition{0.0f, 0.0f};
    for (std::size_t r = endFirst; r < rows.size(); ++r) rows[r].endScore = state.endScores[end];
  }
  std::int32_t total = 0;
  for (const std::int32_t points : state.endScores) total += points;
  for (std::size_t r = first; r < rows.size(); ++r) rows[r].gameScore = total;
}

}  // namespace

int main(int argc, char** argv) {
  const Options o = Parse(argc, argv);
  std::shared_ptr<const Curling::LearnedEndEvaluator> learned;
  if (o.learned) {
    std::string error;
    learned = Curling::LoadLearnedEvaluator(o.weights, error);
    if (!learned) Usage(error);
  }
  const auto playouts = static_cast<std::uint32_t>(o.playouts);
  const Curling::SeededPlayer players[2] = {{o.search[0]->driver, playouts, learned.get()},
                                            {o.search[1]->driver, playouts, learned.get()}};
  NullBuffer nullBuffer;
  std::ostream log(&nullBuffer);
  Tools::NpyWriter writer(o.out, kRowDescr, sizeof(Row));
  if (!writer.Open()) Fail(writer.Error(), o.out);

  const auto start = std::chrono::steady_clock::now();
  long played = 0;
  std::vector<Row> rows;
  for (long game = o.shard; game < o.games; game += o.shards) {
    rows.clear();
    PlayGame(o, players, game, rows, log);
    if (!writer.Append(rows.data(), rows.size())) Fail(writer.Error(), o.out);
    ++played;
  }
  if (!writer.Close()) Fail(writer.Error(), o.out);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::fprintf(stderr,
               "self_play_data: %ld games, %llu positions, %.1f s, %.0f positions an hour a core\n",
               played, static_cast<unsigned long long>(writer.Count()), seconds,
               seconds > 0.0 ? static_cast<double>(writer.Count()) * 3600.0 / seconds : 0.0);
  return 0;
}
