// "Run" when its report files cannot be written: a directory stands where a report file should be
// (permissions would not stop a root user). The games are still played and every other output,
// the console table and summary and the reports that can be written, comes out in full.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine_process.h"
#include "golden_session.h"
#include "run_e2e_support.h"

namespace E2E {
namespace {

const std::string kEngine = CURLING_ENGINE_PATH;

const std::string kConsole =
    "Name : Count : Size : ShotNum : Pow : Type : Rate : win : playout : time\n"
    "Primitivewin 0\nUCTwin 0\ndraw num 2\nRun Command End\n";
const std::string kTenZeros = "0,0,0,0,0,0,0,0,0,0,\n";

// Which report files are blocked, and what the others must hold after "Run 2 0" (two games of no
// end: two draws, no shot).
struct BlockedCase {
  const char* name;
  std::vector<const char*> blocked;
};

void PrintTo(const BlockedCase& c, std::ostream* os) {
  *os << c.name;
}

class RunWithBlockedReports : public testing::TestWithParam<BlockedCase> {};

TEST_P(RunWithBlockedReports, GamesArePlayedAndTheOtherOutputsWritten) {
  const BlockedCase& c = GetParam();
  RunDirectory dir;
  for (const char* name : c.blocked) std::filesystem::create_directory(dir.path() / name);
  EngineProcess engine = dir.Start(kEngine);
  ASSERT_TRUE(engine.Send("Run 2 0"));
  ASSERT_TRUE(engine.Send("ISREADY"));  // the engine goes on afterwards
  const ExitResult exit = engine.Finish();
  EXPECT_FALSE(exit.timedOut);
  EXPECT_TRUE(exit.exited && exit.status == 0) << "status " << exit.status;
  EXPECT_EQ(kConsole + "READYOK", engine.output()) << Printable(engine.output());

  const auto blocked = [&](const char* name) {
    for (const char* b : c.blocked) {
      if (std::string(b) == name) return true;
    }
    return false;
  };
  for (const char* name : c.blocked) {
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / name)) << name << " was replaced";
  }
  if (!blocked("shot.txt")) {
    EXPECT_EQ("", dir.Read("shot.txt"));
  }
  if (!blocked("result.txt")) {
    EXPECT_EQ(kTenZeros + kTenZeros, dir.Read("result.txt"));
  }
  if (!blocked("aggregate.txt")) {
    EXPECT_EQ("0,0,2\n", dir.Read("aggregate.txt"));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, RunWithBlockedReports,
    testing::Values(BlockedCase{"Shot", {"shot.txt"}}, BlockedCase{"Result", {"result.txt"}},
                    BlockedCase{"Aggregate", {"aggregate.txt"}},
                    BlockedCase{"All", {"shot.txt", "result.txt", "aggregate.txt"}}),
    [](const testing::TestParamInfo<BlockedCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace E2E
