#include "shots/random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <numeric>
#include <set>
#include <thread>
#include <vector>

namespace Curling {
namespace {

// The positions of the unshuffled list, in the order a fresh fixed-seed shuffle leaves them.
std::vector<int> ShuffledPositions(int length) {
  std::vector<int> list(static_cast<std::size_t>(length));
  std::iota(list.begin(), list.end(), 0);
  std::mt19937 rng = MakeShuffleGenerator();
  ShuffleList(list, rng);
  return list;
}

TEST(RandomTest, FixedSeedGeneratorGivesTheStandardOutputs) {
  std::mt19937 rng = MakeShuffleGenerator();
  EXPECT_EQ(rng(), 3499211612u);
  for (int i = 0; i < 8; ++i) rng();
  EXPECT_EQ(rng(), 1323567403u);
}

TEST(RandomTest, ShufflePermutationsDependOnLengthOnly) {
  EXPECT_EQ(ShuffledPositions(2), (std::vector<int>{1, 0}));
  EXPECT_EQ(ShuffledPositions(3), (std::vector<int>{2, 0, 1}));
  EXPECT_EQ(ShuffledPositions(4), (std::vector<int>{2, 0, 3, 1}));
  // Same length, other content: the same permutation.
  std::vector<char> letters{'a', 'b', 'c', 'd'};
  std::mt19937 rng = MakeShuffleGenerator();
  ShuffleList(letters, rng);
  EXPECT_EQ(letters, (std::vector<char>{'c', 'a', 'd', 'b'}));
}

TEST(RandomTest, ShortListsAreNotShuffledAndDrawNothing) {
  for (int length : {0, 1}) {
    std::vector<int> list(static_cast<std::size_t>(length), 7);
    std::mt19937 rng = MakeShuffleGenerator();
    ShuffleList(list, rng);
    EXPECT_EQ(rng, MakeShuffleGenerator()) << "length " << length;
    EXPECT_EQ(list, std::vector<int>(static_cast<std::size_t>(length), 7));
  }
  // A list of n draws exactly n - 1 outputs when no output is dropped (every m <= 4 is kept by
  // the first output here: the figures above confirm the permutation).
  std::vector<int> list(4);
  std::mt19937 rng = MakeShuffleGenerator();
  ShuffleList(list, rng);
  std::mt19937 expected = MakeShuffleGenerator();
  expected.discard(3);
  EXPECT_EQ(rng, expected);
}

TEST(RandomTest, PrecomputedShuffleMatchesAFreshGenerator) {
  // Across the end of the precomputed draws, too.
  const std::size_t precomputed = FixedSeedShuffleDraws().size();
  for (std::size_t length = 0; length <= precomputed + 3; ++length) {
    std::vector<std::size_t> fresh(length);
    std::iota(fresh.begin(), fresh.end(), 0);
    std::vector<std::size_t> fixed = fresh;
    std::mt19937 rng = MakeShuffleGenerator();
    ShuffleList(fresh, rng);
    ShuffleFixedSeed(fixed);
    ASSERT_EQ(fixed, fresh) << "length " << length;
  }
}

TEST(RandomTest, IndexDrawOfOneTakesNoOutput) {
  std::mt19937 rng = MakeShuffleGenerator();
  EXPECT_EQ(IndexDraw(rng, 1), 0u);
  EXPECT_EQ(IndexDraw(rng, 0), 0u);
  EXPECT_EQ(rng, MakeShuffleGenerator());
  // The next draw still sees the first output: k = 2 gives it mod 2.
  EXPECT_EQ(IndexDraw(rng, 2), 3499211612u % 2);
}

TEST(RandomTest, PowersOfTwoNeverDropAnOutput) {
  std::mt19937 rng = MakeShuffleGenerator();
  std::mt19937 replica = MakeShuffleGenerator();
  for (std::uint32_t m : {1u, 2u, 4u, 64u, 1024u, 2147483648u}) {
    for (int i = 0; i < 50; ++i) {
      EXPECT_EQ(BoundedDraw(rng, m), static_cast<std::uint32_t>(replica()) % m) << "m " << m;
    }
  }
  EXPECT_EQ(rng, replica);
}

TEST(RandomTest, BoundedDrawDropsOutputsAboveTheLastFullBlock) {
  // For m = 2^31 + 1 only the outputs below m are kept, so about half are dropped.
  const std::uint32_t m = 2147483649u;
  std::mt19937 rng = MakeShuffleGenerator();
  std::mt19937 replica = MakeShuffleGenerator();
  int dropped = 0;
  for (int draw = 0; draw < 40; ++draw) {
    std::uint32_t r = static_cast<std::uint32_t>(replica());
    while (r >= m) {
      ++dropped;
      r = static_cast<std::uint32_t>(replica());
    }
    ASSERT_EQ(BoundedDraw(rng, m), r);
    ASSERT_EQ(rng, replica);
  }
  EXPECT_GT(dropped, 0);
  // For m = 3 only the output 4294967295 could be dropped; ordinary outputs map to r mod 3.
  std::mt19937 three = MakeShuffleGenerator();
  EXPECT_EQ(BoundedDraw(three, 3), 3499211612u % 3);
}

TEST(RandomTest, IndexDrawStaysInRange) {
  std::mt19937 rng(12345);
  for (std::uint32_t k : {2u, 3u, 7u, 14u, 30u, 200u}) {
    std::set<std::uint32_t> seen;
    for (int i = 0; i < 2000; ++i) {
      const std::uint32_t index = IndexDraw(rng, k);
      ASSERT_LT(index, k);
      seen.insert(index);
    }
    EXPECT_EQ(seen.size(), k) << "every index of " << k << " is reachable";
  }
}

TEST(RandomTest, RandomPriorityScalesOneOutputToTheFloatRange) {
  std::mt19937 rng = MakeShuffleGenerator();
  // 3499211612 / 2^32 in float is 0.81472367; times the largest float:
  EXPECT_EQ(std::bit_cast<std::uint32_t>(RandomPriority(rng)), 0x7f5091bau);
  std::mt19937 expected = MakeShuffleGenerator();
  expected.discard(1);
  EXPECT_EQ(rng, expected);
  for (int i = 0; i < 1000; ++i) {
    const float p = RandomPriority(rng);
    ASSERT_GE(p, 0.0f);
    ASSERT_LE(p, 3.4028234663852886e38f);
  }
}

TEST(RandomTest, WallClockSeedIsTheLowWordOfHundredNanosecondTicks) {
  using std::chrono::system_clock;
  using namespace std::chrono_literals;
  const system_clock::time_point epoch{};
  struct Case {
    system_clock::duration sinceEpoch;
    std::uint32_t seed;
  };
  const Case cases[] = {
      {0ns, 0u},
      {99ns, 0u},  // partial ticks are cut off
      {100ns, 1u},
      {1s, 10000000u},
      {std::chrono::duration_cast<system_clock::duration>(
           std::chrono::duration<std::int64_t, std::ratio<1, 10000000>>(4294967296LL + 5)),
       5u},
      {std::chrono::duration_cast<system_clock::duration>(
           std::chrono::duration<std::int64_t, std::ratio<1, 10000000>>(0x1234'5678'9abcLL)),
       0x5678'9abcu},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WallClockSeed(epoch + c.sinceEpoch), c.seed) << c.sinceEpoch.count();
  }
}

TEST(RandomTest, WorkerGeneratorsAreSeededFromTheProcessGenerator) {
  // The process-wide generator is only drawn by SeedWorkerGenerator, so consecutive workers get
  // consecutive outputs of a generator seeded with the start-up seed.
  std::mt19937 first = SeedWorkerGenerator();
  std::mt19937 second = SeedWorkerGenerator();
  EXPECT_NE(first, second);
  std::mt19937 process(ProcessGeneratorSeed());
  bool found = false;
  for (int i = 0; i < 10000 && !found; ++i) {
    const auto seed = static_cast<std::uint32_t>(process());
    if (std::mt19937(seed) == first) {
      found = std::mt19937(static_cast<std::uint32_t>(process())) == second;
    }
  }
  EXPECT_TRUE(found);
}

// Known answers: seeded with 5489, the process generator gives the published first outputs of
// the 32-bit Mersenne Twister, and the seeds made of them follow.
TEST(RandomTest, SeededProcessGeneratorGivesTheKnownOutputs) {
  SeedProcessGenerator(5489);
  EXPECT_EQ(ProcessGeneratorSeed(), 5489u);
  EXPECT_EQ(DrawProcessSeed(), 3499211612u);
  EXPECT_EQ(DrawProcessSeed(), 581869302u);
  std::mt19937 worker = SeedWorkerGenerator();  // seeded with the third output
  EXPECT_EQ(worker, std::mt19937(3890346734u));
  EXPECT_EQ(SimulationSeed(3499211612u), 1351727964);
  // The 10000th output is the one the C++ standard requires of std::mt19937; the outputs for
  // seed 7 were worked out by a separate implementation of the generator (a seed that did not
  // reach it would leave the default 5489 and pass the lines above).
  for (int i = 3; i < 9999; ++i) DrawProcessSeed();
  EXPECT_EQ(DrawProcessSeed(), 4123659995u);
  SeedProcessGenerator(7);
  EXPECT_EQ(DrawProcessSeed(), 327741615u);
  EXPECT_EQ(DrawProcessSeed(), 976413892u);
}

TEST(RandomTest, ConcurrentWorkersGetDistinctGenerators) {
  constexpr int kWorkers = 8;
  std::vector<std::uint32_t> firstOutputs(kWorkers);
  std::vector<std::thread> threads;
  for (int i = 0; i < kWorkers; ++i) {
    threads.emplace_back([&firstOutputs, i] {
      std::mt19937 rng = SeedWorkerGenerator();
      firstOutputs[static_cast<std::size_t>(i)] = static_cast<std::uint32_t>(rng());
    });
  }
  for (std::thread& t : threads) t.join();
  std::sort(firstOutputs.begin(), firstOutputs.end());
  EXPECT_EQ(std::adjacent_find(firstOutputs.begin(), firstOutputs.end()), firstOutputs.end());
}

}  // namespace
}  // namespace Curling
