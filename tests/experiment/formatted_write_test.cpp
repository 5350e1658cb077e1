#include "experiment/formatted_write.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace Curling {
namespace {

// Records every write the routine makes.
struct Sink {
  std::vector<std::string> writes;
  bool result = true;
  std::function<bool(std::string_view)> reply = [this](std::string_view bytes) {
    writes.emplace_back(bytes);
    return result;
  };
};

TEST(FormattedWrite, WritesTheFormattedCharactersInOneWriteWithoutTerminator) {
  Sink sink;
  EXPECT_TRUE(FormattedWrite(sink.reply, "%7s : %5d : %.3f\n", "UCT", 42, -0.5));
  ASSERT_EQ(sink.writes.size(), 1u);
  EXPECT_EQ(sink.writes[0], "    UCT :    42 : -0.500\n");
}

TEST(FormattedWrite, ReturnsWhatTheWriteReports) {
  Sink sink;
  sink.result = false;
  EXPECT_FALSE(FormattedWrite(sink.reply, "%s", "row"));
  EXPECT_EQ(sink.writes, std::vector<std::string>{"row"});
}

TEST(FormattedWrite, CutsTextThatDoesNotFitTheBuffer) {
  Sink sink;
  const std::string longText(5000, 'x');
  EXPECT_TRUE(FormattedWrite(sink.reply, "<%s>", longText.c_str()));
  ASSERT_EQ(sink.writes.size(), 1u);
  EXPECT_EQ(sink.writes[0], "<" + std::string(1022, 'x'));
}

TEST(FormattedWrite, AcceptsFormatsUpTo1024CharactersAndRejectsLongerOnes) {
  Sink sink;
  const std::string fits(1024, 'a');
  EXPECT_TRUE(FormattedWrite(sink.reply, "%s", fits.c_str()));  // a long value is only cut
  const std::string limit(1024, 'b');
  EXPECT_TRUE(FormattedWrite(sink.reply, limit.c_str(), 0));
  const std::string tooLong(1025, 'c');
  EXPECT_FALSE(FormattedWrite(sink.reply, tooLong.c_str(), 0));
  ASSERT_EQ(sink.writes.size(), 2u);  // the rejected format wrote nothing
  EXPECT_EQ(sink.writes[0], std::string(1023, 'a'));
  EXPECT_EQ(sink.writes[1], std::string(1023, 'b'));
}

TEST(FormattedWrite, EmptyTextIsStillOneWrite) {
  Sink sink;
  EXPECT_TRUE(FormattedWrite(sink.reply, "%s", ""));
  EXPECT_EQ(sink.writes, std::vector<std::string>{""});
}

}  // namespace
}  // namespace Curling
