#include "search/eval/value_net.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "curling/sheet.h"
#include "search/eval/evaluator.h"

namespace Curling {
namespace {

// A tiny network, as the lines of its weights file. phi (3 -> 2) passes the stone's offset across
// and its offset along plus 0.5 (ReLU cuts a negative one); rho (2 + 2 + 28 -> 17) gives logit 0
// the hammer's sum across, logit 1 the other side's, logit 2 the hammer's sum along, logit 3 twice
// the one-hot of shot 5 (globals start at input 4), logit 4 the other side's sum along, logit 5
// a bias of -1 (no ReLU after the last layer), and `biasAt` a bias of 50 (when given).
std::vector<std::string> TinyNet(int biasAt = -1) {
  std::vector<std::string> lines = {"curling-value-net 1",
                                    "stone-inputs 3",
                                    "global-inputs 28",
                                    "outputs 17",
                                    "layer phi 2 3",
                                    "1 0 0",
                                    "0 1 0",
                                    "0 0.5",
                                    "layer rho 17 32"};
  const std::pair<int, int> ones[] = {{0, 0}, {1, 2}, {2, 1}, {3, 4 + 5}, {4, 3}};
  for (int row = 0; row < 17; ++row) {
    std::string line;
    for (int col = 0; col < 32; ++col) {
      const char* w = "0";
      for (const auto& [r, c] : ones) {
        if (r == row && c == col) w = row == 3 ? "2" : "1";
      }
      line += col ? " " : "";
      line += w;
    }
    lines.push_back(line);
  }
  std::string bias;
  for (int k = 0; k < 17; ++k)
    bias += std::string(k ? " " : "") + (k == biasAt ? "50" : k == 5 ? "-1" : "0");
  lines.push_back(bias);
  lines.push_back("end");
  return lines;
}

std::string Text(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

ValueNet Tiny(int biasAt = -1) {
  ValueNetLoad load = ParseValueNet(Text(TinyNet(biasAt)));
  EXPECT_TRUE(load.net) << load.error;
  return std::move(*load.net);
}

StonePosition Offset(double across, double along) {
  return {static_cast<float>(kTeeX + across * kHouseRadius),
          static_cast<float>(kTeeY + along * kHouseRadius)};
}

TEST(ValueNet, RefusesADamagedFileNamingTheLine) {
  struct Case {
    const char* what;
    int line;          // the line changed, 1-based (0: none, -1: the last line dropped)
    const char* text;  // its new text
    const char* appended;
    const char* error;  // the start of the refusal; "" for a file that loads
  };
  const Case cases[] = {
      {"intact", 0, "", "", ""},
      {"wrong magic", 1, "curling-value-net 2", "", "line 1:"},
      {"wrong global count", 3, "global-inputs 27", "", "line 3:"},
      {"missing number", 7, "0 1", "", "line 7:"},
      {"extra number", 8, "0 0 0", "", "line 8:"},
      {"infinite", 6, "inf 0 0", "", "line 6:"},
      {"not a number", 6, "nan 0 0", "", "line 6:"},
      {"overflows float", 6, "1e39 0 0", "", "line 6:"},
      {"trailing junk", 6, "1.0x 0 0", "", "line 6:"},
      {"two spaces", 6, "1  0 0", "", "line 6:"},
      {"broken chain", 9, "layer rho 17 31", "", "line 9:"},
      {"too wide", 5, "layer phi 1025 3", "", "line 5:"},
      {"rho first", 5, "layer rho 2 3", "", "line 5:"},
      {"no end", -1, "", "", "line 28:"},  // the text ends after line 27
      {"text after end", 0, "", "x\n", "line 29:"},
      {"blank line after end", 0, "", "\n", "line 29:"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> lines = TinyNet();
    if (c.line < 0) lines.pop_back();
    if (c.line > 0) lines[static_cast<std::size_t>(c.line - 1)] = c.text;
    const ValueNetLoad load = ParseValueNet(Text(lines) + c.appended);
    EXPECT_EQ(load.net.has_value(), *c.error == '\0') << c.what << ": " << load.error;
    EXPECT_EQ(load.error.rfind(c.error, 0), 0u) << c.what << ": " << load.error;
  }
  // Cut anywhere before its last line, a file is refused.
  const std::string whole = Text(TinyNet());
  for (std::size_t cut = 0; cut + 4 < whole.size(); cut += 7) {
    EXPECT_FALSE(ParseValueNet(whole.substr(0, cut)).net) << cut;
  }
  const ValueNetLoad missing = LoadValueNetFile("/nonexistent/weights.txt");
  EXPECT_FALSE(missing.net);
  EXPECT_EQ(missing.error.rfind("/nonexistent/weights.txt: ", 0), 0u) << missing.error;
}

TEST(ValueNet, SumsEachSideOverItsStonesInPlay) {
  CurlingGameState state;
  state.shotNumber = 5;
  state.stones[1] = Offset(0.5, 0.25);    // the hammer's
  state.stones[3] = Offset(-0.3, 0.5);    // the hammer's: across cut by the ReLU
  state.stones[0] = Offset(0.2, -0.1);    // the other side's
  state.stones[2] = Offset(0.4, 1.0);     // the other side's
  state.stones[5] = StonePosition{0, 0};  // out of play
  // Across: 0.5 + 0 for the hammer, 0.2 + 0.4 for the other side; along: 0.75 + 1.0 and 0.4 + 1.5.
  const double logits[17] = {0.5, 0.6, 1.75, 2.0, 1.9, -1.0};
  double total = 0.0;
  for (const double l : logits) total += std::exp(l);
  const ScoreDistribution p = Tiny().Distribution(state);
  double expected = 0.0;
  for (int k = 0; k < 17; ++k) {
    EXPECT_NEAR(p[static_cast<std::size_t>(k)], std::exp(logits[k]) / total, 1e-6) << k;
    expected += std::exp(logits[k]) / total * (k - 8);
  }
  EXPECT_NEAR(Tiny().ExpectedHammerScore(state), expected, 1e-6);
}

TEST(ValueNet, SwappingTheSlotsOfOneSidesStonesChangesNothing) {
  ASSERT_TRUE(DefaultValueNet().net) << DefaultValueNet().error;  // the compiled-in network
  const ValueNet& net = *DefaultValueNet().net;
  CurlingGameState state;
  state.shotNumber = 9;
  state.endNumber = 3;
  const StonePosition stones[] = {Offset(0.1, 0.2),  Offset(-0.4, 0.6), Offset(0.0, 1.5),
                                  Offset(0.3, -0.2), Offset(0.9, 0.1),  Offset(-0.2, -0.5),
                                  Offset(0.05, 2.5)};
  for (std::size_t slot = 0; slot < std::size(stones); ++slot) state.stones[slot] = stones[slot];
  CurlingGameState swapped = state;
  std::swap(swapped.stones[1], swapped.stones[5]);
  const ScoreDistribution a = net.Distribution(state);
  const ScoreDistribution b = net.Distribution(swapped);
  for (std::size_t k = 0; k < kValueOutputs; ++k) EXPECT_NEAR(a[k], b[k], 1e-7) << k;
  // Between the sides, a stone is not the same input.
  std::swap(swapped.stones[1], swapped.stones[2]);
  EXPECT_NE(net.ExpectedHammerScore(state), net.ExpectedHammerScore(swapped));
}

// A network sure of the hammer's score values a position as the end closed with that score; a
// closed end is valued as its outcome.
TEST(LearnedEndEvaluator, AgreesWithTheOutcomeOfTheScoreItIsSureOf) {
  for (const int hammerScore : {3, -2, 0}) {
    const LearnedEndEvaluator learned(Tiny(hammerScore + 8));
    CurlingGameState before;
    before.endNumber = 8;
    before.endScores[0] = 2;
    before.shotNumber = 6;
    CurlingGameState after = before;
    after.shotNumber = 7;
    CurlingGameState closed = before;
    closed.shotNumber = 0;
    closed.endNumber = 9;
    closed.endScores[8] = HammerSide(after) == 0 ? hammerScore : -hammerScore;
    for (const int side : {0, 1}) {
      for (const Objective objective : {Objective::kPoints, Objective::kGame}) {
        const double outcome = EndOutcomeEvaluator().Value(before, closed, side, objective);
        EXPECT_NEAR(learned.Value(before, after, side, objective), outcome, 1e-9)
            << hammerScore << " " << side;
        EXPECT_EQ(learned.Value(before, closed, side, objective), outcome);
      }
    }
  }
}

}  // namespace
}  // namespace Curling
