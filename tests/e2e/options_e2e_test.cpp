// The engine's command-line options through the built program. Every search here is short, so
// these tests run in every build, the sanitizer ones included.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "best_shot_reply.h"
#include "engine_process.h"
#include "run_e2e_support.h"

namespace E2E {
namespace {

const std::string kEngine = CURLING_ENGINE_PATH;
constexpr std::chrono::minutes kLongStep{5};  // a sanitizer build on a shared machine

// GO on the empty sheet, then on a mid-end position; the replies alone, as there are no
// diagnostics for these positions. When `ms` is given, it receives the second GO's time.
std::string TwoGos(const std::vector<std::string>& args, long long* ms = nullptr) {
  EngineProcess engine(kEngine, args);
  EXPECT_TRUE(engine.Send("GO", kLongStep));
  EXPECT_TRUE(
      engine.Send("POSITION 2.3 4.9 1.9 5.6 2.8 6.9 0 0 2.4 3.9 0 0 1.6 4.2 2.0 8.0 "
                  "0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0",
                  kLongStep));
  EXPECT_TRUE(engine.Send("SETSTATE 7 3 0 1", kLongStep));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(engine.Send("GO", kLongStep));
  EXPECT_TRUE(engine.WaitForOutput("BESTSHOT", 1, kLongStep));
  if (ms) {
    *ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                start)
              .count();
  }
  const ExitResult exit = engine.Finish(kLongStep);
  EXPECT_TRUE(exit.exited && exit.status == 0) << exit.status;
  EXPECT_TRUE(IsBestShotReplies(engine.output(), 2)) << engine.output();
  return engine.output();
}

// Each worker stops at 200 ms, so GO is answered in about that (loose bounds: shared machine).
TEST(EngineOptions, ThinkMsBoundsTheTimeOfGo) {
  long long ms = 0;
  TwoGos({"--think-ms", "200"}, &ms);
  std::cerr << "[ timing   ] GO with --think-ms 200 answered in " << ms << " ms\n";
  EXPECT_GE(ms, 150);
  EXPECT_LE(ms, 1500);
}

TEST(EngineOptions, SeedAndPlayoutsRepeatTheRepliesByteForByte) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--seed", "7", "--playouts", "2000"},
        std::vector<std::string>{"--seed", "7", "--playouts", "300", "--search", "uct", "--workers",
                                 "3"}}) {
    EXPECT_EQ(TwoGos(args), TwoGos(args)) << args.size();
  }
}

// One seeded game of one end: the table with every row's time column cut off, and the result
// file.
std::string SeededRun(const std::vector<std::string>& options) {
  RunDirectory dir;
  std::vector<std::string> args{"-C", dir.path().string(), kEngine};
  args.insert(args.end(), options.begin(), options.end());
  EngineProcess engine("/usr/bin/env", args);
  EXPECT_TRUE(engine.Send("Run 1 1"));
  EXPECT_TRUE(engine.WaitForOutput("Run Command End", 0, kLongStep));
  EXPECT_EQ(engine.Finish(kLongStep).status, 0);
  std::string table;
  for (std::size_t at = 0, end; (end = engine.output().find('\n', at)) != std::string::npos;
       at = end + 1) {
    const std::string line = engine.output().substr(at, end - at);
    table += line.substr(0, line.rfind(" : ")) + "\n";
  }
  return table + dir.Read("result.txt");
}

// A seeded Run repeats but for its times; with --search strong it plays "Strong" as side 0
// against "Primitive".
TEST(EngineOptions, SeedAndPlayoutsRepeatARunButForItsTimes) {
  struct Case {
    std::vector<std::string> options;
    const char* row;     // a row of side 1 or side 0 with its count
    const char* absent;  // a player that must not play
  };
  const Case cases[] = {
      {{"--seed", "3", "--playouts", "20", "--workers", "2"}, "    UCT :    40 :", "Strongwin"},
      {{"--search", "strong", "--seed", "3", "--playouts", "50", "--workers", "1"},
       " Strong :    50 :",
       "UCT : "},
  };
  for (const Case& c : cases) {
    const std::string first = SeededRun(c.options);
    EXPECT_NE(first.find(c.row), std::string::npos) << first;
    EXPECT_NE(first.find("Primitive : "), std::string::npos) << first;
    EXPECT_EQ(first.find(c.absent), std::string::npos) << first;
    EXPECT_EQ(first, SeededRun(c.options));
  }
}

// Usage errors end the engine with status 2 and a message on standard error before it reads any
// input (ISREADY stays unanswered); --help prints to standard output and ends it with 0.
TEST(EngineOptions, UsageErrorsExitTwoAndHelpZeroBeforeReadingInput) {
  const std::string errorPath = testing::TempDir() + "options_e2e_" + std::to_string(::getpid());
  const std::vector<std::pair<std::vector<std::string>, int>> cases = {
      {{"--bogus"}, 2},      {{"stray"}, 2},           {{"--think-ms"}, 2}, {{"--workers", "0"}, 2},
      {{"--seed", "-1"}, 2}, {{"--playouts", "x"}, 2}, {{"--help"}, 0}};
  for (const auto& [args, status] : cases) {
    EngineProcess engine(kEngine, args, errorPath);
    engine.Send("ISREADY");
    const ExitResult exit = engine.Finish();
    EXPECT_TRUE(exit.exited && exit.status == status) << args[0] << ": " << exit.status;
    std::ifstream in(errorPath);
    const std::string error{std::istreambuf_iterator<char>(in), {}};
    EXPECT_EQ(error.rfind("curling-engine: ", 0), status == 2 ? 0u : std::string::npos) << error;
    EXPECT_EQ(engine.output().substr(0, 13), status == 2 ? "" : "Plays curling") << args[0];
    EXPECT_EQ(engine.output().find("READYOK"), std::string::npos) << args[0];
  }
  std::remove(errorPath.c_str());
}

}  // namespace
}  // namespace E2E
