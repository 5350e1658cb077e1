#include "options.h"

#include <gtest/gtest.h>

#include <vector>

namespace Match {
namespace {

std::variant<MatchOptions, ParseExit> Parse(std::vector<const char*> args) {
  args.insert(args.begin(), "curling-match");
  return ParseOptions(static_cast<int>(args.size()), args.data());
}

TEST(Options, DefaultsAndValues) {
  auto parsed = Parse({"./engine --fast", "other"});
  ASSERT_TRUE(std::holds_alternative<MatchOptions>(parsed));
  const auto& o = std::get<MatchOptions>(parsed);
  EXPECT_EQ(o.engineA, "./engine --fast");
  EXPECT_EQ(o.engineB, "other");
  EXPECT_EQ(o.ends, 10);
  EXPECT_EQ(o.games, 1);
  EXPECT_DOUBLE_EQ(o.noise, 0.3);
  EXPECT_DOUBLE_EQ(o.timeLimit, 60.0);
  EXPECT_FALSE(o.seedGiven);
  EXPECT_TRUE(o.recordPath.empty());
  EXPECT_TRUE(o.picturesDir.empty());
  EXPECT_EQ(o.concurrency, 1);
  EXPECT_EQ(o.shardIndex, 0);
  EXPECT_EQ(o.shardCount, 1);
  EXPECT_EQ(o.firstGame, 1);

  auto full = Parse({"--ends", "3", "--games=4", "--seed", "18446744073709551615", "--noise", "0",
                     "--time-limit", "0.5", "--record", "r.jsonl", "--pictures", "pics",
                     "--concurrency", "64", "--shard", "2/3", "a", "b"});
  ASSERT_TRUE(std::holds_alternative<MatchOptions>(full));
  const auto& f = std::get<MatchOptions>(full);
  EXPECT_EQ(f.ends, 3);
  EXPECT_EQ(f.games, 4);
  EXPECT_EQ(f.seed, 18446744073709551615ULL);
  EXPECT_TRUE(f.seedGiven);
  EXPECT_DOUBLE_EQ(f.noise, 0.0);
  EXPECT_DOUBLE_EQ(f.timeLimit, 0.5);
  EXPECT_EQ(f.recordPath, "r.jsonl");
  EXPECT_EQ(f.picturesDir, "pics");
  EXPECT_EQ(f.concurrency, 64);
  EXPECT_EQ(f.shardIndex, 2);
  EXPECT_EQ(f.shardCount, 3);
  EXPECT_FALSE(f.sprt);
  auto wave = Parse({"--games", "8", "--first-game", "5", "--shard", "1/2", "a", "b"});
  ASSERT_TRUE(std::holds_alternative<MatchOptions>(wave));
  EXPECT_EQ(std::get<MatchOptions>(wave).firstGame, 5);

  auto sprt = Parse({"--games", "200", "--sprt=-5,5,0.1,0.2", "a", "b"});
  ASSERT_TRUE(std::holds_alternative<MatchOptions>(sprt));
  const auto& s = std::get<MatchOptions>(sprt).sprt;
  ASSERT_TRUE(s);
  EXPECT_DOUBLE_EQ(s->h0, -5.0);
  EXPECT_DOUBLE_EQ(s->h1, 5.0);
  EXPECT_DOUBLE_EQ(s->alpha, 0.1);
  EXPECT_DOUBLE_EQ(s->beta, 0.2);
  EXPECT_FALSE(std::get<MatchOptions>(sprt).sprtPoints);
  auto points = Parse({"--games", "2", "--sprt-points", "0,0.1", "a", "b"});
  ASSERT_TRUE(std::holds_alternative<MatchOptions>(points));
  EXPECT_DOUBLE_EQ(std::get<MatchOptions>(points).sprtPoints->h1, 0.1);
}

TEST(Options, UsageErrorsExitWithTwo) {
  const std::vector<std::vector<const char*>> bad = {
      {},
      {"a"},
      {"a", "b", "c"},
      {"--ends", "0", "a", "b"},
      {"--ends", "11", "a", "b"},
      {"--games", "0", "a", "b"},
      {"--noise", "-0.1", "a", "b"},
      {"--noise", "nan", "a", "b"},
      {"--time-limit", "0", "a", "b"},
      {"--seed", "-1", "a", "b"},
      {"--seed", "x", "a", "b"},
      {"--unknown", "a", "b"},
      {"--concurrency", "0", "a", "b"},
      {"--concurrency", "65", "a", "b"},
      {"--shard", "3/2", "a", "b"},
      {"--shard", "2/2", "a", "b"},
      {"--shard", "-1/2", "a", "b"},
      {"--shard", "a/b", "a", "b"},
      {"--shard", "1/0", "a", "b"},
      {"--shard", "1", "a", "b"},
      {"--shard", "1/2/3", "a", "b"},
      {"--first-game", "0", "a", "b"},
      {"--first-game", "2", "--games", "4", "a", "b"},
      {"--first-game", "5", "--games", "4", "a", "b"},
      {"--sprt", "5,5", "--games", "4", "a", "b"},
      {"--sprt", "0,10,0.05", "--games", "4", "a", "b"},
      {"--sprt", "0,10,0,0.05", "--games", "4", "a", "b"},
      {"--sprt", "0,10,0.05,1", "--games", "4", "a", "b"},
      {"--sprt", "0,inf", "--games", "4", "a", "b"},
      {"--sprt", "0,10", "--games", "3", "a", "b"},
      {"--sprt", "0,10", "--games", "4", "--shard", "0/2", "a", "b"},
      {"--sprt-points", "0.1,0", "--games", "4", "a", "b"},
      {"--sprt", "0,10", "--sprt-points", "0,0.1", "--games", "4", "a", "b"},
      {"summary", "--sprt-points", "0,0.1,1,0.05", "r.jsonl"},
      {"--sprt-points", "0,0.1", "--games", "4", "--first-game", "3", "a", "b"},
      {"--sprt", "0,10", "summary", "r.jsonl"},
      {"tournament", "--engine", "a=x"},
      {"tournament", "--engine", "a=x", "--engine", "a=y"},
      {"tournament", "--engine", "a=x", "--engine", "b"},
      {"tournament", "--engine", "a=x", "--engine", "=y"},
      {"tournament", "--engine", "a=x", "--engine", "b=y", "--gauntlet", "c"},
      {"tournament", "--engine", "a=x", "--engine", "b=y", "--pairs", "0"},
      {"tournament", "--engine", "a=x", "--engine", "b=y", "--sprt", "0,10"},
      {"tournament", "--engine", "a=x", "--engine", "b=y", "--games", "4"},
      {"a", "tournament", "--engine", "a=x", "--engine", "b=y"},
  };
  for (const auto& args : bad) {
    auto parsed = Parse(args);
    ASSERT_TRUE(std::holds_alternative<ParseExit>(parsed)) << args[0] << " " << args[1];
    const auto& exit = std::get<ParseExit>(parsed);
    EXPECT_EQ(exit.status, 2);
    EXPECT_FALSE(exit.toStdout);
    EXPECT_NE(exit.text.find("curling-match"), std::string::npos);
  }
}

TEST(Options, HelpGoesToStandardOutputWithStatusZero) {
  auto parsed = Parse({"--help"});
  ASSERT_TRUE(std::holds_alternative<ParseExit>(parsed));
  const auto& exit = std::get<ParseExit>(parsed);
  EXPECT_EQ(exit.status, 0);
  EXPECT_TRUE(exit.toStdout);
  for (const char* option : {"--ends", "--games", "--seed", "--noise", "--time-limit", "--record",
                             "--pictures", "--concurrency", "--shard", "--first-game", "--sprt",
                             "--sprt-points", "ENGINE_A", "ENGINE_B"}) {
    EXPECT_NE(exit.text.find(option), std::string::npos) << option;
  }
}

}  // namespace
}  // namespace Match
