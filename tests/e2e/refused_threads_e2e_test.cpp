// GO when the system refuses the engine's threads, through the built program: a preloaded
// pthread_create fails with EAGAIN. Short searches, so these run in every build.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <string>

#include "best_shot_reply.h"
#include "engine_process.h"

namespace E2E {
namespace {

constexpr std::chrono::minutes kLongStep{5};  // a sanitizer build on a shared machine

// Each case answers GO from the workers that did start (one on the engine's own thread when none
// could) with the usual reply after one line saying how many ran, and the engine takes the next
// command.
TEST(RefusedThreads, GoIsAnsweredFromTheWorkersThatRan) {
  struct Case {
    const char* mode;
    const char* line;
  };
  const Case cases[] = {
      {"all", "search workers ran: 1 of 4\n"},
      {"every-second", "search workers ran: 2 of 4\n"},
  };
  // The preloaded library comes before an AddressSanitizer runtime, which then must not object.
  std::string asanOptions = "ASAN_OPTIONS=verify_asan_link_order=0";
  if (const char* options = std::getenv("ASAN_OPTIONS")) asanOptions += std::string(":") + options;
  for (const Case& c : cases) {
    EngineProcess engine(
        "/usr/bin/env", {"LD_PRELOAD=" REFUSE_THREADS_PATH, std::string("REFUSE_THREADS=") + c.mode,
                         asanOptions, CURLING_ENGINE_PATH, "--think-ms", "300"});
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(engine.Send("GO", kLongStep));
    EXPECT_TRUE(engine.WaitForOutput("BESTSHOT", 0, kLongStep));
    std::cerr << "[ timing   ] GO with --think-ms 300, threads refused (" << c.mode << "): "
              << std::chrono::duration_cast<std::chrono::milliseconds>(
                     std::chrono::steady_clock::now() - start)
                     .count()
              << " ms\n";
    EXPECT_TRUE(engine.Send("ISREADY", kLongStep));
    const ExitResult exit = engine.Finish(kLongStep);
    EXPECT_TRUE(exit.exited && exit.status == 0) << c.mode;
    const std::string& out = engine.output();
    const std::string line = c.line;
    ASSERT_EQ(out.substr(0, line.size()), line) << out;
    const std::size_t reply = BestShotLength(std::string_view(out).substr(line.size()));
    EXPECT_GT(reply, 0u) << out;
    EXPECT_EQ(out.substr(line.size() + reply), "READYOK") << out;
  }
}

}  // namespace
}  // namespace E2E
