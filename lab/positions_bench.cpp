// Paired positions: how much better one search's shots are than another's in the positions real
// games reach, shot by shot and in a fraction of a match's time. Positions are taken from
// curling-match records (the stones before a shot, the shot and the side to move; drawn by a fixed
// shuffle from the shots of the records' finished games in the range asked). In each, both searches
// answer (one worker, the same seed, the given think time), and each answer is valued by its mean
// points for the side to move over the same noisy samples: the shot with noise 0.3, then the rest
// of the end played by a continuation for both sides ("Strong" with a small number of samples a
// shot, seeded from the sample, or the greedy policy). The same seeds for both answers (common
// random numbers) make the difference sharper than either value. Printed: per range of shots and
// overall, each search's mean value and the difference with its 95 % interval over positions.
//
// Usage: positions_bench [options] RECORD...
//   --a NAME, --b NAME     the searches compared: Primitive, UCT or Strong (default Strong and
//                          Primitive)
//   --think-ms MS          each search's time (default 500)
//   --a-think-ms MS        a's time, when it differs from b's
//   --playouts N           each search's samples or simulations instead of a time: a change of
//                          a search's values then moves only the answers it changes
//   --positions N          positions taken (default 200)
//   --shots LO-HI          shots of the end taken, 1 to 16 as the records count them (default 1-16)
//   --samples K            samples of each answer (default 24)
//   --continuation P       "Strong" with P samples a shot (default 200), or 0 for the greedy policy
//   --jobs J               processes (default 2), each taking every J-th position
//
// The room for a better choice: `--b arms` stands for the best of a's answer and "Strong"'s root
// arms (StrongRootArms: the families' candidates and a grid of draws and hits, screened to 32),
// chosen by successive halving on samples of their own (every arm --select samples, the best
// quarter four times as many, the best two sixteen times; the same seeds for every arm of a round)
// and then valued on the answer's samples, which the choice never saw: so a - b is an unbiased
// estimate of what choosing the arm gains, and a lower bound on what a perfect choice among the
// arms would.
//   --select N             samples an arm in the first round of the choice (default 8)
//
// "Strong" against itself with another evaluation: `--a-eval` and `--b-eval` (fitted, the default,
// or learned) say what each values its samples by; `--weights FILE` the learned network (default:
// the engine's own).
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "curling/game_state.h"
#include "null_buffer.h"
#include "record_reader.h"
#include "search/core/search_config.h"
#include "search/eval/evaluator.h"
#include "search/search_registry.h"
#include "search/strong/rollout_policy.h"
#include "search/strong/strong_search.h"
#include "search/tree/playout.h"
#include "shots/random.h"
#include "stats.h"

namespace {

using Curling::CurlingGameState;

struct Options {
  std::string a = "Strong";
  std::string b = "Primitive";
  long thinkMs = 500;
  long aThinkMs = 0;  // 0: thinkMs
  long playouts = 0;
  int positions = 200;
  int lo = 1;
  int hi = 16;
  int samples = 24;
  int continuation = 200;
  int jobs = 2;
  int select = 8;
  bool learned[2] = {false, false};  // a's and b's evaluation
  std::string weights;
  std::vector<std::string> records;
};

[[noreturn]] void Usage(const char* why) {
  std::fprintf(stderr,
               "positions_bench: %s\nusage: positions_bench [--a NAME] [--b NAME] [--think-ms MS] "
               "[--a-think-ms MS] [--playouts N] [--positions N] [--shots LO-HI] [--samples K] "
               "[--continuation P] [--jobs J] [--select N] [--a-eval E] [--b-eval E] [--weights F] "
               "RECORD...\n",
               why);
  std::exit(2);
}

long Number(const char* text, long lo, long hi) {
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || value < lo || value > hi) Usage("bad number");
  return value;
}

