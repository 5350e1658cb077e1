#include "experiment/run_command.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "experiment_test_support.h"
#include "scripted_simulator.h"

namespace Curling {
namespace {

using Testing::Console;
using Testing::FirstLine;
using Testing::FirstRow;
using Testing::ReadFile;
using Testing::SecondLine;
using Testing::SecondRow;
using Testing::TempDir;
using Testing::WriteFile;

const std::string kHeader =
    "Name : Count : Size : ShotNum : Pow : Type : Rate : win : playout : time\n";

// The text PrintState gives for a state closed after end `end` with the scores given, before the
// stones: the stones' lines follow.
std::string ClosedEndPrint(int end, const std::string& scores) {
  return "current_shot_number : 0 ;  \ncurrent_end_number : " + std::to_string(end) +
         "\nScore : " + scores + "\nPosition : \n";
}

// The stones the two fakes leave, in shot order: side 0 at (2.875, 5), side 1 at (2.125, 20).
std::string AlternatingStones() {
  std::string text;
  for (int i = 0; i < 8; ++i) text += "2.875, 5\n2.125, 20\n";
  return text;
}

std::vector<std::string> Tokens(std::initializer_list<const char*> words) {
  std::vector<std::string> tokens(words.begin(), words.end());
  tokens.emplace_back("\n");
  return tokens;
}

std::size_t CountOf(const std::string& text, const std::string& what) {
  std::size_t count = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
    ++count;
  }
  return count;
}

class RunCommand : public ::testing::Test {
 protected:
  void SetUp() override { ScriptedSimulator::Reset(); }

  // A setup with the two fixed fakes, reports in the temporary directory and a counter that
  // advances by one at every reading.
  ExperimentSetup FakeSetup() {
    return ExperimentSetup{
        PlayerTable{Player{"Primitive", Testing::FirstFake, SearchConfig{searchLog}},
                    Player{"UCT", Testing::SecondFake, SearchConfig{searchLog}}},
        dir.path(), [this] { return ticks++; }};
  }

  bool Run(const std::vector<std::string>& tokens) {
    return RunExperiment(tokens, FakeSetup(), console.out);
  }

  std::string Report(const char* name) { return ReadFile(dir.path() / name); }

  // Puts recognisable content into the three report files.
  void WriteEarlierReports() {
    WriteFile(dir.path() / "shot.txt", "earlier shots\n");
    WriteFile(dir.path() / "result.txt", "earlier results\n");
    WriteFile(dir.path() / "aggregate.txt", "9,9,9\n");
  }
  void ExpectEarlierReports() {
    EXPECT_EQ(Report("shot.txt"), "earlier shots\n");
    EXPECT_EQ(Report("result.txt"), "earlier results\n");
    EXPECT_EQ(Report("aggregate.txt"), "9,9,9\n");
  }

