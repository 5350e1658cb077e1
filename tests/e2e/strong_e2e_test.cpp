// "--search strong" through the built program: with a seed and a playout limit the replies and
// the diagnostics repeat byte for byte, whatever the workers.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "engine_process.h"

namespace E2E {
namespace {

const std::string kEngine = CURLING_ENGINE_PATH;
constexpr std::chrono::minutes kLongStep{5};

// GO on a mid-end position and on the last shot of an end; the whole output.
std::string TwoStrongGos(const std::vector<std::string>& args) {
  EngineProcess engine(kEngine, args);
  EXPECT_TRUE(
      engine.Send("POSITION 2.3 4.9 1.9 5.6 2.8 6.9 0 0 2.4 3.9 0 0 1.6 4.2 2.0 8.0 "
                  "0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0",
                  kLongStep));
  EXPECT_TRUE(engine.Send("SETSTATE 7 3 0 1", kLongStep));
  EXPECT_TRUE(engine.Send("GO", kLongStep));
  EXPECT_TRUE(engine.Send("SETSTATE 15 9 0 1", kLongStep));
  EXPECT_TRUE(engine.Send("GO", kLongStep));
  const ExitResult exit = engine.Finish(kLongStep);
  EXPECT_TRUE(exit.exited && exit.status == 0) << exit.status;
  const std::string& output = engine.output();
  EXPECT_NE(output.find("BESTSHOT", output.find("BESTSHOT") + 1), std::string::npos) << output;
  return output;
}

TEST(StrongSearch, SeedAndPlayoutsRepeatTheOutputByteForByte) {
  const std::vector<std::string> args{"--search",   "strong", "--seed",    "7",
                                      "--playouts", "400",    "--workers", "2"};
  const std::string first = TwoStrongGos(args);
  EXPECT_NE(first.find("strong samples 800 "), std::string::npos) << first;
  EXPECT_EQ(first, TwoStrongGos(args));
}

}  // namespace
}  // namespace E2E
