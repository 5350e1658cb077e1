#include "experiment/report_writers.h"

#include <gtest/gtest.h>

#include <sstream>

#include "experiment_test_support.h"

namespace Curling {
namespace {

using Testing::Console;
using Testing::FakeBest;
using Testing::FirstFake;
using Testing::SecondFake;

const CurlingGameState kAnyState;
const SearchConfig kAnyConfig{std::cout};

TEST(ShotRow, PrintsEachColumnInItsFormat) {
  Console console;
  WriteShotRow(console.out.reply, "Primitive", FirstFake(kAnyState, kAnyConfig), 0, 1);
  WriteShotRow(console.out.reply, "UCT", SecondFake(kAnyState, kAnyConfig), 15, 12345);
  EXPECT_EQ(console.replies, 2);
  // "Primitive" is wider than its field and printed whole; "UCT" is padded to seven characters.
  EXPECT_EQ(
      console.text.str(),
      "Primitive : 34567 :   12 :     0 : -1 :      FREEZE : -0.429 : -3 :     7 :     1\n"
      "    UCT :   812 :    9 :    15 : 16 : COME_AROUND : 0.123 : 1234567 : 100000 : 12345\n");
}

TEST(ShotRow, RoundsPowerRateAndWinAndWidensNothingElse) {
  Console console;
  const SearchResult result{0, 0, FakeBest("TEE", 2.5, {}, 1, -0.5, -0.0004)};
  WriteShotRow(console.out.reply, "P", result, -1, -7);
  // 2.5 rounds to the even 2; -0.0004 keeps its sign at three decimals.
  EXPECT_EQ(console.text.str(),
            "      P :     0 :    0 :    -1 :  2 :         TEE : -0.000 : -0 :     1 :    -7\n");
}

TEST(ShotLine, CarriesTheSameValuesInTheStreamsDefaultForms) {
  std::ostringstream file;
  WriteShotLine(file, "Primitive", FirstFake(kAnyState, kAnyConfig), 0, 2);
  WriteShotLine(file, "UCT", SecondFake(kAnyState, kAnyConfig), 15, 12345);
  const SearchResult whole{3, 4, FakeBest("GUARD", 0.0, {}, 2, 1.0, 0.5)};
  WriteShotLine(file, "UCT", whole, 3, 0);
  EXPECT_EQ(file.str(),
            "Primitive,34567,12,0,-1,FREEZE,-0.428571,-3,7,2\n"
            "UCT,812,9,15,16,COME_AROUND,0.123457,1.23457e+06,100000,12345\n"
            "UCT,4,3,3,0,GUARD,0.5,1,2,0\n");
}

TEST(Tallies, CountAGameByTheSumOfItsTenEnds) {
  const struct {
    std::vector<std::int32_t> scores;
    Tallies expected;
  } cases[] = {
      {{}, {0, 0, 1}},
      {{1}, {1, 0, 0}},
      {{-1}, {0, 1, 0}},
      {{2, -1, -1}, {0, 0, 1}},                     // side 1 took more ends, yet it is a draw
      {{-3, 1, 1}, {0, 1, 0}},                      // side 0 took more ends, side 1 the game
      {{0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, {1, 0, 0}},  // the tenth slot counts too
      {{2147483647, 2147483647}, {1, 0, 0}},        // no overflow into a negative sum
      {{-2147483647 - 1, -1}, {0, 1, 0}},
  };
  for (const auto& c : cases) {
    CurlingGameState state;
    for (std::size_t i = 0; i < c.scores.size(); ++i) state.endScores[i] = c.scores[i];
    Tallies tallies;
    tallies.Count(state);
    EXPECT_EQ(tallies.firstWins, c.expected.firstWins);
    EXPECT_EQ(tallies.secondWins, c.expected.secondWins);
    EXPECT_EQ(tallies.draws, c.expected.draws);
  }
}

TEST(Summary, WritesWinsDrawsAggregateAndTheEndLine) {
  std::ostringstream log;
  std::ostringstream aggregate;
  WriteSummary(log, aggregate, "Primitive", "UCT", Tallies{3, 2, 5});
  EXPECT_EQ(log.str(), "Primitivewin 3\nUCTwin 2\ndraw num 5\nRun Command End\n");
  EXPECT_EQ(aggregate.str(), "3,2,5\n");
}

TEST(ReportFiles, OpenTruncatedAndDropLinesForAFileThatCannotBeOpened) {
  Testing::TempDir dir;
  Testing::WriteFile(dir.path() / "shot.txt", "old\n");
  std::filesystem::create_directory(dir.path() / "result.txt");  // a directory: cannot be opened
  {
    ReportFiles files(dir.path());
    EXPECT_TRUE(files.shot.good());
    EXPECT_TRUE(files.result.fail());
    EXPECT_TRUE(files.aggregate.good());
    WriteGameLine(files.result, CurlingGameState{});  // dropped without a fault
    files.aggregate << "1,0,0" << std::endl;
  }
  EXPECT_EQ(Testing::ReadFile(dir.path() / "shot.txt"), "");
  EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "result.txt"));
  EXPECT_EQ(Testing::ReadFile(dir.path() / "aggregate.txt"), "1,0,0\n");
}

}  // namespace
}  // namespace Curling
