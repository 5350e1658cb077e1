// Room for a learned evaluation: by shot of the end, how much of the variance of the end's final
// score (for the side with the hammer) the position before that shot decides when "Strong" plays
// the rest of the end, beside how much the fitted mid-end value (ExpectedEndScore) explains.
//
// Positions come from self-play ends of "Strong" against itself from the first end's empty
// position (one seeded worker, a fixed number of samples a shot, noise 0.3): each source end gives
// one position before each shot asked for. Each position is played out K times to the end of the
// end by "Strong" (the same budget, fresh seeds, noise 0.3). Per shot, Var(score) splits into the
// part between positions (the variance of the positions' means less the mean within-position
// variance over K, both unbiased) and the part within; the ceiling share is between / total, with
// a 95 % percentile interval from a bootstrap over positions. Beside it: the fitted value's R
// squared on the play-outs, 1 - sum (score - fitted)^2 / sum (score - mean)^2 (the fit was made on
// other ends, so these are held out), and the room left (ceiling share less R squared), each with
// its bootstrap interval.
//
// Usage: room_study [options]             play, write the raw lines, print the table
//        room_study --analyse RAW...      the table of raw files (e.g. of several seeds)
//        room_study --learned WEIGHTS --seeds S1,... --analyse RAW...
//                                         the same table with a learned value in the fitted
//                                         value's place: each raw file's source ends are played
//                                         again from its run's seed (S1 for the first file, ...;
//                                         --samples as in the run), checked against the fitted
//                                         value the file holds, and valued by the network
//        room_study --check               the decomposition on a synthetic case
//   --ends N          source ends, so positions a shot (default 40)
//   --playouts K      play-outs of each position (default 12)
//   --samples P       "Strong"'s samples a shot, in the source ends and the play-outs (default 200)
//   --shots LIST      shots of the end, 1 to 16, comma-separated (default 3,7,11,14)
//   --seed S          the run's seed (default 1)
//   --raw FILE        raw lines, one a position: shot, source end, fitted value, K scores
//                     (default room_study.raw)
//   --bootstrap B     bootstrap resamples (default 2000)
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "curling/game_state.h"
#include "curling/sheet.h"
#include "null_buffer.h"
#include "search/core/search_config.h"
#include "search/eval/end_value.h"
#include "search/eval/evaluator.h"
#include "search/search_registry.h"
#include "search/seeded_play.h"

namespace {

using Curling::CurlingGameState;

struct Options {
  int ends = 40;
  int playouts = 12;
  int samples = 200;
  std::vector<int> shots = {3, 7, 11, 14};
  std::uint32_t seed = 1;
  std::string raw = "room_study.raw";
  int bootstrap = 2000;
  bool check = false;
  std::string learned;
  std::vector<std::uint32_t> seeds;
  std::vector<std::string> analyse;
};

[[noreturn]] void Usage(const char* why) {
  std::fprintf(stderr,
               "room_study: %s\nusage: room_study [--ends N] [--playouts K] [--samples P] "
               "[--shots LIST] [--seed S] [--raw FILE] [--bootstrap B]\n"
               "       room_study [--bootstrap B] [--learned WEIGHTS --seeds S1,... [--samples P]] "
               "--analyse RAW...\n       room_study --check\n",
               why);
  std::exit(2);
}

long Number(const std::string& text, long lo, long hi) {
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (end == text.c_str() || *end != '\0' || value < lo || value > hi) Usage("bad number");
  return value;
}

// A comma-separated list of numbers in [lo, hi].
std::vector<long> Numbers(const std::string& text, long lo, long hi) {
  std::vector<long> values;
  std::stringstream list(text);
  for (std::string item; std::getline(list, item, ',');) values.push_back(Number(item, lo, hi));
  return values;
}

Options Parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--check") {
      o.check = true;
      continue;
    }
    if (arg == "--analyse") {
      for (++i; i < argc; ++i) o.analyse.emplace_back(argv[i]);
      if (o.analyse.empty()) Usage("--analyse wants raw files");
      break;
    }
    if (i + 1 >= argc) Usage("option without a value");
    const std::string value = argv[++i];
    if (arg == "--ends") {
      o.ends = static_cast<int>(Number(value, 2, 1000000));
    } else if (arg == "--playouts") {
      o.playouts = static_cast<int>(Number(value, 2, 100000));
    } else if (arg == "--samples") {
      o.samples = static_cast<int>(Number(value, 1, 1000000));
    } else if (arg == "--shots") {
      o.shots.clear();
      for (const long shot : Numbers(value, 1, 16)) o.shots.push_back(static_cast<int>(shot));
      if (o.shots.empty()) Usage("--shots wants a list");
    } else if (arg == "--seed") {
      o.seed = static_cast<std::uint32_t>(Number(value, 0, 4294967295L));
    } else if (arg == "--raw") {
      o.raw = value;
    } else if (arg == "--learned") {
      o.learned = value;
    } else if (arg == "--seeds") {
      for (const long seed : Numbers(value, 0, 4294967295L))
        o.seeds.push_back(static_cast<std::uint32_t>(seed));
    } else if (arg == "--bootstrap") {
      o.bootstrap = static_cast<int>(Number(value, 10, 1000000));
    } else {
      Usage("unknown option");
    }
  }
  return o;
}

