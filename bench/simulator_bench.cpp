// Cost of the simulator's three calls on fixed shots, noise 0 (the physics alone) and with the
// engine's execution error (noise 0.3, per-thread or seeded generator). Run on a Release build:
//   build/release/bench/simulator_bench --benchmark_repetitions=5
//   --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <cstring>

#include "curling_simulator.h"

namespace {

CurlingStateRecord EmptyRecord(int shot) {
  CurlingStateRecord r;
  std::memset(&r, 0, sizeof r);
  r.shotNumber = shot;
  return r;
}

// Eight stones in and around the house, the position of a busy end at shot 8.
CurlingStateRecord HouseOfEight() {
  CurlingStateRecord r = EmptyRecord(8);
  const StonePosition stones[8] = {{2.375f, 4.88f}, {2.0f, 5.3f}, {2.8f, 4.6f}, {2.3f, 6.2f},
                                   {1.6f, 4.0f},    {3.2f, 5.5f}, {2.6f, 3.6f}, {1.9f, 7.4f}};
  std::memcpy(r.stones, stones, sizeof stones);
  return r;
}

// The last shot of a busy end (the search benchmark's fourth position): fourteen stones, nine of
// them in the house.
CurlingStateRecord CrowdedHouse() {
  CurlingStateRecord r = EmptyRecord(15);
  r.sideToMove = true;
  const StonePosition stones[15] = {{2.375f, 5.1f}, {2.0f, 4.5f}, {2.8f, 5.2f},  {0.0f, 0.0f},
                                    {3.1f, 4.1f},   {2.4f, 6.3f}, {2.3f, 8.0f},  {0.0f, 0.0f},
                                    {1.5f, 4.0f},   {3.3f, 5.5f}, {0.0f, 0.0f},  {2.1f, 3.5f},
                                    {2.6f, 4.7f},   {1.9f, 7.2f}, {2.45f, 4.95f}};
  std::memcpy(r.stones, stones, sizeof stones);
  return r;
}

void BM_CreateShot(benchmark::State& state) {
  ShotVelocity v{};
  float x = 1.0f;
  for (auto _ : state) {
    x = x > 3.7f ? 1.0f : x + 0.01f;
    CreateShot({x, 4.88f, x > 2.0f}, &v);
    benchmark::DoNotOptimize(v);
  }
}
BENCHMARK(BM_CreateShot);

void BM_CreateHitShot(benchmark::State& state) {
  ShotVelocity v{};
  float x = 1.0f;
  for (auto _ : state) {
    x = x > 3.7f ? 1.0f : x + 0.01f;
    CreateHitShot({x, 4.88f, x > 2.0f}, 16.0f, &v);
    benchmark::DoNotOptimize(v);
  }
}
BENCHMARK(BM_CreateHitShot);

void BM_DrawEmptySheet(benchmark::State& state) {
  ShotVelocity v{};
  CreateShot({2.375f, 4.88f, true}, &v);
  const CurlingStateRecord start = EmptyRecord(0);
  const float noise = static_cast<float>(state.range(0)) / 10.0f;
  for (auto _ : state) {
    CurlingStateRecord r = start;
    Simulation(&r, v, noise, nullptr, -1);
    benchmark::DoNotOptimize(r);
  }
}
BENCHMARK(BM_DrawEmptySheet)->Arg(0)->Arg(3)->ArgName("noise_x10");

void BM_HitIntoHouseOfEight(benchmark::State& state) {
  ShotVelocity v{};
  CreateHitShot({2.375f, 4.88f, false}, 16.0f, &v);
  const CurlingStateRecord start = HouseOfEight();
  const float noise = static_cast<float>(state.range(0)) / 10.0f;
  for (auto _ : state) {
    CurlingStateRecord r = start;
    Simulation(&r, v, noise, nullptr, -1);
    benchmark::DoNotOptimize(r);
  }
}
BENCHMARK(BM_HitIntoHouseOfEight)->Arg(0)->Arg(3)->ArgName("noise_x10");

// The two shots above with noise 0.3 and a seed per call (a generator seeded for each call, as the
// match runner, the engine's --seed searches and seeded Python batches play): the cost of seeding.
void BM_SeededShot(benchmark::State& state) {
  const bool hit = state.range(0) != 0;
  ShotVelocity v{};
  const CurlingStateRecord start = hit ? HouseOfEight() : EmptyRecord(0);
  if (hit) {
    CreateHitShot({2.375f, 4.88f, false}, 16.0f, &v);
  } else {
    CreateShot({2.375f, 4.88f, true}, &v);
  }
  int seed = 0;
  for (auto _ : state) {
    CurlingStateRecord r = start;
    Simulation(&r, v, 0.3f, nullptr, seed++);
    benchmark::DoNotOptimize(r);
  }
}
BENCHMARK(BM_SeededShot)->Arg(0)->Arg(1)->ArgName("hit");

// Hits at full power on each stone of the crowded house in turn, both curls, noise 0.
void BM_HitIntoCrowdedHouse(benchmark::State& state) {
  const CurlingStateRecord start = CrowdedHouse();
  ShotVelocity shots[2 * 15];
  int count = 0;
  for (const StonePosition& s : start.stones) {
    if (s.x <= 0.0f && s.y <= 0.0f) continue;
    CreateHitShot({s.x, s.y, false}, 16.0f, &shots[count++]);
    CreateHitShot({s.x, s.y, true}, 16.0f, &shots[count++]);
  }
  int next = 0;
  for (auto _ : state) {
    CurlingStateRecord r = start;
    Simulation(&r, shots[next], 0.0f, nullptr, -1);
    next = next + 1 == count ? 0 : next + 1;
    benchmark::DoNotOptimize(r);
  }
}
BENCHMARK(BM_HitIntoCrowdedHouse);

// Stones of the record stacked at one point on the tee (a server may send that), hit at full
// power, noise 0.
void BM_HitIntoStack(benchmark::State& state) {
  ShotVelocity v{};
  CreateHitShot({2.375f, 4.88f, false}, 16.0f, &v);
  CurlingStateRecord start = EmptyRecord(8);
  for (int i = 0; i < state.range(0); ++i) start.stones[i] = {2.375f, 4.88f};
  for (auto _ : state) {
    CurlingStateRecord r = start;
    Simulation(&r, v, 0.0f, nullptr, -1);
    benchmark::DoNotOptimize(r);
  }
}
BENCHMARK(BM_HitIntoStack)->Arg(2)->Arg(4)->ArgName("stones");

// A draw into the same house: slower stones, more contacts at low speed.
void BM_DrawIntoHouseOfEight(benchmark::State& state) {
  ShotVelocity v{};
  CreateShot({2.375f, 4.88f, true}, &v);
  const CurlingStateRecord start = HouseOfEight();
  for (auto _ : state) {
    CurlingStateRecord r = start;
    Simulation(&r, v, 0.3f, nullptr, -1);
    benchmark::DoNotOptimize(r);
  }
}
BENCHMARK(BM_DrawIntoHouseOfEight);

}  // namespace

BENCHMARK_MAIN();
