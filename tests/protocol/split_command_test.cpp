#include "protocol/split_command.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace Protocol {
namespace {

struct SplitCase {
  const char* name;
  std::string text;
  std::vector<std::string> tokens;
};

class SplitCommandTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitCommandTest, SplitsOnSingleSpacesAndAppendsLineFeedToken) {
  EXPECT_EQ(GetParam().tokens, SplitCommand(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SplitCommandTest,
    testing::Values(
        SplitCase{"Empty", "", {"\n"}}, SplitCase{"OneWord", "ISREADY", {"ISREADY", "\n"}},
        SplitCase{"TwoWords", "HELLO world", {"HELLO", "world", "\n"}},
        SplitCase{"DoubledSpace", "SCORE  3", {"SCORE", "", "3", "\n"}},
        SplitCase{"LeadingSpace", " ISREADY", {"", "ISREADY", "\n"}},
        SplitCase{
            "TrailingSpace", "SETSTATE 3 1 10 0 ", {"SETSTATE", "3", "1", "10", "0", "", "\n"}},
        SplitCase{"OnlySpace", " ", {"", "", "\n"}},
        SplitCase{"LineFeedStaysInWord", "ISREADY\n", {"ISREADY\n", "\n"}},
        SplitCase{"CrLfStaysInArgument", "Run 2\r\n", {"Run", "2\r\n", "\n"}},
        SplitCase{"TabIsNoSeparator", "SCORE\t3", {"SCORE\t3", "\n"}},
        SplitCase{"NulByteIsKept", std::string("A\0B C", 5), {std::string("A\0B", 3), "C", "\n"}}),
    [](const testing::TestParamInfo<SplitCase>& info) { return info.param.name; });

}  // namespace
}  // namespace Protocol