// One position's play-outs: its shot (1 to 16), the fitted value for the hammer and the scores.
struct Position {
  int shot = 0;
  double fitted = 0.0;
  std::vector<double> scores;
  std::size_t file = 0;  // which raw file, and its source end
  long source = 0;
};

// The decomposition of a shot's positions (each with at least two play-outs).
struct Split {
  double between = 0.0;  // Var(means) - mean(within) / K, K each position's own count
  double within = 0.0;   // mean within-position variance (unbiased)
  double fittedR2 = 0.0;
  double Share() const { return between + within > 0.0 ? between / (between + within) : 0.0; }
};

Split Decompose(const std::vector<const Position*>& positions) {
  const double n = static_cast<double>(positions.size());
  std::vector<double> means;
  double within = 0.0, withinOverK = 0.0, grand = 0.0, count = 0.0;
  for (const Position* p : positions) {
    const double k = static_cast<double>(p->scores.size());
    double mean = 0.0;
    for (const double y : p->scores) mean += y / k;
    double ss = 0.0;
    for (const double y : p->scores) ss += (y - mean) * (y - mean);
    within += ss / (k - 1.0) / n;
    withinOverK += ss / (k - 1.0) / k / n;
    means.push_back(mean);
    for (const double y : p->scores) grand += y;
    count += k;
  }
  double meanOfMeans = 0.0;
  for (const double m : means) meanOfMeans += m / n;
  double varMeans = 0.0;
  for (const double m : means) varMeans += (m - meanOfMeans) * (m - meanOfMeans) / (n - 1.0);
  grand /= count;
  double sse = 0.0, sst = 0.0;
  for (const Position* p : positions) {
    for (const double y : p->scores) {
      sse += (y - p->fitted) * (y - p->fitted);
      sst += (y - grand) * (y - grand);
    }
  }
  return {varMeans - withinOverK, within, sst > 0.0 ? 1.0 - sse / sst : 0.0};
}

// The 2.5 % and 97.5 % points of a bootstrap over positions of the share and the fitted R^2.
void Bootstrap(const std::vector<const Position*>& positions, int resamples, double share[2],
               double r2[2], double room[2]) {
  std::mt19937 rng(4242);
  std::uniform_int_distribution<std::size_t> pick(0, positions.size() - 1);
  std::vector<double> shares, r2s, rooms;
  std::vector<const Position*> sample(positions.size());
  for (int b = 0; b < resamples; ++b) {
    for (auto& p : sample) p = positions[pick(rng)];
    const Split s = Decompose(sample);
    shares.push_back(s.Share());
    r2s.push_back(s.fittedR2);
    rooms.push_back(s.Share() - s.fittedR2);
  }
  std::sort(shares.begin(), shares.end());
  std::sort(r2s.begin(), r2s.end());
  std::sort(rooms.begin(), rooms.end());
  const auto at = [&](const std::vector<double>& v, double q) {
    return v[static_cast<std::size_t>(q * static_cast<double>(v.size() - 1) + 0.5)];
  };
  share[0] = at(shares, 0.025);
  share[1] = at(shares, 0.975);
  r2[0] = at(r2s, 0.025);
  r2[1] = at(r2s, 0.975);
  room[0] = at(rooms, 0.025);
  room[1] = at(rooms, 0.975);
}

