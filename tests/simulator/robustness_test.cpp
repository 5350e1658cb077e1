// Limits and bad input, seeds and the execution error, and calls from several threads.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <thread>
#include <vector>

#include "simulator_test_support.h"

namespace {

using namespace curling_sim_test;

const float kInf = std::numeric_limits<float>::infinity();
const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kHuge = std::numeric_limits<float>::max();

TEST(Limits, RecordsOutsideTheLimitsChangeNothing) {
  struct Case {
    int shot, end;
    unsigned char side;
  };
  const Case cases[] = {{-1, 0, 0},
                        {16, 0, 0},
                        {0, -1, 0},
                        {0, 10, 1},
                        {3, 2, 2},
                        {3, 2, 255},
                        {std::numeric_limits<int>::min(), 0, 0},
                        {0, std::numeric_limits<int>::max(), 0}};
  for (const Case& c : cases) {
    CurlingStateRecord r = MakeRecord(0, 0, false, {{0, kTeeX, kTeeY}});
    r.shotNumber = c.shot;
    r.endNumber = c.end;
    std::memcpy(reinterpret_cast<unsigned char*>(&r) + offsetof(CurlingStateRecord, sideToMove),
                &c.side, 1);
    const CurlingStateRecord before = r;
    ShotVelocity executed{1.0f, 2.0f, false};
    EXPECT_LT(Simulation(&r, Draw(kTeeX, kTeeY, true), 0.3f, &executed, 1), 0);
    EXPECT_TRUE(SameBytes(before, r)) << c.shot << " " << c.end << " " << int(c.side);
  }
  EXPECT_LT(Simulation(nullptr, Draw(kTeeX, kTeeY, true), 0.0f, nullptr, 0), 0);
  EXPECT_LT(CreateShot({kTeeX, kTeeY, false}, nullptr), 0);
  EXPECT_LT(CreateHitShot({kTeeX, kTeeY, false}, 16.0f, nullptr), 0);
  // A target that is not a number gets no release, and the output is left as it was.
  ShotVelocity v{7.0f, 8.0f, true};
  EXPECT_LT(CreateShot({kNaN, kTeeY, false}, &v), 0);
  EXPECT_LT(CreateHitShot({kTeeX, kInf, false}, 16.0f, &v), 0);
  EXPECT_EQ(7.0f, v.vx);
}

bool AllFinite(const CurlingStateRecord& r) {
  for (const StonePosition& s : r.stones) {
    if (!std::isfinite(s.x) || !std::isfinite(s.y)) return false;
  }
  return true;
}

// Bad values end promptly with a valid record: non-finite stones are removed, the shot counts.
TEST(BadInput, NonFiniteAndHugeValuesEndPromptly) {
  const ShotVelocity shots[] = {{kNaN, -2.0f, false},    {0.0f, kInf, true},
                                {-kInf, kInf, false},    {kHuge, -kHuge, true},
                                {0.0f, -kHuge, false},   {1e20f, 1e-30f, true},
                                {0.0f, 50.0f, false},    {5.0f, 0.0f, true},
                                {-1e-40f, -2.2f, false}, Hit(kTeeX, kTeeY, false, 16.0f)};
  const StonePosition stones[] = {{kNaN, 5.0f},   {2.0f, kInf},     {kHuge, kHuge},
                                  {-kHuge, 4.0f}, {2.375f, 4.88f},  {2.375f, 4.88f},
                                  {2.4f, 4.9f},   {1e-30f, 1e-30f}, {2.375f, 33.23f},
                                  {4.7f, 5.0f},   {2.0f, 2.0f},     {2.5f, 5.0f}};
  for (const ShotVelocity& shot : shots) {
    for (float noise : {0.0f, 0.3f, kNaN, kInf, -1.0f, 1e30f}) {
      CurlingStateRecord r = MakeRecord(12, 3, false);
      for (int i = 0; i < 12; ++i) r.stones[i] = stones[i];
      ShotVelocity executed{};
      ASSERT_EQ(0, Simulation(&r, shot, noise, &executed, 4));
      EXPECT_EQ(13, r.shotNumber);
      EXPECT_TRUE(AllFinite(r));
      EXPECT_EQ(0.0f, r.stones[0].x);  // not a number: removed
      EXPECT_EQ(0.0f, r.stones[1].y);  // infinite: removed
    }
  }
  ShotVelocity v{};
  EXPECT_EQ(0, CreateHitShot({kTeeX, kTeeY, true}, kInf, &v));
  const ShotVelocity full = Hit(kTeeX, kTeeY, true, 16.0f);
  EXPECT_EQ(full.vx, v.vx);
  EXPECT_EQ(full.vy, v.vy);
}

// Curl bytes other than 0 and 1 (the padding-sized field may hold anything) mean curl 1.
TEST(BadInput, CurlByteOtherThanZeroOrOneIsCurlOne) {
  ShotTarget target{2.0f, 5.0f, false};
  const unsigned char two = 2;
  std::memcpy(reinterpret_cast<unsigned char*>(&target) + offsetof(ShotTarget, curl), &two, 1);
  ShotVelocity v{};
  ASSERT_EQ(0, CreateShot(target, &v));
  const ShotVelocity one = Draw(2.0f, 5.0f, true);
  EXPECT_EQ(one.vx, v.vx);
  EXPECT_TRUE(v.curl);
  ShotVelocity odd = one;
  std::memcpy(reinterpret_cast<unsigned char*>(&odd) + offsetof(ShotVelocity, curl), &two, 1);
  CurlingStateRecord a = MakeRecord(0, 0, false), b = MakeRecord(0, 0, false);
  ShotVelocity executed{};
  Simulation(&a, odd, 0.0f, &executed, 0);
  Simulation(&b, one, 0.0f, nullptr, 0);
  EXPECT_TRUE(SameBytes(a, b));
  unsigned char byte = 0;
  std::memcpy(&byte, reinterpret_cast<unsigned char*>(&executed) + offsetof(ShotVelocity, curl), 1);
  EXPECT_EQ(1, byte);
}

// Sixteen stones piled on one spot, and a hit into them: it ends, and nothing explodes.
TEST(BadInput, OverlappingStonesDoNotHangOrExplode) {
  CurlingStateRecord r = MakeRecord(5, 0, true);
  for (int i = 0; i < 16; ++i) r.stones[i] = {kTeeX + 0.01f * (i % 3), kTeeY + 0.01f * (i % 5)};
  ASSERT_EQ(0, Simulation(&r, Hit(kTeeX, kTeeY, true, 16.0f), 0.0f, nullptr, 0));
  EXPECT_TRUE(AllFinite(r));
  for (const StonePosition& s : r.stones) {
    if (InPlay(s)) {
      EXPECT_GT(s.x, 0.145f);
      EXPECT_LT(s.x, 4.605f);
      EXPECT_GE(s.y, 2.905f);
      EXPECT_LT(s.y, 40.0f);
    }
  }
}

TEST(Seeds, SameSeedSameRecordOtherSeedOtherRecord) {
  const CurlingStateRecord start = MakeRecord(4, 2, false, {{1, kTeeX, 5.0f}, {3, 2.0f, 7.0f}});
  const ShotVelocity shot = Draw(2.2f, 5.3f, true);
  CurlingStateRecord a = start, b = start, c = start;
  ShotVelocity ea{}, eb{}, ec{};
  Simulation(&a, shot, 0.3f, &ea, 77);
  Simulation(&b, shot, 0.3f, &eb, 77);
  Simulation(&c, shot, 0.3f, &ec, 78);
  EXPECT_TRUE(SameBytes(a, b));
  EXPECT_EQ(0, std::memcmp(&ea, &eb, 9));
  EXPECT_FALSE(SameBytes(a, c));
  EXPECT_NE(ea.vx, ec.vx);
  // Noise 0 (or negative, or not a number) plays the release as asked.
  for (float noise : {0.0f, -0.3f, kNaN}) {
    ShotVelocity e{};
    CurlingStateRecord d = start;
    Simulation(&d, shot, noise, &e, -1);
    EXPECT_EQ(shot.vx, e.vx);
    EXPECT_EQ(shot.vy, e.vy);
  }
}

TEST(Seeds, ExecutedReleaseReplaysTheShot) {
  const CurlingStateRecord start =
      MakeRecord(7, 0, true, {{0, kTeeX, 5.0f}, {2, 2.0f, 7.0f}, {4, 2.9f, 4.3f}, {1, 1.9f, 4.4f}});
  for (int seed : {-1, -1, 0, 1, 2, 3, 1000}) {
    for (const ShotVelocity& shot : {Draw(2.3f, 5.0f, false), Hit(kTeeX, 5.0f, true, 16.0f)}) {
      CurlingStateRecord played = start, replayed = start;
      ShotVelocity executed{};
      Simulation(&played, shot, 0.3f, &executed, seed);
      EXPECT_EQ(shot.curl, executed.curl);
      Simulation(&replayed, executed, 0.0f, nullptr, seed);
      EXPECT_TRUE(SameBytes(played, replayed)) << "seed " << seed;
    }
  }
}

// Draws to the tee played with noise n, seeds 0 to 799: the rest points spread with a standard
// deviation of n metres (within 20 %) both across and along the sheet, around the tee.
TEST(ExecutionError, DrawsToTheTeeSpreadByTheNoiseValue) {
  for (float noise : {0.3f, 0.1f}) {
    for (bool curl : {false, true}) {
      const ShotVelocity shot = Draw(kTeeX, kTeeY, curl);
      double sx = 0, sy = 0, sxx = 0, syy = 0;
      const int n = 800;
      for (int seed = 0; seed < n; ++seed) {
        CurlingStateRecord r = MakeRecord(6, 0, false);
        Simulation(&r, shot, noise, nullptr, seed);
        ASSERT_TRUE(InPlay(r.stones[6]));
        const double x = r.stones[6].x - kTeeX, y = r.stones[6].y - kTeeY;
        sx += x, sy += y, sxx += x * x, syy += y * y;
      }
      const double mx = sx / n, my = sy / n;
      const double across = std::sqrt(sxx / n - mx * mx), along = std::sqrt(syy / n - my * my);
      EXPECT_NEAR(noise, across, 0.2 * noise) << "noise " << noise;
      EXPECT_NEAR(noise, along, 0.2 * noise) << "noise " << noise;
      EXPECT_LT(std::abs(mx), 0.15 * noise);
      EXPECT_LT(std::abs(my), 0.15 * noise);
    }
  }
}

// One unit of work that calls all three functions, fixed seeds; returns its records.
std::vector<CurlingStateRecord> Work(int salt) {
  std::vector<CurlingStateRecord> out;
  for (int k = 0; k < 40; ++k) {
    CurlingStateRecord r = MakeRecord(k % 16, k % 10, k % 3 == 0,
                                      {{(k + 1) % 16, kTeeX, 5.0f}, {(k + 3) % 16, 2.0f, 6.0f}});
    ShotVelocity v{};
    if (k % 2 == 0) {
      CreateShot({1.5f + 0.05f * k, 4.0f + 0.02f * salt, k % 4 == 0}, &v);
    } else {
      CreateHitShot({kTeeX, 5.0f, k % 4 == 1}, float(k % 17), &v);
    }
    Simulation(&r, v, 0.3f, nullptr, salt * 100 + k);
    out.push_back(r);
  }
  return out;
}

TEST(Threads, FourThreadsGiveTheSameRecordsAsOne) {
  std::vector<std::vector<CurlingStateRecord>> serial, parallel(4);
  for (int t = 0; t < 4; ++t) serial.push_back(Work(t));
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t, &parallel] {
      parallel[t] = Work(t);
      // The per-thread generator as well: nothing to compare, but it must be race-free.
      CurlingStateRecord r = MakeRecord(0, 0, false);
      for (int i = 0; i < 20; ++i) Simulation(&r, Draw(kTeeX, kTeeY, true), 0.3f, nullptr, -1);
    });
  }
  for (std::thread& th : threads) th.join();
  for (int t = 0; t < 4; ++t) {
    ASSERT_EQ(serial[t].size(), parallel[t].size());
    for (size_t i = 0; i < serial[t].size(); ++i) {
      EXPECT_TRUE(SameBytes(serial[t][i], parallel[t][i])) << "thread " << t << " shot " << i;
    }
  }
}

}  // namespace
