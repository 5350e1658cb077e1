#include "command_model.h"

#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <sstream>

namespace Fuzz {
namespace {

// Tokens: the pieces between single spaces, then a token holding one line feed.
std::vector<std::string> Tokens(std::string_view text) {
  std::vector<std::string> tokens;
  if (!text.empty()) {
    std::string current;
    for (char c : text) {
      if (c == ' ') {
        tokens.push_back(current);
        current.clear();
      } else {
        current += c;
      }
    }
    tokens.push_back(current);
  }
  tokens.emplace_back("\n");
  return tokens;
}

bool IsCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// A decimal integer: white space, an optional sign, at least one digit; anything after the digits
// is ignored. Empty when there is no digit or the value does not fit an int32.
std::optional<std::int32_t> Integer(const std::string& token) {
  std::size_t i = 0;
  // The conversion reads a C string: it stops at a zero byte.
  const std::string text = token.substr(0, token.find('\0'));
  while (i < text.size() && IsCSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i >= text.size() || text[i] < '0' || text[i] > '9') return std::nullopt;
  long long magnitude = 0;
  bool tooLarge = false;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > 2147483648LL) {
      tooLarge = true;
      magnitude = 2147483648LL;  // saturate: only the verdict matters now
    }
  }
  if (tooLarge || (!negative && magnitude > 2147483647LL)) return std::nullopt;
  return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

// A coordinate: the C library's double conversion (which defines what number text is), refused on
// no number or on a range error, then rounded to float; beyond the float range the value rounds
// to the largest float or, from halfway to the next power of two on, to infinity.
std::optional<float> Coordinate(const std::string& token) {
  const std::string text = token.substr(0, token.find('\0'));
  char* end = nullptr;
  errno = 0;
  const double value = std::strtod(text.c_str(), &end);
  if (end == text.c_str() || errno == ERANGE) return std::nullopt;
  if (std::isnan(value) || std::fabs(value) <= FLT_MAX) return static_cast<float>(value);
  const double halfway = static_cast<double>(FLT_MAX) + std::ldexp(1.0, 103);
  if (std::fabs(value) >= halfway) return value > 0 ? INFINITY : -INFINITY;
  return value > 0 ? FLT_MAX : -FLT_MAX;
}

}  // namespace

std::string ModelStateText(const ModelState& state) {
  std::ostringstream text;
  text << "current_shot_number : " << state.shotNumber << " ;  \n";
  text << "current_end_number : " << state.endNumber << "\n";
  text << "Score : ";
  for (std::int32_t score : state.endScores) text << score << ", ";
  text << "\nPosition : \n";
  for (int i = 0; i < 16; ++i) {
    const float x = state.stones[2 * i];
    const float y = state.stones[2 * i + 1];
    if (x <= 0.0f && y <= 0.0f) continue;  // out of play
    text << x << ", " << y << "\n";
  }
  return text.str();
}

ModelOutcome ApplyCommand(std::string_view text, ModelState& state) {
  ModelOutcome outcome;
  outcome.tokens = Tokens(text);
  const std::vector<std::string>& t = outcome.tokens;
  const std::string& word = t.front();
  if (word == "ISREADY") {
    state = ModelState{};
    outcome.replies.emplace_back("READYOK");
  } else if (word == "GAMEOVER") {
    state = ModelState{};
  } else if (word == "GO") {
    outcome.callsGo = true;
  } else if (word == "Run" || word == "run") {
    outcome.callsRun = true;
  } else if (word == "ShowAll") {
    outcome.log = ModelStateText(state);
  } else if (word == "TOTALSCORE") {
    if (t.size() != 4) outcome.log = "error argment size\n";
  } else if (word == "POSITION") {
    if (t.size() != 34) {
      outcome.log = "error argument size\n";
      return outcome;
    }
    std::array<float, 32> stones{};
    for (int i = 0; i < 32; ++i) {
      const std::optional<float> v = Coordinate(t[1 + i]);
      if (!v) {
        outcome.log = "error argument value\n";
        return outcome;
      }
      stones[i] = *v;
    }
    state.stones = stones;
  } else if (word == "SETSTATE") {
    if (t.size() != 6) {
      outcome.log = "error argment size\n";
      return outcome;
    }
    std::array<std::int32_t, 4> v{};
    for (int i = 0; i < 4; ++i) {
      const std::optional<std::int32_t> n = Integer(t[1 + i]);
      if (!n) {
        outcome.log = "error argument value\n";
        return outcome;
      }
      v[i] = *n;
    }
    state.shotNumber = v[0];
    state.endNumber = v[1];
    state.serverValue = v[2];
    state.sideToMove = v[3] != 0;
  } else if (word == "SCORE") {
    if (t.size() != 3) {
      outcome.log = "error argment size\n";
      return outcome;
    }
    const std::optional<std::int32_t> score = Integer(t[1]);
    if (!score) {
      outcome.log = "error argument value\n";
    } else if (state.endNumber < 0 || state.endNumber > 9) {
      outcome.log = "error end number\n";
    } else {
      state.endScores[state.endNumber] = *score;
    }
  } else {
    outcome.log = "illegal command ";
    for (const std::string& token : t) outcome.log += token + " ";
    outcome.log += "\n";
  }
  return outcome;
}

}  // namespace Fuzz