void Table(const std::vector<Position>& all, int resamples, const char* value) {
  std::printf(
      "| shot | positions | play-outs each | Var(score) | between | ceiling share (95 %%) | "
      "%s R^2 (95 %%) | room: ceiling - R^2 (95 %%) |\n"
      "|---:|---:|---:|---:|---:|---|---|---|\n",
      value);
  for (int shot = 1; shot <= 16; ++shot) {
    std::vector<const Position*> at;
    std::size_t playouts = 0;
    for (const Position& p : all) {
      if (p.shot == shot && p.scores.size() >= 2) {
        at.push_back(&p);
        playouts = std::max(playouts, p.scores.size());
      }
    }
    if (at.size() < 2) continue;
    const Split s = Decompose(at);
    double share[2], r2[2], room[2];
    Bootstrap(at, resamples, share, r2, room);
    std::printf(
        "| %d | %zu | %zu | %.3f | %+.3f | %+.1f %% [%+.1f, %+.1f] | %+.1f %% [%+.1f, %+.1f] | "
        "%+.1f [%+.1f, %+.1f] |\n",
        shot, at.size(), playouts, s.between + s.within, s.between, 100.0 * s.Share(),
        100.0 * share[0], 100.0 * share[1], 100.0 * s.fittedR2, 100.0 * r2[0], 100.0 * r2[1],
        100.0 * (s.Share() - s.fittedR2), 100.0 * room[0], 100.0 * room[1]);
  }
}

std::vector<Position> ReadRaw(const std::vector<std::string>& paths) {
  std::vector<Position> all;
  for (std::size_t file = 0; file < paths.size(); ++file) {
    const std::string& path = paths[file];
    FILE* in = std::fopen(path.c_str(), "r");
    if (in == nullptr) Usage(("cannot read " + path).c_str());
    char line[65536];
    while (std::fgets(line, sizeof line, in) != nullptr) {
      std::istringstream fields(line);
      Position p;
      p.file = file;
      if (!(fields >> p.shot >> p.source >> p.fitted)) continue;
      for (double y = 0.0; fields >> y;) p.scores.push_back(y);
      all.push_back(std::move(p));
    }
    std::fclose(in);
  }
  return all;
}

// "Strong" with `samples` samples a shot (one seeded worker), playing for the end's points.
Curling::SeededPlayer Strong(int samples) {
  return {Curling::SearchNamed("strong").driver, static_cast<std::uint32_t>(samples), nullptr,
          Curling::Objective::kPoints};
}

// Plays one shot of "Strong" with noise; false when the simulator refused the release.
bool PlayShot(CurlingGameState& state, int samples, std::mt19937& rng, std::ostream& log) {
  return Curling::PlaySeededShot(Strong(samples), state, Curling::kSimulationNoise, rng, log);
}

// The end's final score for the hammer, from `before` played out by "Strong".
double PlayOut(const CurlingGameState& before, int samples, std::mt19937& rng, std::ostream& log) {
  CurlingGameState state = before;
  for (int left = Curling::kShotsPerEnd - before.shotNumber;
       left > 0 && state.endNumber == before.endNumber; --left) {
    if (!PlayShot(state, samples, rng, log)) break;
  }
  return Curling::EndScoreFor(before, state, Curling::HammerSide(before));
}

// The source end `e` of the run seeded `seed`: the positions before each shot of one self-play
// end of "Strong", up to the last shot the simulator accepted.
std::vector<CurlingGameState> SourceEnd(std::uint32_t seed, int e, int samples, std::ostream& log) {
  std::seed_seq sourceSeed{seed, static_cast<std::uint32_t>(e), 0u};
  std::mt19937 rng(sourceSeed);
  std::vector<CurlingGameState> before;
  CurlingGameState state;
  for (int shot = 1; shot <= Curling::kShotsPerEnd; ++shot) {
    before.push_back(state);
    if (!PlayShot(state, samples, rng, log)) break;
  }
  return before;
}