  TempDir dir;
  Console console;
  std::ostringstream searchLog;
  std::int64_t ticks = 1000;
};

TEST_F(RunCommand, ZeroGamesWriteOnlyTheHeaderAndTheSummary) {
  WriteEarlierReports();
  EXPECT_TRUE(Run(Tokens({"Run", "0"})));
  EXPECT_EQ(console.text.str(),
            kHeader + "Primitivewin 0\nUCTwin 0\ndraw num 0\nRun Command End\n");
  EXPECT_EQ(console.replies, 0);
  EXPECT_EQ(Report("shot.txt"), "");
  EXPECT_EQ(Report("result.txt"), "");
  EXPECT_EQ(Report("aggregate.txt"), "0,0,0\n");
  EXPECT_TRUE(ScriptedSimulator::Simulations().empty());
}

TEST_F(RunCommand, GamesOfNoEndAreDrawsWithTenZeroScores) {
  for (const auto& tokens :
       {Tokens({"Run", "2", "0"}), Tokens({"Run", "2", "-5"}), Tokens({"Run", "2", "0\r\n"})}) {
    console.text.str("");
    EXPECT_TRUE(Run(tokens));
    EXPECT_EQ(console.text.str(),
              kHeader + "Primitivewin 0\nUCTwin 0\ndraw num 2\nRun Command End\n");
    EXPECT_EQ(Report("shot.txt"), "");
    EXPECT_EQ(Report("result.txt"), "0,0,0,0,0,0,0,0,0,0,\n0,0,0,0,0,0,0,0,0,0,\n");
    EXPECT_EQ(Report("aggregate.txt"), "0,0,2\n");
  }
  EXPECT_TRUE(ScriptedSimulator::Simulations().empty());
}

TEST_F(RunCommand, ACountFollowedByCarriageReturnAndLineFeedIsThatCount) {
  EXPECT_TRUE(Run({"Run", "0\r\n", "\n"}));
  EXPECT_EQ(console.text.str(),
            kHeader + "Primitivewin 0\nUCTwin 0\ndraw num 0\nRun Command End\n");
  EXPECT_EQ(Report("aggregate.txt"), "0,0,0\n");
}

TEST_F(RunCommand, ThreeCountsOrMoreAreIgnoredWithoutATrace) {
  WriteEarlierReports();
  EXPECT_TRUE(Run(Tokens({"Run", "1", "2", "3"})));
  EXPECT_TRUE(Run(Tokens({"Run", "x", "y", "z", "w"})));
  EXPECT_EQ(console.text.str(), "");
  EXPECT_EQ(console.replies, 0);
  ExpectEarlierReports();
  EXPECT_EQ(ticks, 1000);
}

TEST_F(RunCommand, AMistypedCountIsReportedAndLeavesEarlierReportsAlone) {
  WriteEarlierReports();
  for (const auto& tokens :
       {Tokens({"Run", "x"}), Tokens({"Run", "2", "y"}), Tokens({"Run", ""}),
        Tokens({"Run", "3000000000"}), Tokens({"Run", "-"}), Tokens({"Run", "1", "\r\n"})}) {
    console.text.str("");
    EXPECT_TRUE(Run(tokens));
    EXPECT_EQ(console.text.str(), "error argument value\n");
  }
  ExpectEarlierReports();
  EXPECT_TRUE(ScriptedSimulator::Simulations().empty());
}

TEST_F(RunCommand, OneEndPlaysSixteenShotsInTurnAndShowsTheClosedEnd) {
  ScriptedSimulator::Reset({{2}});
  EXPECT_TRUE(Run(Tokens({"Run", "1", "1"})));
  std::string rows;
  std::string lines;
  for (int shot = 0; shot < 16; shot += 2) {
    rows += FirstRow(shot) + SecondRow(shot + 1);
    lines += FirstLine(shot) + SecondLine(shot + 1);
  }
  EXPECT_EQ(console.text.str(),
            kHeader + rows + ClosedEndPrint(1, "2, 0, 0, 0, 0, 0, 0, 0, 0, 0, ") +
                AlternatingStones() + "Primitivewin 1\nUCTwin 0\ndraw num 0\nRun Command End\n");
  EXPECT_EQ(console.replies, 16);  // one raw write per row
  EXPECT_EQ(Report("shot.txt"), lines);
  EXPECT_EQ(Report("result.txt"), "2,0,0,0,0,0,0,0,0,0,\n");
  EXPECT_EQ(Report("aggregate.txt"), "1,0,0\n");
}

TEST_F(RunCommand, PlaysEachChosenReleaseWithTheEnginesNoiseAndNoSeed) {
  EXPECT_TRUE(Run(Tokens({"Run", "1", "1"})));
  const auto& calls = ScriptedSimulator::Simulations();
  ASSERT_EQ(calls.size(), 16u);
  for (std::size_t i = 0; i < calls.size(); ++i) {
    const bool second = i % 2 == 1;
    EXPECT_EQ(calls[i].before.shotNumber, static_cast<int>(i));
    EXPECT_EQ(calls[i].shot.vx, second ? -0.25f : 0.5f);
    EXPECT_EQ(calls[i].shot.vy, second ? -20.0f : -5.0f);
    EXPECT_EQ(calls[i].shot.curl, !second);
    EXPECT_EQ(calls[i].noise, 0.3f);
    EXPECT_TRUE(calls[i].executedWasNull);
    EXPECT_EQ(calls[i].seed, -1);
  }
}

TEST_F(RunCommand, TheWordAlonePlaysOneGameOfTenEnds) {
  ScriptedSimulator::Reset({{1, -2, 0, 3, -1, 0, 0, 0, 0, -2}});  // sum -1: side 1 wins
  EXPECT_TRUE(Run(Tokens({"Run"})));
  const std::string text = console.text.str();
  EXPECT_EQ(CountOf(text, "Primitive : "), 80u);
  EXPECT_EQ(CountOf(text, "    UCT : "), 80u);
  EXPECT_EQ(CountOf(text, "current_shot_number : 0 ;  \n"), 10u);
  EXPECT_EQ(CountOf(text, "current_end_number : 10\nScore : 1, -2, 0, 3, -1, 0, 0, 0, 0, -2, \n"),
            1u);
  EXPECT_EQ(CountOf(Report("shot.txt"), "\n"), 160u);
  EXPECT_EQ(Report("result.txt"), "1,-2,0,3,-1,0,0,0,0,-2,\n");
  EXPECT_EQ(Report("aggregate.txt"), "0,1,0\n");
  EXPECT_NE(text.find("Primitivewin 0\nUCTwin 1\ndraw num 0\nRun Command End\n"),
            std::string::npos);
}

TEST_F(RunCommand, MoreThanTenEndsArePlayedAsTen) {
  ScriptedSimulator::Reset({{1, 1, 1, 1, 1, -1, -1, -1, -1, -1}});
  EXPECT_TRUE(Run(Tokens({"Run", "2", "11"})));
  EXPECT_EQ(ScriptedSimulator::Simulations().size(), 2u * 160u);
  EXPECT_EQ(CountOf(console.text.str(), "current_shot_number"), 20u);
  EXPECT_EQ(Report("result.txt"), "1,1,1,1,1,-1,-1,-1,-1,-1,\n1,1,1,1,1,-1,-1,-1,-1,-1,\n");
  EXPECT_EQ(Report("aggregate.txt"), "0,0,2\n");
}

TEST_F(RunCommand, EveryGameStartsFromTheResetState) {
  ScriptedSimulator::Reset({{1, -1, 1}});
  EXPECT_TRUE(Run(Tokens({"Run", "3", "2"})));
  const auto& calls = ScriptedSimulator::Simulations();
  ASSERT_EQ(calls.size(), 96u);
  for (std::size_t game = 0; game < 3; ++game) {
    const CurlingStateRecord& first = calls[game * 32].before;
    const CurlingGameState reset;
    EXPECT_EQ(std::memcmp(&first, &reset, 52), 0) << "game " << game;  // all fields before the side
    EXPECT_FALSE(first.sideToMove);
    for (const StonePosition& s : first.stones) EXPECT_EQ(s.x == 0.0f && s.y == 0.0f, true);
  }
  EXPECT_EQ(Report("result.txt"),
            "1,-1,0,0,0,0,0,0,0,0,\n1,-1,0,0,0,0,0,0,0,0,\n1,-1,0,0,0,0,0,0,0,0,\n");
  EXPECT_EQ(Report("aggregate.txt"), "0,0,3\n");
}

TEST_F(RunCommand, TheClosedEndsStonesAreClearedBeforeTheNextEnd) {
  ScriptedSimulator::Reset({{1, 1}});  // the scripted simulator leaves the stones lying
  EXPECT_TRUE(Run(Tokens({"Run", "1", "2"})));
  const auto& calls = ScriptedSimulator::Simulations();
  ASSERT_EQ(calls.size(), 32u);
  for (const StonePosition& s : calls[16].before.stones) {
    EXPECT_EQ(s.x, 0.0f);
    EXPECT_EQ(s.y, 0.0f);
  }
  EXPECT_EQ(calls[16].before.endNumber, 1);
  // The print of the second end shows its own sixteen stones, not a mix of both ends.
  const std::string text = console.text.str();
  const std::size_t second = text.find("current_end_number : 2\n");
  ASSERT_NE(second, std::string::npos);
  EXPECT_EQ(text.substr(second + std::strlen("current_end_number : 2\n"),
                        std::strlen("Score : 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, \nPosition : \n") +
                            AlternatingStones().size()),
            "Score : 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, \nPosition : \n" + AlternatingStones());
}

TEST_F(RunCommand, AnEndTheSimulatorLeavesOpenIsNeitherShownNorCleared) {
  ScriptedSimulator::Reset({{}, false, false});
  EXPECT_TRUE(Run(Tokens({"Run", "1", "2"})));
  EXPECT_EQ(CountOf(console.text.str(), "current_shot_number"), 0u);
  const auto& calls = ScriptedSimulator::Simulations();
  ASSERT_EQ(calls.size(), 32u);
  // Shot number 16 is past the end: the scripted simulator only counts such calls, and the
  // sheet of the first end still lies there.
  EXPECT_EQ(calls[16].before.shotNumber, 16);
  EXPECT_EQ(calls[16].before.stones[0].x, 2.875f);
}

TEST_F(RunCommand, ThePlayerFollowsTheSideTheSimulatorLeavesToMove) {
  ScriptedSimulator::Reset({{}, true, true});  // side 0 keeps the turn
  EXPECT_TRUE(Run(Tokens({"Run", "1", "1"})));
  EXPECT_EQ(CountOf(console.text.str(), "Primitive : "), 16u);
  EXPECT_EQ(CountOf(console.text.str(), "UCT : "), 0u);
  EXPECT_EQ(Report("aggregate.txt"), "0,0,1\n");
}

// Answers with the number of stones in play of the position it is asked about as its candidate
// count, and the side byte as its playout count, so that the rows show what the search saw.
SearchResult ObservingFake(const CurlingGameState& state, const SearchConfig&) {
  SearchResult result = Testing::FirstFake(state, SearchConfig{std::cout});
  result.candidateCount = 0;
  for (const StonePosition& s : state.stones) result.candidateCount += (s.x > 0 || s.y > 0);
  result.playoutCount = state.SideByte();
  return result;
}

TEST_F(RunCommand, TheLoopsStateIsNeitherReadNorChanged) {
  CurlingGameState loopState;
  loopState.shotNumber = 7;
  loopState.endNumber = 5;
  loopState.endScores[2] = -1;
  loopState.sideToMove = true;
  loopState.stones[0] = StonePosition{2.375f, 4.88f};
  const CurlingGameState before = loopState;
  ExperimentSetup setup = FakeSetup();
  setup.players[0].search = ObservingFake;
  setup.players[1].search = ObservingFake;
  auto handler = MakeRunHandler(setup);
  EXPECT_TRUE(handler(Tokens({"run", "1", "1"}), loopState, console.out));
  EXPECT_EQ(std::memcmp(&loopState, &before, sizeof loopState), 0);
  // The first search saw the experiment's own reset state: shot 0, no stone, side 0.
  EXPECT_EQ(ReadFile(dir.path() / "shot.txt").substr(0, 20), "Primitive,0,0,0,-1,F");
}

TEST_F(RunCommand, EachShotIsTimedFromItsOwnStartReading) {
  std::int64_t reading = 0;
  ExperimentSetup setup = FakeSetup();
  // Readings 0, 1, 4, 9, 16, ...: each shot reads start, row time, file time.
  setup.tickCount = [&reading] {
    const std::int64_t value = reading * reading;
    ++reading;
    return value;
  };
  EXPECT_TRUE(RunExperiment(Tokens({"Run", "1", "1"}), setup, console.out));
  EXPECT_EQ(reading, 48);
  std::istringstream file(ReadFile(dir.path() / "shot.txt"));
  std::istringstream text(console.text.str());
  std::string line;
  std::getline(text, line);  // the header
  for (std::int64_t shot = 0; shot < 16; ++shot) {
    const std::int64_t start = (3 * shot) * (3 * shot);
    const std::int64_t row = (3 * shot + 1) * (3 * shot + 1) - start;
    const std::int64_t later = (3 * shot + 2) * (3 * shot + 2) - start;
    ASSERT_TRUE(std::getline(text, line));
    EXPECT_EQ(line.substr(line.size() - 5), Testing::Pad(static_cast<int>(row), 5));
    ASSERT_TRUE(std::getline(file, line));
    EXPECT_EQ(line.substr(line.rfind(',') + 1), std::to_string(later));
  }
}

TEST_F(RunCommand, GamesArePlayedWhenReportsCannotBeOpenedOrRowsWritten) {
  ExperimentSetup setup = FakeSetup();
  setup.reportDirectory = dir.path() / "missing";
  console.replyResult = false;
  EXPECT_TRUE(RunExperiment(Tokens({"Run", "1", "1"}), setup, console.out));
  EXPECT_EQ(ScriptedSimulator::Simulations().size(), 16u);
  EXPECT_EQ(console.replies, 16);
  EXPECT_NE(console.text.str().find("Primitivewin 0\nUCTwin 0\ndraw num 1\n"), std::string::npos)
      << "no end scored: a draw";
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "missing"));
}

