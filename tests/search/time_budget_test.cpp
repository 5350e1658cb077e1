#include "search/core/time_budget.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "search_test_support.h"

namespace Curling {
namespace {

using Testing::ScriptedClock;

constexpr std::int64_t kMs = kTicksPerMillisecond;

TEST(TimeBudgetTest, ReportsMillisecondsLeftTruncatedTowardZero) {
  const std::int64_t t = 134'000'000'000'000'000;  // a wall-clock reading in 2394
  struct Case {
    std::int64_t now;
    std::int64_t remaining;
  };
  const Case cases[] = {
      {t, 5000},
      {t + 4999 * kMs, 1},
      {t + 5000 * kMs, 0},
      {t + 5001 * kMs, -1},
      // Part-milliseconds are dropped: the count goes down only at whole milliseconds.
      {t + 1, 5000},
      {t + kMs - 1, 5000},
      {t + 4999 * kMs + kMs - 1, 1},
      // A clock set back a little: the elapsed time truncates toward zero, not downward.
      {t - kMs + 1, 5000},
      {t - 3 * kMs, 5003},
  };
  for (const Case& c : cases) {
    const ScriptedClock clock({t, c.now});
    const TimeBudget budget(clock, 5000);
    EXPECT_EQ(budget.Remaining(), c.remaining) << "now - start = " << c.now - t;
  }
}

TEST(TimeBudgetTest, StartsAtItsFirstReadingAndReadsTheClockAtEveryCall) {
  const ScriptedClock clock({7 * kMs, 8 * kMs, 20 * kMs});
  const TimeBudget budget(clock, 10);
  EXPECT_EQ(budget.Start(), 7 * kMs);
  EXPECT_EQ(budget.LimitMs(), 10);
  EXPECT_EQ(budget.Remaining(), 9);
  EXPECT_EQ(budget.Remaining(), -3);
}

TEST(TimeBudgetTest, SystemClockCountsHundredNanosecondTicksSince1970) {
  using Ticks = std::chrono::duration<std::int64_t, std::ratio<1, 10000000>>;
  const auto before =
      std::chrono::duration_cast<Ticks>(std::chrono::system_clock::now().time_since_epoch());
  const std::int64_t reading = SystemTickClock().Now();
  const auto after =
      std::chrono::duration_cast<Ticks>(std::chrono::system_clock::now().time_since_epoch());
  EXPECT_GE(reading, before.count());
  EXPECT_LE(reading, after.count());
  // 2020-01-01 in ticks: a reading in seconds or milliseconds would be far below it.
  EXPECT_GT(reading, 15'778'368'000'000'000);
}

}  // namespace
}  // namespace Curling
