#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "game_page.h"
#include "house_svg.h"
#include "record_reader.h"
#include "test_support.h"
#include "tournament_summary.h"

namespace Match {
namespace {

using Testing::TempDir;

// Whether xmllint accepts the file as well-formed XML.
bool WellFormed(const std::string& path) {
  return Testing::RunProgram({"/usr/bin/xmllint", "--noout", path}) == 0;
}

EndPicture SampleEnd() {
  EndPicture end;
  end.game = 0;
  end.end = 2;
  end.firstSide = 1;
  end.score = -2;
  end.stones[0] = {2.375f, 4.88f};  // the tee, side 1 (led the end)
  end.stones[1] = {2.0f, 5.5f};     // side 0
  end.stones[4] = {1.2f, 9.0f};     // a guard, side 1
  end.stones[7] = {0.0f, 0.0f};     // out of play
  end.stones[9] = {-1.0f, -1.0f};   // out of play
  end.stones[15] = {3.0f, 4.0f};    // side 0
  return end;
}

TEST(HouseSvg, DrawsEveryStoneInPlayColouredBySideAndNumberedByShot) {
  EndPicture end = SampleEnd();
  std::string svg = HouseSvg(end, {"A <x & y>", "B \"q\""});
  std::vector<std::pair<int, int>> found;  // side, shot number
  const std::string open = "<g class=\"stone side";
  for (std::size_t at = svg.find(open); at != std::string::npos; at = svg.find(open, at + 1)) {
    std::string group = svg.substr(at, svg.find("</g>", at) - at);
    int side = group[open.size()] - '0';
    std::size_t fill = group.find("fill=\"") + 6;
    EXPECT_EQ(group.substr(fill, group.find('"', fill) - fill), kSideColours[side]);
    std::size_t textEnd = group.find("</text>");
    std::size_t textStart = group.rfind('>', textEnd) + 1;
    found.emplace_back(side, std::stoi(group.substr(textStart, textEnd - textStart)));
  }
  EXPECT_EQ(found, (std::vector<std::pair<int, int>>{{1, 1}, {0, 2}, {1, 5}, {0, 16}}));
  EXPECT_NE(svg.find("A &lt;x &amp; y&gt; (side 0)"), std::string::npos);
  EXPECT_NE(svg.find("B &quot;q&quot; (side 1)"), std::string::npos);
  EXPECT_NE(svg.find("side 1 scores 2"), std::string::npos);
}

TEST(HouseSvg, FilesAreWellFormedXml) {
  TempDir dir;
  EndPicture end = SampleEnd();
  end.stones[3] = {std::nanf(""), 5.0f};  // never drawn
  std::ofstream(dir / "end.svg") << HouseSvgDocument(end, {"a\x01\xff<", "b&"});
  EXPECT_TRUE(WellFormed(dir / "end.svg"));
  std::ofstream(dir / "broken.svg") << "<svg><g></svg>";
  EXPECT_FALSE(WellFormed(dir / "broken.svg"));  // the check itself can fail
}

TEST(GamePage, ScoreBoardResultAndEveryEnd) {
  GameResult game;
  game.game = 1;
  game.engineOfSide = {1, 0};
  game.endScores = {0, 2, -1};
  game.winnerSide = 0;
  for (int e = 0; e < 3; ++e) {
    EndPicture end = SampleEnd();
    end.game = 1;
    end.end = e;
    end.score = game.endScores[e];
    game.ends.push_back(end);
  }
  std::string html = GamePage(game, {"A: engine <1>", "B: engine 2"}, 4);
  EXPECT_NE(html.find("B wins 2-1"), std::string::npos);
  EXPECT_NE(html.find("A: engine &lt;1&gt;"), std::string::npos);
  size_t svgs = 0;
  for (size_t at = html.find("<svg"); at != std::string::npos; at = html.find("<svg", at + 1)) {
    ++svgs;
  }
  EXPECT_EQ(svgs, 4u);  // the shot viewer's sheet and the house after each of the 3 ends
  EXPECT_NE(html.find(EndSvgName(1, 2)), std::string::npos);
  EXPECT_EQ(EndSvgName(1, 2), "game-02-end-03.svg");
  EXPECT_EQ(GamePageName(0), "game-01.html");
  // Side 0 (engine B) row: 0, 2, 0, an empty cell for the end not played, total 2.
  EXPECT_NE(html.find("<td>0</td><td>2</td><td>0</td><td></td><td><b>2</b></td>"),
            std::string::npos);
  EXPECT_EQ(html.find("http"), html.find("http://www.w3.org/2000/svg"));  // nothing fetched
  TempDir dir;
  std::ofstream(dir / "game.html") << html;
  EXPECT_TRUE(WellFormed(dir / "game.html"));

  game.forfeit[1] = "invalid reply to GO: \"HELLO\"";
  game.winnerSide = 0;
  std::string forfeited = GamePage(game, {"A: a", "B: b"}, 4);
  EXPECT_NE(forfeited.find("A forfeits: invalid reply to GO: &quot;HELLO&quot;"),
            std::string::npos);
  std::string running = GamePage(game, {"A: a", "B: b"}, 4, false);
  EXPECT_NE(running.find("in progress: 3 of 4 ends played"), std::string::npos);
  std::string index = IndexPage({game}, {"A: a", "B: b"});
  EXPECT_NE(index.find("href=\"game-02.html\""), std::string::npos);
  std::ofstream(dir / "index.html") << index;
  EXPECT_TRUE(WellFormed(dir / "index.html"));
}

// The pages of a recorded game, with diagnostic lines that look like markup: well-formed, the
// lines kept as data only, and the index with the match's result under each label once.
TEST(GamePage, PagesOfARecordedGameAreWellFormedAndTheIndexHasTheResult) {
  RecordSet records = ReadRecordFiles({std::string(MATCH_TEST_DATA_DIR) + "/two-ends.jsonl"});
  ASSERT_EQ(records.games.size(), 1u);
  GameResult game = records.games[0].result;
  ASSERT_EQ(game.shots.size(), 32u);
  game.shots[3].diagnostics = {"</script><b>x</b> ]]> & \x01 \xc3\xa9"};
  const std::array<std::string, 2> names{"A: engine <a>", "B: b"};
  const std::string html = GamePage(game, names, 2);
  EXPECT_EQ(html.find("<b>x"), std::string::npos);
  EXPECT_NE(html.find(R"(\u003c/script\u003e\u003cb\u003ex\u003c/b\u003e ]]\u003e \u0026 \u0001)"),
            std::string::npos);
  TempDir dir;
  std::ofstream(dir / "game.html") << html;
  EXPECT_TRUE(WellFormed(dir / "game.html"));

  GameResult second = game;  // the pair's other game, won by B on the swapped sides
  second.game = 1;
  second.engineOfSide = {1, 0};
  const std::string index = IndexPage({game, second}, names);
  EXPECT_EQ(index.find("A: A:"), std::string::npos);
  EXPECT_NE(index.find("<li>A: engine &lt;a&gt;</li>"), std::string::npos);
  EXPECT_NE(index.find("<tr><td>A</td><td>2</td><td>1</td><td>0</td><td>1</td><td>0</td>"),
            std::string::npos);
  EXPECT_NE(index.find("Elo of A over B: +0.0 (no interval from one pair) from 1 pair (0 unpaired "
                       "games)"),
            std::string::npos);
  EXPECT_EQ(index.find("class=\"llr\""), std::string::npos);
  // With a sequential test, its chart: the ratio from 0 and after the one pair, and the bounds.
  const std::string tested = IndexPage({game, second}, names, SprtPlot{{0.0, 10.0}, false});
  const std::size_t chart = tested.find("<svg class=\"llr\"");
  ASSERT_NE(chart, std::string::npos);
  const std::size_t from = tested.find("points=\"", chart) + 8;
  const std::string points = tested.substr(from, tested.find('"', from) - from);
  EXPECT_EQ(std::count(points.begin(), points.end(), ','), 2) << points;
  EXPECT_NE(tested.find("accept H1 +2.94"), std::string::npos);
  EXPECT_NE(tested.find("accept H0 -2.94"), std::string::npos);
  std::ofstream(dir / "index.html") << tested;
  EXPECT_TRUE(WellFormed(dir / "index.html"));
}

// A tournament's index of two engines, one named like markup, where B forfeited both games of
// the pair: well-formed, the name escaped, the crosstable from both sides and B's -inf on the
// chart at its end.
TEST(GamePage, TournamentIndexHasTheCrosstableAndTheRatingsChart) {
  const Tournament t{{{"a<&>", "x"}, {"b", "y"}}, Pairings(2), 1};
  std::vector<MatchGame> games;
  std::vector<GameResult> results;
  for (int g = 0; g < 2; ++g) {
    GameResult r;
    r.game = g;
    r.engineOfSide = g == 0 ? std::array<int, 2>{0, 1} : std::array<int, 2>{1, 0};
    r.forfeit[1 - g] = "no reply";
    r.winnerSide = WinnerOf(r);
    games.push_back({5, 1, r, {0, 1}});
    results.push_back(r);
  }
  const std::string index = TournamentIndexPage(SummarizeTournament(games, t, 0), results);
  EXPECT_NE(index.find("<th>a&lt;&amp;&gt;</th><td>-</td><td>2-0-0"), std::string::npos);
  EXPECT_NE(index.find("<th>b</th><td>0-0-2"), std::string::npos);
  EXPECT_NE(index.find("<svg class=\"ratings\""), std::string::npos);
  EXPECT_NE(index.find(">-inf</text>"), std::string::npos);
  TempDir dir;
  std::ofstream(dir / "index.html") << index;
  EXPECT_TRUE(WellFormed(dir / "index.html"));
}

}  // namespace
}  // namespace Match
