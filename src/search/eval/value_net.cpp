#include "search/eval/value_net.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <utility>

#include "value_net_weights.h"  // generated from value_net_weights.txt: kDefaultValueNetText

namespace Curling {

namespace {

// The widest input a layer may have: the first rho layer's, two pooled phi outputs and the globals.
constexpr std::size_t kMaxLayerInputs = 2 * kValueNetMaxWidth + kValueGlobalInputs;

// Why a file is refused; thrown inside the parser only, caught by ParseValueNet.
struct Refusal {
  std::size_t line;
  std::string reason;
};

// The text cut into lines without their "\n", numbered from 1.
class Lines {
 public:
  explicit Lines(std::string_view text) : text_(text) {}

  // The next line; a Refusal naming `what` was expected when the text has ended.
  std::string_view Next(const std::string& what) {
    if (at_ >= text_.size()) throw Refusal{number_ + 1, "the file ends where " + what + " belongs"};
    const std::size_t newline = text_.find('\n', at_);
    const std::size_t stop = newline == std::string_view::npos ? text_.size() : newline;
    const std::string_view line = text_.substr(at_, stop - at_);
    at_ = stop + 1;
    ++number_;
    return line;
  }

  bool AtEnd() const { return at_ >= text_.size(); }
  std::size_t Number() const { return number_; }

 private:
  std::string_view text_;
  std::size_t at_ = 0;
  std::size_t number_ = 0;
};

// The fields of a line, separated by single spaces (an empty field is kept, and refused later).
std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  for (std::size_t at = 0;;) {
    const std::size_t space = line.find(' ', at);
    fields.push_back(line.substr(at, space == std::string_view::npos ? space : space - at));
    if (space == std::string_view::npos) return fields;
    at = space + 1;
  }
}

class Parser {
 public:
  explicit Parser(std::string_view text) : lines_(text) {}

  ValueNet Parse() {
    if (lines_.Next("the first line") != "curling-value-net 1") {
      Refuse("not \"curling-value-net 1\"");
    }
    Count("stone-inputs", kValueStoneInputs);
    Count("global-inputs", kValueGlobalInputs);
    Count("outputs", kValueOutputs);
    std::vector<ValueLayer> phi;
    std::vector<ValueLayer> rho;
    std::size_t inputs = kValueStoneInputs;  // what the next layer takes
    for (;;) {
      const std::string_view line = lines_.Next("\"end\"");
      if (line == "end") break;
      const std::vector<std::string_view> f = Fields(line);
      if (f.size() != 4 || f[0] != "layer" || (f[1] != "phi" && f[1] != "rho")) {
        Refuse("not \"layer phi|rho OUT IN\" nor \"end\"");
      }
      const bool isPhi = f[1] == "phi";
      if (isPhi && !rho.empty()) Refuse("a phi layer after a rho layer");
      if (phi.size() + rho.size() == kValueNetMaxLayers) {
        Refuse("more than " + std::to_string(kValueNetMaxLayers) + " layers");
      }
      if (!isPhi && rho.empty()) {
        if (phi.empty()) Refuse("a rho layer before any phi layer");
        inputs = 2 * phi.back().out + kValueGlobalInputs;
      }
      const std::size_t out = Size(f[2], 1, kValueNetMaxWidth);
      const std::size_t in = Size(f[3], 1, kMaxLayerInputs);
      if (in != inputs) {
        Refuse("the layer takes " + std::to_string(in) + " inputs where " + std::to_string(inputs) +
               " come to it");
      }
      (isPhi ? phi : rho).push_back(Layer(std::string(line), out, in));
      inputs = out;
    }
    if (rho.empty()) Refuse("\"end\" before any rho layer");
    if (rho.back().out != kValueOutputs) {
      Refuse("the last layer gives " + std::to_string(rho.back().out) + " outputs, not " +
             std::to_string(kValueOutputs));
    }
    if (!lines_.AtEnd()) {
      lines_.Next("");
      Refuse("text after \"end\"");
    }
    return ValueNet(std::move(phi), std::move(rho));
  }

 private:
  [[noreturn]] void Refuse(std::string reason) const {
    throw Refusal{lines_.Number(), std::move(reason)};
  }

  // A line "<key> <count>" whose count must be `expected`.
  void Count(const std::string& key, std::size_t expected) {
    const std::vector<std::string_view> f = Fields(lines_.Next("\"" + key + "\""));
    if (f.size() != 2 || f[0] != key) Refuse("not \"" + key + " N\"");
    if (Size(f[1], 0, kMaxLayerInputs) != expected) {
      Refuse(key + " must be " + std::to_string(expected));
    }
  }

  std::size_t Size(std::string_view field, std::size_t low, std::size_t high) const {
    std::size_t value = 0;
    const char* end = field.data() + field.size();
    const auto [ptr, ec] = std::from_chars(field.data(), end, value);
    if (field.empty() || ec != std::errc{} || ptr != end || value < low || value > high) {
      Refuse("not a size from " + std::to_string(low) + " to " + std::to_string(high) + ": \"" +
             std::string(field) + "\"");
    }
    return value;
  }