std::vector<Position> Play(const Options& o) {
  FILE* raw = std::fopen(o.raw.c_str(), "w");
  if (raw == nullptr) Usage(("cannot write " + o.raw).c_str());
  NullBuffer nullBuffer;
  std::ostream log(&nullBuffer);
  std::vector<Position> all;
  const auto start = std::chrono::steady_clock::now();
  for (int e = 0; e < o.ends; ++e) {
    const std::vector<CurlingGameState> before = SourceEnd(o.seed, e, o.samples, log);
    for (const int shot : o.shots) {
      if (shot > static_cast<int>(before.size())) continue;
      const CurlingGameState& p = before[static_cast<std::size_t>(shot - 1)];
      Position position{shot, Curling::ExpectedEndScore(p, Curling::HammerSide(p)), {}};
      std::fprintf(raw, "%d %d %.6f", shot, e, position.fitted);
      for (int k = 0; k < o.playouts; ++k) {
        std::seed_seq playSeed{o.seed, static_cast<std::uint32_t>(e),
                               static_cast<std::uint32_t>(shot), static_cast<std::uint32_t>(k + 1)};
        std::mt19937 playRng(playSeed);
        position.scores.push_back(PlayOut(p, o.samples, playRng, log));
        std::fprintf(raw, " %g", position.scores.back());
      }
      std::fprintf(raw, "\n");
      std::fflush(raw);
      all.push_back(std::move(position));
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::fprintf(stderr, "room_study: %d of %d source ends, %.0f s\n", e + 1, o.ends, seconds);
  }
  std::fclose(raw);
  return all;
}

// Puts the learned value of each position in its fitted value's place: each source end is played
// again from its file's seed, and the position must give the fitted value the file holds (as
// printed), or the replay is not the run's and the study stops.
void ValueByNetwork(std::vector<Position>& all, const Options& o) {
  if (o.seeds.size() != o.analyse.size()) Usage("--seeds wants one seed a raw file");
  std::string error;
  const auto learned = Curling::LoadLearnedEvaluator(o.learned, error);
  if (!learned) Usage(error.c_str());
  NullBuffer nullBuffer;
  std::ostream log(&nullBuffer);
  std::sort(all.begin(), all.end(), [](const Position& a, const Position& b) {
    return std::tie(a.file, a.source, a.shot) < std::tie(b.file, b.source, b.shot);
  });
  std::vector<CurlingGameState> before;
  for (std::size_t i = 0; i < all.size(); ++i) {
    Position& p = all[i];
    if (i == 0 || p.file != all[i - 1].file || p.source != all[i - 1].source)
      before = SourceEnd(o.seeds[p.file], static_cast<int>(p.source), o.samples, log);
    if (p.shot > static_cast<int>(before.size())) Usage("a position the replay does not reach");
    const CurlingGameState& state = before[static_cast<std::size_t>(p.shot - 1)];
    if (std::abs(Curling::ExpectedEndScore(state, Curling::HammerSide(state)) - p.fitted) > 2e-6) {
      Usage(("the replay of " + o.analyse[p.file] +
             " differs from its run: check --seeds and "
             "--samples")
                .c_str());
    }
    p.fitted = learned->Net().ExpectedHammerScore(state);
  }
}

// The decomposition on a synthetic case whose parts are known exactly: n positions with means -1
// and +1 in turn (variance of the means n / (n - 1)), each scoring its mean +- d in turn (within
// variance d^2 K / (K - 1)) and fitted at its mean (R^2 1 - d^2 / (1 + d^2)).
int Check() {
  struct Case {
    int positions;  // per sign
    int k;          // play-outs (even)
    double d;
  };
  const Case cases[] = {{10, 2, 0.0}, {10, 4, 1.0}, {50, 8, 2.0}};
  int failed = 0;
  for (const Case& c : cases) {
    std::vector<Position> all;
    for (int i = 0; i < 2 * c.positions; ++i) {
      Position p{1, i % 2 == 0 ? -1.0 : 1.0, {}};
      for (int j = 0; j < c.k; ++j) p.scores.push_back(p.fitted + (j % 2 == 0 ? c.d : -c.d));
      all.push_back(p);
    }
    std::vector<const Position*> at;
    for (const Position& p : all) at.push_back(&p);
    const Split s = Decompose(at);
    const double n = 2.0 * c.positions;
    const double within = c.d * c.d * c.k / (c.k - 1.0);
    const double between = n / (n - 1.0) - within / c.k;
    const double r2 = 1.0 - c.d * c.d / (1.0 + c.d * c.d);
    const bool ok = std::abs(s.between - between) < 1e-9 && std::abs(s.within - within) < 1e-9 &&
                    std::abs(s.fittedR2 - r2) < 1e-9;
    std::printf(
        "positions %g, K %d, d %g: between %.6f (want %.6f), within %.6f (want %.6f), "
        "R^2 %.6f (want %.6f) %s\n",
        n, c.k, c.d, s.between, between, s.within, within, s.fittedR2, r2, ok ? "ok" : "WRONG");
    failed += ok ? 0 : 1;
  }
  return failed == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const Options o = Parse(argc, argv);
  if (o.check) return Check();
  if (!o.analyse.empty()) {
    std::vector<Position> all = ReadRaw(o.analyse);
    if (!o.learned.empty()) ValueByNetwork(all, o);
    Table(all, o.bootstrap, o.learned.empty() ? "fitted value" : "learned value");
    return 0;
  }
  const auto start = std::chrono::steady_clock::now();
  const std::vector<Position> all = Play(o);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf(
      "%d source ends of Strong against itself, %d play-outs a position, Strong at %d "
      "samples a shot, noise %.1f, seed %u; %.0f s\n\n",
      o.ends, o.playouts, o.samples, static_cast<double>(Curling::kSimulationNoise), o.seed,
      seconds);
  Table(all, o.bootstrap, "fitted value");
  return 0;
}
