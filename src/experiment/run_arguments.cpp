#include "experiment/run_arguments.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "curling/game_state.h"

namespace Curling {

namespace {

// Token counts, the word and the final line-feed token included (the word alone is 2).
constexpr std::size_t kWithGames = 3;
constexpr std::size_t kWithEnds = 4;

}  // namespace

std::optional<int> ParseCount(const std::string& token) {
  const char* begin = token.c_str();
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(begin, &end, 10);
  if (end == begin) return std::nullopt;
  if (errno == ERANGE || value < INT_MIN || value > INT_MAX) return std::nullopt;
  return static_cast<int>(value);
}

RunArguments ParseRunArguments(const std::vector<std::string>& tokens) {
  RunArguments arguments;
  if (tokens.size() > kWithEnds) {
    arguments.status = RunArguments::Status::kIgnored;
    return arguments;
  }
  if (tokens.size() >= kWithGames) {
    const std::optional<int> games = ParseCount(tokens[1]);
    const std::optional<int> ends =
        tokens.size() == kWithEnds ? ParseCount(tokens[2]) : std::optional<int>(arguments.ends);
    if (!games || !ends) {
      arguments.status = RunArguments::Status::kBadValue;
      return arguments;
    }
    arguments.games = *games;
    arguments.ends = std::min(*ends, kEndSlots);
  }
  return arguments;
}

}  // namespace Curling