  // `count` numbers on the next line, written to to[0], to[stride], ...
  void Numbers(const std::string& what, std::size_t count, float* to, std::size_t stride) {
    const std::vector<std::string_view> f = Fields(lines_.Next(what));
    if (f.size() != count) {
      Refuse(what + ": " + std::to_string(f.size()) + " numbers, not " + std::to_string(count));
    }
    for (std::size_t i = 0; i < count; ++i) {
      const std::string number(f[i]);
      char* end = nullptr;
      const float value = std::strtof(number.c_str(), &end);
      if (number.empty() || std::isspace(static_cast<unsigned char>(number[0])) ||
          end != number.c_str() + number.size()) {
        Refuse(what + ": not a number: \"" + number + "\"");
      }
      if (!std::isfinite(value)) Refuse(what + ": not finite: \"" + number + "\"");
      to[i * stride] = value;
    }
  }

  // The rows of W (stored transposed) and b of the layer `header` announced.
  ValueLayer Layer(const std::string& header, std::size_t out, std::size_t in) {
    ValueLayer layer{in, out, std::vector<float>(in * out), std::vector<float>(out)};
    for (std::size_t row = 0; row < out; ++row) {
      Numbers("row " + std::to_string(row + 1) + " of \"" + header + "\"", in,
              layer.weights.data() + row, out);
    }
    Numbers("the bias of \"" + header + "\"", out, layer.bias.data(), 1);
    return layer;
  }

  Lines lines_;
};

// y = W x + b, then a ReLU when `relu`. Adds x[i] times the contiguous row i of the transposed W,
// skipping the zeros a ReLU leaves.
void Apply(const ValueLayer& layer, const float* x, float* y, bool relu) {
  const std::size_t out = layer.out;
  std::copy_n(layer.bias.data(), out, y);
  const float* w = layer.weights.data();
  for (std::size_t i = 0; i < layer.in; ++i, w += out) {
    const float xi = x[i];
    if (xi == 0.0f) continue;
    for (std::size_t o = 0; o < out; ++o) y[o] += xi * w[o];
  }
  if (relu) {
    for (std::size_t o = 0; o < out; ++o) y[o] = std::max(y[o], 0.0f);
  }
}

}  // namespace

ValueNet::ValueNet(std::vector<ValueLayer> phi, std::vector<ValueLayer> rho)
    : phi_(std::move(phi)), rho_(std::move(rho)) {}

ScoreDistribution ValueNet::Distribution(const CurlingGameState& state) const {
  const ValueInputs inputs = ValueInputsOf(state);
  const std::size_t width = phi_.back().out;
  // The rho chain's input: [hammer sum, other sum, globals].
  std::array<float, kMaxLayerInputs> pooled;
  std::fill_n(pooled.begin(), 2 * width, 0.0f);
  std::copy(inputs.globals.begin(), inputs.globals.end(), pooled.begin() + 2 * width);
  std::array<float, kValueNetMaxWidth> a;
  std::array<float, kValueNetMaxWidth> b;
  for (std::size_t slot = 0; slot < kStones; ++slot) {
    const int group = inputs.groups[slot];
    if (group < 0) continue;
    const float* x = inputs.stones[slot].data();
    float* y = a.data();
    for (const ValueLayer& layer : phi_) {
      Apply(layer, x, y, true);
      x = y;
      y = y == a.data() ? b.data() : a.data();
    }
    float* sum = pooled.data() + static_cast<std::size_t>(group) * width;
    for (std::size_t o = 0; o < width; ++o) sum[o] += x[o];
  }
  const float* x = pooled.data();
  float* y = a.data();
  for (std::size_t l = 0; l < rho_.size(); ++l) {
    Apply(rho_[l], x, y, l + 1 < rho_.size());
    x = y;
    y = y == a.data() ? b.data() : a.data();
  }
  ScoreDistribution p{};
  const float top = *std::max_element(x, x + kValueOutputs);
  double total = 0.0;
  for (std::size_t k = 0; k < kValueOutputs; ++k) {
    p[k] = std::exp(static_cast<double>(x[k] - top));
    total += p[k];
  }
  for (double& pk : p) pk /= total;
  return p;
}

double ValueNet::ExpectedHammerScore(const CurlingGameState& state) const {
  return ExpectedScore(Distribution(state));
}

double ExpectedScore(const ScoreDistribution& distribution) {
  double expected = 0.0;
  for (std::size_t k = 0; k < kValueOutputs; ++k) {
    expected += distribution[k] * (static_cast<int>(k) - kValueMaxScore);
  }
  return expected;
}

ValueNetLoad ParseValueNet(std::string_view text) {
  try {
    return ValueNetLoad{Parser(text).Parse(), {}};
  } catch (const Refusal& refusal) {
    return ValueNetLoad{std::nullopt,
                        "line " + std::to_string(refusal.line) + ": " + refusal.reason};
  }
}

ValueNetLoad LoadValueNetFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  if (!file.is_open() || file.bad()) return ValueNetLoad{std::nullopt, path + ": cannot be read"};
  ValueNetLoad load = ParseValueNet(text);
  if (!load.net) load.error = path + ": " + load.error;
  return load;
}

const ValueNetLoad& DefaultValueNet() {
  static const ValueNetLoad load = ParseValueNet(kDefaultValueNetText);
  return load;
}

}  // namespace Curling
