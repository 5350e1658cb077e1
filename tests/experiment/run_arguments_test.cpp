#include "experiment/run_arguments.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace Curling {
namespace {

using Status = RunArguments::Status;

TEST(ParseRunArguments, AppliesTheRulesForEachTokenCount) {
  const struct {
    std::vector<std::string> tokens;
    Status status;
    int games;
    int ends;
  } cases[] = {
      {{"Run", "\n"}, Status::kAccepted, 1, 10},
      {{"Run", "2", "\n"}, Status::kAccepted, 2, 10},
      {{"Run", "2", "3", "\n"}, Status::kAccepted, 2, 3},
      {{"Run", "0", "\n"}, Status::kAccepted, 0, 10},
      {{"Run", "-4", "-1", "\n"}, Status::kAccepted, -4, -1},
      {{"Run", "2", "0\r\n", "\n"}, Status::kAccepted, 2, 0},
      {{"Run", "3\r\n", "\n"}, Status::kAccepted, 3, 10},
      {{"Run", "1", "10", "\n"}, Status::kAccepted, 1, 10},
      {{"Run", "1", "11", "\n"}, Status::kAccepted, 1, 10},  // capped: ten score slots
      {{"Run", "1", "2147483647", "\n"}, Status::kAccepted, 1, 10},
      {{"Run", "1", "2", "3", "\n"}, Status::kIgnored, 1, 10},
      {{"Run", "x", "y", "z", "w", "\n"}, Status::kIgnored, 1, 10},
      {{"Run", "x", "\n"}, Status::kBadValue, 1, 10},
      {{"Run", "", "\n"}, Status::kBadValue, 1, 10},  // "Run " with a trailing space
      {{"Run", "2", "y", "\n"}, Status::kBadValue, 1, 10},
      {{"Run", "y", "2", "\n"}, Status::kBadValue, 1, 10},
      {{"Run", "4294967296", "\n"}, Status::kBadValue, 1, 10},
      {{"Run", "1", "\r\n", "\n"}, Status::kBadValue, 1, 10},
      {{"Run", "\r\n", "\n"}, Status::kBadValue, 1, 10},
  };
  for (const auto& c : cases) {
    std::string shown;
    for (const std::string& t : c.tokens) shown += "[" + t + "]";
    const RunArguments a = ParseRunArguments(c.tokens);
    EXPECT_EQ(a.status, c.status) << shown;
    if (c.status == Status::kAccepted) {
      EXPECT_EQ(a.games, c.games) << shown;
      EXPECT_EQ(a.ends, c.ends) << shown;
    }
  }
}

}  // namespace
}  // namespace Curling