Options Parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg.rfind("--", 0) == 0 && !hasValue) Usage("option without a value");
    if (arg == "--a") {
      o.a = argv[++i];
    } else if (arg == "--b") {
      o.b = argv[++i];
    } else if (arg == "--think-ms") {
      o.thinkMs = Number(argv[++i], 1, 600000);
    } else if (arg == "--a-think-ms") {
      o.aThinkMs = Number(argv[++i], 1, 600000);
    } else if (arg == "--playouts") {
      o.playouts = Number(argv[++i], 1, 1000000000);
    } else if (arg == "--positions") {
      o.positions = static_cast<int>(Number(argv[++i], 1, 1000000));
    } else if (arg == "--shots") {
      const std::string range = argv[++i];
      const std::size_t dash = range.find('-');
      if (dash == std::string::npos) Usage("--shots wants LO-HI");
      o.lo = static_cast<int>(Number(range.substr(0, dash).c_str(), 1, 16));
      o.hi = static_cast<int>(Number(range.substr(dash + 1).c_str(), o.lo, 16));
    } else if (arg == "--samples") {
      o.samples = static_cast<int>(Number(argv[++i], 1, 100000));
    } else if (arg == "--continuation") {
      o.continuation = static_cast<int>(Number(argv[++i], 0, 1000000));
    } else if (arg == "--a-eval" || arg == "--b-eval") {
      const std::string name = argv[++i];
      if (name != "fitted" && name != "learned") Usage("evaluations are fitted and learned");
      o.learned[arg == "--a-eval" ? 0 : 1] = name == "learned";
    } else if (arg == "--weights") {
      o.weights = argv[++i];
    } else if (arg == "--select") {
      o.select = static_cast<int>(Number(argv[++i], 1, 100000));
    } else if (arg == "--jobs") {
      o.jobs = static_cast<int>(Number(argv[++i], 1, 64));
    } else if (arg.rfind("--", 0) == 0) {
      Usage("unknown option");
    } else {
      o.records.push_back(arg);
    }
  }
  if (o.records.empty()) Usage("no record");
  return o;
}

// The name of the choice among the root arms, in place of b.
constexpr const char* kArms = "arms";

Curling::SearchDriver Driver(const std::string& name) {
  const Curling::SearchEntry* entry = Curling::FindSearch(name);
  if (entry == nullptr) Usage("searches are Primitive, UCT and Strong");
  return entry->driver;
}

// A search's configuration here: one seeded worker, playing for the end's points (what the
// positions are valued by).
Curling::SearchConfig PointsConfig(std::ostream& log, std::int64_t limitMs,
                                   std::optional<std::uint32_t> playouts) {
  Curling::SearchConfig config{log};
  config.settings.limitMs = limitMs;
  config.settings.playoutLimit = playouts;
  config.settings.workers = 1;
  config.settings.seeded = true;
  config.objective = Curling::Objective::kPoints;
  return config;
}

// The shots of the records' finished games in the range of shots, as positions before the shot.
// Each record is read on its own, so records of different engines may be mixed.
std::vector<CurlingGameState> ReadPositions(const Options& o) {
  std::vector<CurlingGameState> all;
  for (const std::string& path : o.records) {
    std::ifstream in(path);
    if (!in) Usage(("cannot read " + path).c_str());
    Match::RecordReader reader;
    try {
      reader.Read(in, path);
      for (const Match::MatchGame& game : reader.Result().games) {
        for (const Match::ShotEvent& shot : game.result.shots) {
          if (shot.shot + 1 < o.lo || shot.shot + 1 > o.hi) continue;
          CurlingGameState state;
          *state.Record() = shot.before;
          all.push_back(state);
        }
      }
    } catch (const Match::RecordError& error) {
      Usage(error.what());
    }
  }
  // A fixed shuffle, not a stride: a stride in step with the shots of an end would take one shot.
  std::mt19937 rng(12345);
  std::shuffle(all.begin(), all.end(), rng);
  all.resize(std::min<std::size_t>(all.size(), static_cast<std::size_t>(o.positions)));
  return all;
}