TEST(EnginePlayers, PutPrimitiveAgainstUCTWithTheEnginesSearch) {
  std::ostringstream log;
  const PlayerTable players = EnginePlayers(log);
  EXPECT_EQ(players[0].label, "Primitive");
  EXPECT_EQ(players[0].search, &PrimitiveSearch);
  EXPECT_EQ(players[1].label, "UCT");
  EXPECT_EQ(players[1].search, &UCTSearch);
  for (const Player& p : players) {
    EXPECT_EQ(p.config.settings.limitMs, 5000);
    EXPECT_EQ(&p.config.log, &log);
    EXPECT_EQ(&p.config.clock, &SystemTickClock());
  }
  const ExperimentSetup setup = EngineExperiment(log);
  EXPECT_EQ(setup.reportDirectory, std::filesystem::path("."));
  const std::int64_t a = setup.tickCount();
  EXPECT_LE(a, setup.tickCount());
}

TEST(RealSearches, PlayAnEndOfTheTwoDriversOnAFastClock) {
  ScriptedSimulator::Reset({{1}});
  static const Testing::StepClock clock;
  std::ostringstream searchLog;
  TempDir dir;
  Console console;
  const SearchConfig fast{searchLog, {.limitMs = 3}, clock};
  const ExperimentSetup setup{
      PlayerTable{Player{"Primitive", PrimitiveSearch, fast}, Player{"UCT", UCTSearch, fast}},
      dir.path(), GetTickCount};
  EXPECT_TRUE(RunExperiment({"Run", "1", "1", "\n"}, setup, console.out));
  EXPECT_EQ(console.replies, 16);
  std::istringstream file(ReadFile(dir.path() / "shot.txt"));
  std::string line;
  int lines = 0;
  while (std::getline(file, line)) {
    const std::string label = lines % 2 == 0 ? "Primitive," : "UCT,";
    EXPECT_EQ(line.substr(0, label.size()), label) << line;
    EXPECT_EQ(CountOf(line, ","), 9u) << line;
    ++lines;
  }
  EXPECT_EQ(lines, 16);
  EXPECT_EQ(ReadFile(dir.path() / "aggregate.txt"), "1,0,0\n");
}

}  // namespace
}  // namespace Curling
