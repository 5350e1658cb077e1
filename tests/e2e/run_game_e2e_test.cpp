// One real self-play game of one end through the built engine: sixteen full searches with the
// real simulator, so it runs for well over a minute (CTest label "slow"). Only the forms of the
// output are fixed; the shots themselves depend on the noisy simulations.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "engine_process.h"
#include "golden_session.h"
#include "run_e2e_support.h"

namespace E2E {
namespace {

const std::string kEngine = CURLING_ENGINE_PATH;
// Sixteen searches of about five seconds each, on a machine that may be shared and a build that
// may be instrumented.
constexpr std::chrono::minutes kGameTimeout{20};

std::vector<std::string> Split(const std::string& text, const std::string& separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t at; (at = text.find(separator, start)) != std::string::npos;) {
    parts.push_back(text.substr(start, at - start));
    start = at + separator.size();
  }
  parts.push_back(text.substr(start));
  return parts;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines = Split(text, "\n");
  if (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines;
}

// Forms of the numbers and labels in the table and the files (std::regex is avoided: g++ 12 warns
// inside it under the sanitizers).
using Form = std::function<bool(const std::string&)>;

bool Digits(const std::string& s, std::size_t from = 0) {
  return s.size() > from && s.find_first_not_of("0123456789", from) == std::string::npos;
}
bool Integer(const std::string& s) {
  return Digits(s, !s.empty() && s[0] == '-' ? 1 : 0);
}
bool ThreeDecimals(const std::string& s) {
  const std::size_t point = s.find('.');
  return point != std::string::npos && point + 4 == s.size() && Integer(s.substr(0, point)) &&
         Digits(s, point + 1);
}
bool Label(const std::string& s) {
  return !s.empty() &&
         s.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ_0123456789") == std::string::npos;
}
// The stream's default form of a double: digits, an optional fraction, an optional exponent.
bool General(const std::string& s) {
  std::string mantissa = s;
  if (const std::size_t e = s.find('e'); e != std::string::npos) {
    if (e + 2 >= s.size() || (s[e + 1] != '+' && s[e + 1] != '-') || !Digits(s, e + 2)) {
      return false;
    }
    mantissa = s.substr(0, e);
  }
  const std::size_t point = mantissa.find('.');
  if (point == std::string::npos) return Integer(mantissa);
  return Integer(mantissa.substr(0, point)) && Digits(mantissa, point + 1);
}
Form Is(std::string expected) {
  return [expected](const std::string& s) { return s == expected; };
}
// A number that strtod reads whole.
bool Number(const std::string& s) {
  char* end = nullptr;
  std::strtod(s.c_str(), &end);
  return !s.empty() && end == s.c_str() + s.size();
}

// A printf field of minimum width `width`, right-aligned: spaces only before the value, none when
// the value fills or overflows the width, and the value itself of the given form.
::testing::AssertionResult RightAligned(const std::string& field, std::size_t width,
                                        const Form& form) {
  const std::size_t first = field.find_first_not_of(' ');
  if (first == std::string::npos) return ::testing::AssertionFailure() << "blank field";
  const std::string content = field.substr(first);
  if (!form(content)) {
    return ::testing::AssertionFailure() << "\"" << content << "\" is not of its column's form";
  }
  if (field.size() != std::max(width, content.size())) {
    return ::testing::AssertionFailure() << "\"" << field << "\" is not padded to " << width;
  }
  return ::testing::AssertionSuccess();
}

std::string Format(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

TEST(RunGame, OneEndOfSelfPlayWithItsTableReportsAndTheLoopsStateUnchanged) {
  RunDirectory dir;
  EngineProcess engine = dir.Start(kEngine);
  // A position of the loop's own, which the experiment must neither use nor change.
  std::string position = "POSITION 2.375 4.88 1.5 6";
  for (int i = 2; i < 16; ++i) position += " 0 0";
  ASSERT_TRUE(engine.Send(position));
  ASSERT_TRUE(engine.Send("SETSTATE 5 3 0 1"));
  ASSERT_TRUE(engine.Send("SCORE -1"));
  ASSERT_TRUE(engine.Send("ShowAll"));
  ASSERT_TRUE(engine.WaitForOutput("1.5, 6\n"));
  const std::string before = engine.output();

  ASSERT_TRUE(engine.Send("Run 1 1"));
  ASSERT_TRUE(engine.WaitForOutput("Run Command End\n", before.size(), kGameTimeout))
      << Printable(engine.output());
  const std::size_t runEnd = engine.output().size();
  ASSERT_TRUE(engine.Send("ShowAll"));
  const ExitResult exit = engine.Finish();
  EXPECT_TRUE(exit.exited && exit.status == 0);
  const std::string output = engine.output();
  EXPECT_EQ(output.substr(runEnd), before);

  const std::vector<std::string> lines =
      Lines(output.substr(before.size(), runEnd - before.size()));
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], "Name : Count : Size : ShotNum : Pow : Type : Rate : win : playout : time");

