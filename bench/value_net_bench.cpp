// The learned value on one core: one evaluation of the compiled-in network (the default sizes) on
// mid-end positions of ten stones, split into its inputs (ValueInputsOf) and the whole evaluation,
// beside the fitted mid-end value it stands in for; and the samples a second of "Strong" (one
// worker) on that position with either evaluation.
//
// Usage: value_net_bench [Google Benchmark flags]
#include <benchmark/benchmark.h>

#include <cstdint>
#include <ostream>
#include <vector>

#include "curling/game_state.h"
#include "null_buffer.h"
#include "search/core/search_config.h"
#include "search/eval/end_value.h"
#include "search/eval/evaluator.h"
#include "search/eval/value_inputs.h"
#include "search/eval/value_net.h"
#include "search/strong/strong_search.h"

namespace {

using Curling::CurlingGameState;

// Shot 10 of the fifth end, ten stones in play (guards, the house and behind it), the hammer's side
// one down in the running score; variant v > 0 moves every stone by up to 0.3 m, so that a loop
// over the variants does not let the branch predictor learn one position.
CurlingGameState MidEnd(unsigned variant = 0) {
  CurlingGameState state;
  state.shotNumber = 10;
  state.endNumber = 4;
  state.endScores[0] = 1;
  state.endScores[1] = -2;
  state.endScores[3] = 1;
  state.endScores[4] = -1;
  const StonePosition stones[] = {{2.2f, 7.9f}, {2.5f, 4.6f}, {2.0f, 4.3f}, {1.8f, 5.3f},
                                  {2.9f, 8.4f}, {2.6f, 5.0f}, {2.4f, 3.9f}, {2.3f, 6.8f},
                                  {3.0f, 4.9f}, {1.6f, 4.4f}};
  std::uint32_t seed = variant * 2654435761u;
  const auto jitter = [&] {
    seed = seed * 1664525u + 1013904223u;
    return variant == 0 ? 0.0f : (static_cast<float>(seed >> 8) / 16777216.0f - 0.5f) * 0.6f;
  };
  int slot = 0;
  for (const StonePosition& stone : stones) {
    state.stones[slot++] = StonePosition{stone.x + jitter(), stone.y + jitter()};
  }
  return state;
}

// 64 variants of the mid-end position, evaluated in turn.
std::vector<CurlingGameState> Variants() {
  std::vector<CurlingGameState> states;
  for (unsigned v = 0; v < 64; ++v) states.push_back(MidEnd(v));
  return states;
}

const Curling::ValueNet& Net() {
  return *Curling::DefaultValueNet().net;
}

void BM_ValueInputs(benchmark::State& bench) {
  const std::vector<CurlingGameState> states = Variants();
  std::size_t at = 0;
  for (auto _ : bench) benchmark::DoNotOptimize(Curling::ValueInputsOf(states[at++ % 64]));
}
BENCHMARK(BM_ValueInputs);

void BM_ValueNetDistribution(benchmark::State& bench) {
  const std::vector<CurlingGameState> states = Variants();
  const Curling::ValueNet& net = Net();
  std::size_t at = 0;
  for (auto _ : bench) benchmark::DoNotOptimize(net.Distribution(states[at++ % 64]));
}
BENCHMARK(BM_ValueNetDistribution);

void BM_FittedEndScore(benchmark::State& bench) {
  const std::vector<CurlingGameState> states = Variants();
  std::size_t at = 0;
  for (auto _ : bench) benchmark::DoNotOptimize(Curling::ExpectedEndScore(states[at++ % 64], 0));
}
BENCHMARK(BM_FittedEndScore);

// "Strong" with one worker and 400 samples a search; the counter is samples a second of the
// process's CPU time (the worker runs on a thread of its own), which other load on the machine
// changes less than the wall clock.
void StrongSamples(benchmark::State& bench, const Curling::Evaluator* evaluator) {
  const CurlingGameState state = MidEnd();
  NullBuffer buffer;
  std::ostream log(&buffer);
  const Curling::SearchConfig config{log,
                                     {.workers = 1, .playoutLimit = 400, .evaluator = evaluator}};
  double samples = 0.0;
  for (auto _ : bench) samples += Curling::StrongSearch(state, config).playoutCount;
  bench.counters["samples/s"] = benchmark::Counter(samples, benchmark::Counter::kIsRate);
}

void BM_StrongSamples_Fitted(benchmark::State& bench) {
  StrongSamples(bench, &Curling::FittedEndEvaluator());
}
BENCHMARK(BM_StrongSamples_Fitted)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_StrongSamples_Learned(benchmark::State& bench) {
  const Curling::LearnedEndEvaluator learned(Net());
  StrongSamples(bench, &learned);
}
BENCHMARK(BM_StrongSamples_Learned)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

}  // namespace

BENCHMARK_MAIN();
