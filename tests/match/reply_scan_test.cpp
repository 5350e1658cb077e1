#include "reply_scan.h"

#include <gtest/gtest.h>

namespace Match {
namespace {

struct ScanCase {
  const char* name;
  std::string output;
  ReplyKind kind;
  bool settled;
  ScanStatus status;
  std::vector<std::string> diagnostics;
};

TEST(ReplyScan, SeparatesDiagnosticLinesFromTheReply) {
  const ScanCase cases[] = {
      {"ready alone", "READYOK", ReplyKind::kReadyOk, false, ScanStatus::kComplete, {}},
      {"ready after lines",
       "a\nb c\nREADYOK",
       ReplyKind::kReadyOk,
       false,
       ScanStatus::kComplete,
       {"a", "b c"}},
      {"ready prefix waits", "READY", ReplyKind::kReadyOk, false, ScanStatus::kIncomplete, {}},
      {"ready prefix settled", "READY", ReplyKind::kReadyOk, true, ScanStatus::kInvalid, {}},
      {"ready with line feed", "READYOK\n", ReplyKind::kReadyOk, false, ScanStatus::kComplete, {}},
      {"ready with CR LF", "READYOK\r\n", ReplyKind::kReadyOk, false, ScanStatus::kComplete, {}},
      {"ready wrong case", "readyok", ReplyKind::kReadyOk, true, ScanStatus::kInvalid, {}},
      {"only lines", "x\ny\n", ReplyKind::kBestShot, true, ScanStatus::kIncomplete, {"x", "y"}},
      {"nothing", "", ReplyKind::kBestShot, true, ScanStatus::kIncomplete, {}},
      {"best shot",
       "BESTSHOT 0.100000 -2.500000 1",
       ReplyKind::kBestShot,
       false,
       ScanStatus::kComplete,
       {}},
      {"best shot after lines",
       "info 1\nBESTSHOT -0.25 3 0",
       ReplyKind::kBestShot,
       false,
       ScanStatus::kComplete,
       {"info 1"}},
      {"word inside a line is not the reply",
       "note: BESTSHOT 1 2 0\nBESTSHOT 1 2 1",
       ReplyKind::kBestShot,
       false,
       ScanStatus::kComplete,
       {"note: BESTSHOT 1 2 0"}},
      {"partial best shot waits",
       "BESTSHOT 0.1 -2",
       ReplyKind::kBestShot,
       false,
       ScanStatus::kIncomplete,
       {}},
      {"partial best shot settled",
       "BESTSHOT 0.1 -2",
       ReplyKind::kBestShot,
       true,
       ScanStatus::kInvalid,
       {}},
      {"garbage settled", "HELLO", ReplyKind::kBestShot, true, ScanStatus::kInvalid, {}},
      {"garbage line then silence",
       "HELLO\n",
       ReplyKind::kBestShot,
       true,
       ScanStatus::kIncomplete,
       {"HELLO"}},
      {"bad line starting with the word",
       "BESTSHOT x y 1\n",
       ReplyKind::kBestShot,
       false,
       ScanStatus::kInvalid,
       {}},
      {"ready is not a best shot", "READYOK", ReplyKind::kBestShot, true, ScanStatus::kInvalid, {}},
  };
  for (const ScanCase& c : cases) {
    ReplyScan scan = ScanReply(c.output, c.kind, c.settled);
    EXPECT_EQ(scan.status, c.status) << c.name;
    EXPECT_EQ(scan.diagnostics, c.diagnostics) << c.name;
  }
}

TEST(ReplyScan, ConsumesThroughTheReplyOnly) {
  ReplyScan scan = ScanReply("d\nBESTSHOT 1 -2 0", ReplyKind::kBestShot, false);
  ASSERT_EQ(scan.status, ScanStatus::kComplete);
  EXPECT_EQ(scan.consumed, 17u);
  EXPECT_EQ(scan.text, "BESTSHOT 1 -2 0");
  EXPECT_FLOAT_EQ(scan.release.vx, 1.0f);
  EXPECT_FLOAT_EQ(scan.release.vy, -2.0f);
  EXPECT_FALSE(scan.release.curl);
  ReplyScan waiting = ScanReply("d\nBEST", ReplyKind::kBestShot, false);
  EXPECT_EQ(waiting.consumed, 2u);  // the line is used up, the unfinished text is not
}

TEST(ParseBestShot, AcceptsOnlyFiniteNumbersAndCurlZeroOrOne) {
  const struct {
    const char* text;
    bool valid;
  } cases[] = {
      {"BESTSHOT 0.100000 2.500000 1", true},
      {"BESTSHOT -0.250000 3.000000 0", true},
      {"BESTSHOT 1e-3 -2 1", true},
      {"BESTSHOT 0.1 2.5 2", false},
      {"BESTSHOT 0.1 2.5 -1", false},
      {"BESTSHOT 0.1 2.5 10", false},
      {"BESTSHOT 0.1 2.5", false},
      {"BESTSHOT 0.1 2.5 1 4", false},
      {"BESTSHOT nan 2.5 1", false},
      {"BESTSHOT inf 2.5 1", false},
      {"BESTSHOT 1e39 2.5 1", false},  // beyond a float
      {"BESTSHOT 0.1x 2.5 1", false},
      {"BESTSHOT  0.1 2.5 1", false},
      {"BESTSHOT 0.1 2.5 1 ", false},
      {"bestshot 0.1 2.5 1", false},
      {"BESTSHOT 0x10 2.5 1", false},
      {"", false},
  };
  for (const auto& c : cases) {
    ShotVelocity release{9.0f, 9.0f, false};
    EXPECT_EQ(ParseBestShot(c.text, release), c.valid) << c.text;
  }
  ShotVelocity release{};
  ASSERT_TRUE(ParseBestShot("BESTSHOT -0.250000 3.000000 1", release));
  EXPECT_FLOAT_EQ(release.vx, -0.25f);
  EXPECT_FLOAT_EQ(release.vy, 3.0f);
  EXPECT_TRUE(release.curl);
}

}  // namespace
}  // namespace Match