  // The rows, in shot order. Other diagnostic lines of the search may stand between them.
  std::size_t at = 1;
  std::vector<std::vector<std::string>> rows;
  for (; at < lines.size() && lines[at].rfind("current_shot_number", 0) != 0; ++at) {
    const std::vector<std::string> fields = Split(lines[at], " : ");
    if (fields.size() == 10) rows.push_back(fields);
  }
  ASSERT_EQ(rows.size(), 16u) << Printable(output);
  const std::vector<std::string> shots = Lines(dir.Read("shot.txt"));
  ASSERT_EQ(shots.size(), 16u) << dir.Read("shot.txt");

  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE("shot " + std::to_string(i) + ": " + shots[i]);
    const std::vector<std::string>& row = rows[i];
    // The turn passes every shot, side 0 ("Primitive") first, and a label wider than the name
    // column is printed whole.
    EXPECT_EQ(row[0], i % 2 == 0 ? "Primitive" : "    UCT");
    EXPECT_TRUE(RightAligned(row[1], 5, [](const std::string& v) { return Digits(v); }));
    EXPECT_TRUE(
        RightAligned(row[2], 4, [](const std::string& v) { return Digits(v) && v[0] != '0'; }));
    EXPECT_TRUE(RightAligned(row[3], 5, Is(std::to_string(i))));
    EXPECT_TRUE(
        RightAligned(row[4], 2, [](const std::string& v) { return v == "-1" || v == "16"; }));
    EXPECT_TRUE(RightAligned(row[5], 11, Label));
    EXPECT_TRUE(RightAligned(row[6], 0, ThreeDecimals));
    EXPECT_TRUE(RightAligned(row[7], 0, Integer));
    EXPECT_TRUE(RightAligned(row[8], 5, [](const std::string& v) { return Digits(v); }));
    EXPECT_TRUE(RightAligned(row[9], 5, [](const std::string& v) { return Digits(v); }));

    // The file line: the same ten values, unpadded, in the stream's default forms.
    const std::vector<std::string> line = Split(shots[i], ",");
    ASSERT_EQ(line.size(), 10u);
    EXPECT_EQ(line[0], i % 2 == 0 ? "Primitive" : "UCT");
    for (const int column : {1, 2, 3, 8, 9}) {
      EXPECT_TRUE(Integer(line[column])) << line[column];
    }
    for (const int column : {4, 6, 7}) {
      EXPECT_TRUE(General(line[column])) << line[column];
    }
    EXPECT_EQ(line[1], row[1].substr(row[1].find_first_not_of(' ')));
    EXPECT_EQ(line[2], row[2].substr(row[2].find_first_not_of(' ')));
    EXPECT_EQ(line[3], std::to_string(i));
    EXPECT_EQ(Format("%2.0f", std::stod(line[4])), row[4]);
    EXPECT_EQ(line[5], row[5].substr(row[5].find_first_not_of(' ')));
    const double rate = std::stod(line[6]);
    EXPECT_LE(std::fabs(std::stod(row[6]) - rate), 0.0005 + 1e-5 * std::fabs(rate));
    const double win = std::stod(line[7]);
    EXPECT_LE(std::fabs(std::stod(row[7]) - win), 0.5 + 1e-5 * std::fabs(win));
    EXPECT_EQ(line[8], row[8].substr(row[8].find_first_not_of(' ')));
    // The file's time is read after the row is written, from the same start.
    EXPECT_GE(std::stol(line[9]), std::stol(row[9]));
  }

  // The closed end: its print (scores and the stones still lying), then the summary.
  ASSERT_LT(at + 3, lines.size());
  EXPECT_EQ(lines[at], "current_shot_number : 0 ;  ");
  EXPECT_EQ(lines[at + 1], "current_end_number : 1");
  const std::string result = dir.Read("result.txt");
  const std::vector<std::string> scores = Split(result, ",");
  ASSERT_EQ(scores, (std::vector<std::string>{scores[0], "0", "0", "0", "0", "0", "0", "0", "0",
                                              "0", "\n"}))
      << result;
  ASSERT_TRUE(Integer(scores[0])) << result;
  const int score = std::stoi(scores[0]);
  EXPECT_EQ(lines[at + 2], "Score : " + std::to_string(score) + ", 0, 0, 0, 0, 0, 0, 0, 0, 0, ");
  EXPECT_EQ(lines[at + 3], "Position : ");
  std::size_t stone = at + 4;
  for (; stone < lines.size() && lines[stone].rfind("Primitivewin ", 0) != 0; ++stone) {
    const std::vector<std::string> xy = Split(lines[stone], ", ");
    EXPECT_TRUE(xy.size() == 2 && Number(xy[0]) && Number(xy[1])) << lines[stone];
  }
  EXPECT_LE(stone - (at + 4), 16u);
  const int first = score > 0 ? 1 : 0;
  const int second = score < 0 ? 1 : 0;
  const int draws = score == 0 ? 1 : 0;
  const std::vector<std::string> summary(lines.begin() + static_cast<std::ptrdiff_t>(stone),
                                         lines.end());
  EXPECT_EQ(summary,
            (std::vector<std::string>{"Primitivewin " + std::to_string(first),
                                      "UCTwin " + std::to_string(second),
                                      "draw num " + std::to_string(draws), "Run Command End"}));
  EXPECT_EQ(dir.Read("aggregate.txt"), std::to_string(first) + "," + std::to_string(second) + "," +
                                           std::to_string(draws) + "\n");
}

}  // namespace
}  // namespace E2E