// The rest of the end from `state` by the continuation; returns the state where the end closed.
CurlingGameState Continue(CurlingGameState state, int samplesPerShot, std::uint32_t seed,
                          std::ostream& log) {
  std::mt19937 rng(seed);
  if (samplesPerShot == 0) return Curling::PlayOutEnd(state, rng);
  while (state.shotNumber != 0) {
    Curling::SeedProcessGenerator(rng());
    const Curling::SearchConfig config =
        PointsConfig(log, 600000, static_cast<std::uint32_t>(samplesPerShot));
    const ShotVelocity release =
        Curling::SearchNamed("strong").driver(state, config).best.shot.velocity;
    if (Simulation(state.Record(), release, Curling::kSimulationNoise, nullptr,
                   Curling::DrawSimulationSeed(rng)) != 0) {
      break;
    }
  }
  return state;
}

// Mean points for the side to move of `release` over the samples; sample k has the same seeds
// whichever release is valued.
double Value(const CurlingGameState& root, const ShotVelocity& release, const Options& o,
             std::uint32_t seed, std::ostream& log, int samples = 0) {
  if (samples == 0) samples = o.samples;
  const int mover = root.SideByte() != 0 ? 1 : 0;
  double sum = 0.0;
  for (int k = 0; k < samples; ++k) {
    std::mt19937 rng(seed * 7919u + static_cast<std::uint32_t>(k));
    CurlingGameState after = root;
    if (Simulation(after.Record(), release, Curling::kSimulationNoise, nullptr,
                   Curling::DrawSimulationSeed(rng)) != 0) {
      continue;  // the simulator refused the release: no points
    }
    after = Continue(after, o.continuation, rng(), log);
    sum += Curling::EndScoreFor(root, after, mover);
  }
  return sum / samples;
}

// The best of `answer` and the root arms of `root` by successive halving on samples whose seeds
// (from `seed`) differ from the answer's valuation; each round keeps the best quarter (at least
// two), with four times the samples.
ShotVelocity BestArm(const CurlingGameState& root, const ShotVelocity& answer, const Options& o,
                     std::uint32_t seed, std::ostream& log) {
  std::vector<ShotVelocity> arms{answer};
  const Curling::KernelBandit bandit = Curling::StrongRootArms(root, log);
  for (const Curling::Arm& arm : bandit.Arms()) {
    arms.push_back(arm.release);
  }
  int samples = o.select;
  for (std::uint32_t round = 1; arms.size() > 1; ++round, samples *= 4) {
    std::vector<std::pair<double, std::size_t>> ranked;
    for (std::size_t i = 0; i < arms.size(); ++i) {
      ranked.emplace_back(-Value(root, arms[i], o, seed + round * 1000003u, log, samples), i);
    }
    std::sort(ranked.begin(), ranked.end());
    const std::size_t keep = arms.size() == 2 ? 1 : std::max<std::size_t>(2, arms.size() / 4);
    std::vector<ShotVelocity> kept;
    for (std::size_t i = 0; i < keep; ++i) kept.push_back(arms[ranked[i].second]);
    arms = std::move(kept);
  }
  return arms.front();
}

struct Row {
  int shot = 0;  // 1 to 16
  double a = 0.0;
  double b = 0.0;
};

// Values both searches' answers in positions index, index + step, ...; one line per position.
void Measure(const Options& o, const std::vector<CurlingGameState>& positions, std::size_t index,
             std::size_t step, const Curling::Evaluator* learned, FILE* out) {
  NullBuffer nullBuffer;
  std::ostream nullLog(&nullBuffer);
  for (std::size_t i = index; i < positions.size(); i += step) {
    const CurlingGameState& p = positions[i];
    const auto seed = static_cast<std::uint32_t>(1000 + i);
    double values[2];
    const std::string* names[2] = {&o.a, &o.b};
    ShotVelocity answer{};
    for (int s = 0; s < 2; ++s) {
      if (s == 1 && o.b == kArms) {
        values[1] = Value(p, BestArm(p, answer, o, seed + 500000u, nullLog), o, seed, nullLog);
        break;
      }
      Curling::SeedProcessGenerator(seed);
      Curling::SearchConfig config = PointsConfig(
          nullLog, o.playouts > 0 ? 600000 : (s == 0 && o.aThinkMs > 0 ? o.aThinkMs : o.thinkMs),
          o.playouts > 0 ? std::optional<std::uint32_t>(static_cast<std::uint32_t>(o.playouts))
                         : std::nullopt);
      if (o.learned[s]) config.settings.evaluator = learned;
      const ShotVelocity release = Driver(*names[s])(p, config).best.shot.velocity;
      if (s == 0) answer = release;
      values[s] = Value(p, release, o, seed, nullLog);
    }
    std::fprintf(out, "%d %.6f %.6f\n", p.shotNumber + 1, values[0], values[1]);
    std::fflush(out);
  }
}

