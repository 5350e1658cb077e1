#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "curling/game_state.h"
#include "search/eval/value_inputs.h"

namespace Curling {

// The learned value of a position whose end goes on: a small network over ValueInputsOf, seen
// from the side with the hammer, trained in Python (on curling_sim.value_inputs) and read by the
// engine from a text file of weights.
//
// The network. phi, a chain of linear layers (y = W x + b) each followed by a ReLU, maps every
// stone in play to a vector; the vectors of the hammer's stones (group 0) are summed, and those of
// the other side's (group 1) separately (a side without stones gives zeros). rho, another chain of
// linear layers with a ReLU after every one but the last, maps [hammer sum, other sum, globals] to
// kValueOutputs logits; their softmax p_k is the probability that the hammer's score of the end is
// k - kValueMaxScore. Computed in float like the trainer. Default sizes: phi 3 -> 32 -> 16,
// rho 60 -> 64 -> 17.
//
// The weights file, "curling-value-net 1" (text; every line ends with "\n", numbers are separated
// by single spaces and written in any form strtof reads fully; no blank lines, no comments):
//
//   curling-value-net 1
//   stone-inputs 3          (kValueStoneInputs)
//   global-inputs 28        (kValueGlobalInputs)
//   outputs 17              (kValueOutputs)
//   layer phi OUT IN        (then OUT lines of IN numbers, row r of W each, and one line of OUT
//   ...                      numbers, b)
//   layer rho OUT IN
//   ...
//   end
//
// One or more phi layers, then one or more rho layers, in order of application. Each layer's IN is
// the previous one's OUT; the first phi layer's is stone-inputs, the first rho layer's twice the
// last phi layer's OUT plus global-inputs; the last rho layer's OUT is outputs. A layer is at most
// kValueNetMaxWidth wide and there are at most kValueNetMaxLayers of them. Anything else (a wrong
// first line or count, a broken chain, a missing, extra or non-finite number, a missing "end",
// anything after it) refuses the whole file with the number of the line at fault.

inline constexpr std::size_t kValueOutputs = 17;
inline constexpr int kValueMaxScore = 8;
inline constexpr std::size_t kValueNetMaxWidth = 1024;
inline constexpr std::size_t kValueNetMaxLayers = 16;

// The probabilities of the hammer's score of the end: index k is a score of k - kValueMaxScore.
using ScoreDistribution = std::array<double, kValueOutputs>;

// One linear layer, y = W x + b, with W stored transposed (weights[i * out + o] is W[o][i]) so
// that the forward pass adds x[i] times a contiguous row to y, a loop the compiler vectorises.
struct ValueLayer {
  std::size_t in = 0;
  std::size_t out = 0;
  std::vector<float> weights;
  std::vector<float> bias;
};

// A loaded network: a plain value, shared read-only by every worker of a search. Evaluating
// allocates nothing: its buffers are on the stack, sized by the bounds the loader checks.
class ValueNet {
 public:
  ValueNet(std::vector<ValueLayer> phi, std::vector<ValueLayer> rho);

  // The distribution of the hammer's score of the end `state` is in (shots still to play).
  ScoreDistribution Distribution(const CurlingGameState& state) const;

  // The expected score of the end for the side with the hammer: the sum of p_k (k - 8).
  double ExpectedHammerScore(const CurlingGameState& state) const;

  const std::vector<ValueLayer>& Phi() const { return phi_; }
  const std::vector<ValueLayer>& Rho() const { return rho_; }

 private:
  std::vector<ValueLayer> phi_;
  std::vector<ValueLayer> rho_;
};

// The expected score of `distribution`: the sum of p_k (k - kValueMaxScore).
double ExpectedScore(const ScoreDistribution& distribution);

// A network read from a weights file, or why it was refused ("line N: ..."; a file's reason starts
// with its path).
struct ValueNetLoad {
  std::optional<ValueNet> net;
  std::string error;
};

// Reads the text of a weights file.
ValueNetLoad ParseValueNet(std::string_view text);

// Reads the weights file at `path`; an error reads "<path>: <reason>".
ValueNetLoad LoadValueNetFile(const std::string& path);

// The network compiled into the engine (src/search/eval/value_net_weights.txt), read by
// ParseValueNet on first use.
const ValueNetLoad& DefaultValueNet();

}  // namespace Curling
