// The "Run" experiment through the built engine, for the runs whose output is fixed: no shot is
// played, so the output does not depend on the search or the simulator.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine_process.h"
#include "golden_session.h"
#include "run_e2e_support.h"

namespace E2E {
namespace {

const std::string kEngine = CURLING_ENGINE_PATH;

const std::string kHeader =
    "Name : Count : Size : ShotNum : Pow : Type : Rate : win : playout : time\n";
const std::string kResetDump =
    "current_shot_number : 0 ;  \ncurrent_end_number : 0\n"
    "Score : 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, \nPosition : \n";
const std::string kTenZeros = "0,0,0,0,0,0,0,0,0,0,\n";

std::string Summary(int draws) {
  return "Primitivewin 0\nUCTwin 0\ndraw num " + std::to_string(draws) + "\nRun Command End\n";
}

// What the engine writes for the commands, sent one per write, and what its directory then holds.
struct Outcome {
  std::string output;
  std::string shot;
  std::string result;
  std::string aggregate;
};

Outcome RunCommands(const RunDirectory& dir, const std::vector<std::string>& commands) {
  EngineProcess engine = dir.Start(kEngine);
  for (const std::string& command : commands) {
    EXPECT_TRUE(engine.Send(command)) << Printable(command);
  }
  const ExitResult exit = engine.Finish();
  EXPECT_TRUE(exit.exited && exit.status == 0) << "status " << exit.status;
  return Outcome{engine.output(), dir.Read("shot.txt"), dir.Read("result.txt"),
                 dir.Read("aggregate.txt")};
}

void WriteEarlierReports(const RunDirectory& dir) {
  dir.Write("shot.txt", "Primitive,1,2,0,-1,TEE,0.5,1,2,5004\n");
  dir.Write("result.txt", "1,0,0,0,0,0,0,0,0,0,\n");
  dir.Write("aggregate.txt", "1,0,0\n");
}

void ExpectEarlierReports(const Outcome& o) {
  EXPECT_EQ(o.shot, "Primitive,1,2,0,-1,TEE,0.5,1,2,5004\n");
  EXPECT_EQ(o.result, "1,0,0,0,0,0,0,0,0,0,\n");
  EXPECT_EQ(o.aggregate, "1,0,0\n");
}

TEST(RunCommand, ZeroGamesWriteHeaderSummaryAndEmptyReports) {
  RunDirectory dir;
  WriteEarlierReports(dir);
  const Outcome o = RunCommands(dir, {"Run 0"});
  EXPECT_EQ(o.output, kHeader + Summary(0)) << Printable(o.output);
  EXPECT_EQ(o.shot, "");
  EXPECT_EQ(o.result, "");
  EXPECT_EQ(o.aggregate, "0,0,0\n");
}

TEST(RunCommand, TwoGamesOfNoEndAreTwoDraws) {
  RunDirectory dir;
  const Outcome o = RunCommands(dir, {"Run 2 0"});
  EXPECT_EQ(o.output, kHeader + Summary(2)) << Printable(o.output);
  EXPECT_EQ(o.shot, "");
  EXPECT_EQ(o.result, kTenZeros + kTenZeros);
  EXPECT_EQ(o.aggregate, "0,0,2\n");
}

TEST(RunCommand, LowerCaseRunDoesWhatRunDoes) {
  for (const char* counts : {" 0", " 2 0", " 3 -1", " 1 2 3", " x"}) {
    RunDirectory upper;
    RunDirectory lower;
    const Outcome a = RunCommands(upper, {std::string("Run") + counts});
    const Outcome b = RunCommands(lower, {std::string("run") + counts});
    EXPECT_EQ(a.output, b.output) << counts;
    EXPECT_EQ(a.shot, b.shot) << counts;
    EXPECT_EQ(a.result, b.result) << counts;
    EXPECT_EQ(a.aggregate, b.aggregate) << counts;
  }
}

TEST(RunCommand, ThreeCountsAreIgnoredAndEarlierReportsKept) {
  RunDirectory dir;
  WriteEarlierReports(dir);
  const Outcome o = RunCommands(dir, {"Run 1 2 3", "run 1 2 3 4"});
  EXPECT_EQ(o.output, "");
  ExpectEarlierReports(o);
}

TEST(RunCommand, ACountEndedByCarriageReturnAndLineFeedIsRead) {
  RunDirectory dir;
  const Outcome zero = RunCommands(dir, {"Run 0\r\n"});
  EXPECT_EQ(zero.output, kHeader + Summary(0)) << Printable(zero.output);
  EXPECT_EQ(zero.aggregate, "0,0,0\n");
  const Outcome twoNoEnds = RunCommands(dir, {"Run 2 0\r\n"});
  EXPECT_EQ(twoNoEnds.output, kHeader + Summary(2)) << Printable(twoNoEnds.output);
  EXPECT_EQ(twoNoEnds.result, kTenZeros + kTenZeros);
  EXPECT_EQ(twoNoEnds.aggregate, "0,0,2\n");
}

TEST(RunCommand, AMistypedCountIsReportedAndEarlierReportsKept) {
  RunDirectory dir;
  WriteEarlierReports(dir);
  const Outcome o = RunCommands(dir, {"Run x", "Run 2 y", "Run ", "Run 99999999999", "Run \r\n"});
  std::string expected;
  for (int i = 0; i < 5; ++i) expected += "error argument value\n";
  EXPECT_EQ(o.output, expected) << Printable(o.output);
  ExpectEarlierReports(o);
}

TEST(RunCommand, TheEngineGoesOnWithItsOwnStateUnchanged) {
  RunDirectory dir;
  const Outcome o = RunCommands(
      dir, {"SETSTATE 3 2 1 1", "SCORE -2", "ShowAll", "Run 2 0", "ShowAll", "ISREADY"});
  const std::string state =
      "current_shot_number : 3 ;  \ncurrent_end_number : 2\n"
      "Score : 0, 0, -2, 0, 0, 0, 0, 0, 0, 0, \nPosition : \n";
  EXPECT_EQ(o.output, state + kHeader + Summary(2) + state + "READYOK") << Printable(o.output);
}

}  // namespace
}  // namespace E2E