void Report(const char* label, const std::vector<Row>& rows) {
  if (rows.empty()) return;
  std::vector<double> a, b, d;
  for (const Row& r : rows) {
    a.push_back(r.a);
    b.push_back(r.b);
    d.push_back(r.a - r.b);
  }
  const Match::MeanInterval diff = Match::Mean95(d);
  std::printf("%-8s | %9zu | %8.3f | %8.3f | %+7.3f", label, rows.size(), Match::Mean95(a).mean,
              Match::Mean95(b).mean, diff.mean);
  if (diff.valid) std::printf(" [%+.3f, %+.3f]", diff.low, diff.high);
  std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
  const Options o = Parse(argc, argv);
  Driver(o.a);
  if (o.b != kArms) Driver(o.b);
  std::shared_ptr<const Curling::LearnedEndEvaluator> learned;
  if (o.learned[0] || o.learned[1]) {
    std::string error;
    learned = Curling::LoadLearnedEvaluator(o.weights, error);
    if (!learned) Usage(error.c_str());
  }
  const std::vector<CurlingGameState> positions = ReadPositions(o);
  std::vector<FILE*> pipes;
  std::vector<pid_t> children;
  for (int j = 0; j < o.jobs; ++j) {
    int fds[2];
    if (pipe(fds) != 0) return 1;
    const pid_t child = fork();
    if (child < 0) return 1;
    if (child == 0) {
      close(fds[0]);
      FILE* out = fdopen(fds[1], "w");
      Measure(o, positions, static_cast<std::size_t>(j), static_cast<std::size_t>(o.jobs),
              learned.get(), out);
      std::fclose(out);
      _exit(0);
    }
    close(fds[1]);
    pipes.push_back(fdopen(fds[0], "r"));
    children.push_back(child);
  }
  std::vector<Row> rows;
  for (FILE* in : pipes) {
    Row r;
    while (std::fscanf(in, "%d %lf %lf", &r.shot, &r.a, &r.b) == 3) rows.push_back(r);
    std::fclose(in);
  }
  int failed = 0;
  for (const pid_t child : children) {
    int status = 0;
    waitpid(child, &status, 0);
    failed += !(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  const auto eval = [&](int s) { return std::string(o.learned[s] ? " (learned)" : ""); };
  std::printf(
      "Points for the side to move, %s (a) against %s (b), %s a search, one worker; %d "
      "samples an answer, continuation %s\n",
      (o.a + eval(0)).c_str(), (o.b + eval(1)).c_str(),
      (o.playouts > 0 ? std::to_string(o.playouts) + " playouts"
                      : std::to_string(o.thinkMs) + " ms" +
                            (o.aThinkMs > 0 ? " (a: " + std::to_string(o.aThinkMs) + " ms)" : ""))
          .c_str(),
      o.samples,
      o.continuation == 0
          ? "greedy"
          : ("Strong, " + std::to_string(o.continuation) + " samples a shot").c_str());
  std::printf("%-8s | %9s | %8s | %8s | %s\n", "shots", "positions", "a", "b", "a - b (95 % CI)");
  const int groups[][2] = {{1, 8}, {9, 12}, {13, 15}, {16, 16}};
  for (const auto& g : groups) {
    std::vector<Row> part;
    for (const Row& r : rows) {
      if (r.shot >= g[0] && r.shot <= g[1]) part.push_back(r);
    }
    const std::string label = std::to_string(g[0]) + "-" + std::to_string(g[1]);
    Report(label.c_str(), part);
  }
  Report("all", rows);
  return failed == 0 ? 0 : 1;
}
