// The engine's command-line options through the built program. Every search here is short, so
// these tests run in every build, the sanitizer ones included.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "best_shot_reply.h"
#include "engine_process.h"
#include "run_e2e_support.h"

namespace E2E {
namespace {

const std::string kEngine = CURLING_ENGINE_PATH;
constexpr std::chrono::minutes kLongStep{5};  // a sanitizer build on a shared machine

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

// Usage errors and an unreadable weights file end the engine with status 2 and a message on
// standard error before it reads any input (ISREADY stays unanswered); --help prints to standard
// output and ends it with 0. Which values are refused is the option parser's unit table; here only
// what needs a process.
TEST(EngineOptions, UsageErrorsExitTwoAndHelpZeroBeforeReadingInput) {
  const std::string errorPath = testing::TempDir() + "options_e2e_" + std::to_string(::getpid());
  const std::vector<std::pair<std::vector<std::string>, int>> cases = {
      {{"--bogus"}, 2},
      {{"--help"}, 0},
      {{"--search", "strong", "--eval", "learned", "--weights", "/nonexistent/w.txt"}, 2}};
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

// "Strong" with the learned evaluation (the compiled-in network) answers GO (after its line of
// diagnostics).
TEST(EngineOptions, LearnedEvaluationAnswersGo) {
  EngineProcess engine(kEngine, {"--search", "strong", "--eval", "learned", "--playouts", "30",
                                 "--workers", "1", "--seed", "5"});
  EXPECT_TRUE(engine.Send("GO"));
  EXPECT_TRUE(engine.WaitForOutput("BESTSHOT", 0, kLongStep));
  const std::size_t reply = engine.output().find("BESTSHOT");
  ASSERT_NE(reply, std::string::npos) << engine.output();
  EXPECT_GT(BestShotLength(std::string_view(engine.output()).substr(reply)), 0u) << engine.output();
  EXPECT_EQ(engine.Finish(kLongStep).status, 0);
}

}  // namespace
}  // namespace E2E
