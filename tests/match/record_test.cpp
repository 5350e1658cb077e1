#include "record.h"

#include <gtest/gtest.h>

#include <sstream>

#include "record_reader.h"

namespace Match {
namespace {

using nlohmann::json;

// Counts flushes, to see that every record line reaches the file at once.
class CountingBuffer : public std::stringbuf {
 public:
  int syncs = 0;

 protected:
  int sync() override {
    ++syncs;
    return std::stringbuf::sync();
  }
};

std::vector<json> Lines(const std::string& text) {
  std::vector<json> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(json::parse(line));
  return lines;
}

TEST(Record, OneFlushedObjectPerLine) {
  CountingBuffer buffer;
  std::ostream out(&buffer);
  RecordWriter writer(out);
  MatchOptions options;
  options.engineA = "engine \"a\"";
  options.engineB = "b";
  options.seed = 12345678901234567890ULL;
  writer.WriteMatch(options);
  EXPECT_EQ(buffer.syncs, 1);

  ShotEvent shot;
  shot.game = 1;
  shot.end = 2;
  shot.shot = 15;
  shot.side = 1;
  shot.asked = {0.1f, -2.2f, true};
  shot.executed = {0.125f, -2.25f, true};
  shot.after.stones[15] = {2.375f, 4.88f};
  shot.after.endScores[2] = -1;
  shot.runningScore = -1;
  shot.seconds = 0.25;
  shot.seed = 77;
  shot.diagnostics = {"line one", "bytes \xff\x01"};
  writer.WriteShot(shot, {1, 0});
  EXPECT_EQ(buffer.syncs, 2);

  GameResult game;
  game.game = 1;
  game.engineOfSide = {1, 0};
  game.endScores = {2, 0, -3};
  game.winnerSide = 1;
  writer.WriteGame(game);
  MatchTally tally;
  tally.Add(game);
  writer.WriteSummary(tally, {MeanInterval{1, 1, 1.0}, MeanInterval{1, 1, -1.0}});
  EXPECT_EQ(buffer.syncs, 4);

  std::vector<json> lines = Lines(buffer.str());
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0]["type"], "match");
  EXPECT_EQ(lines[0]["seed"].get<std::uint64_t>(), 12345678901234567890ULL);
  EXPECT_EQ(lines[0]["engines"]["A"], "engine \"a\"");

  const json& s = lines[1];
  EXPECT_EQ(s["type"], "shot");
  EXPECT_EQ(s["game"], 2);
  EXPECT_EQ(s["end"], 3);
  EXPECT_EQ(s["shot"], 16);
  EXPECT_EQ(s["side"], 1);
  EXPECT_EQ(s["engine"], "A");  // side 1 is engine A in this game
  EXPECT_EQ(s["asked"]["vx"].get<float>(), 0.1f);
  EXPECT_EQ(s["asked"]["curl"], 1);
  EXPECT_EQ(s["executed"]["vy"].get<float>(), -2.25f);
  EXPECT_EQ(s["after"].size(), 16u);
  EXPECT_EQ(s["after"][15][1].get<float>(), 4.88f);
  EXPECT_EQ(s["running_score"], -1);
  EXPECT_EQ(s["end_scores"][2], -1);
  EXPECT_EQ(s["seed"], 77);
  EXPECT_EQ(s["time_s"], 0.25);
  EXPECT_EQ(s["diagnostics"][0], "line one");
  EXPECT_EQ(s["diagnostics"].size(), 2u);  // invalid UTF-8 does not break the line

  const json& g = lines[2];
  EXPECT_EQ(g["type"], "game");
  EXPECT_EQ(g["end_scores"], json({2, 0, -3}));
  EXPECT_EQ(g["total"], -1);
  EXPECT_EQ(g["winner"], "A");
  EXPECT_EQ(g["points"]["B"], 2);
  EXPECT_EQ(g["points"]["A"], 3);
  EXPECT_TRUE(g["forfeits"].empty());

  EXPECT_EQ(lines[3]["engines"]["A"]["wins"], 1);
  EXPECT_EQ(lines[3]["engines"]["B"]["losses"], 1);
}

TEST(Record, ForfeitNamesTheEngineAndReason) {
  GameResult game;
  game.engineOfSide = {0, 1};
  game.forfeit[1] = "no reply to GO within 1 s";
  game.winnerSide = 0;
  json g = GameJson(game);
  ASSERT_EQ(g["forfeits"].size(), 1u);
  EXPECT_EQ(g["forfeits"][0]["engine"], "B");
  EXPECT_EQ(g["forfeits"][0]["reason"], "no reply to GO within 1 s");
  EXPECT_EQ(g["winner"], "A");
}

TEST(Record, WriteFailureIsReported) {
  std::ostringstream out;
  out.setstate(std::ios::badbit);
  RecordWriter writer(out);
  EXPECT_THROW(writer.WriteMatch(MatchOptions{}), std::runtime_error);
}

// Each row is a record the reader must refuse (or, with no message, accept): unless the row is
// raw, a match line of two ends and then a match, shot or game line with the row's fields set.
TEST(RecordReader, RefusesMalformedLinesNamingWhatIsWrong) {
  const json match =
      json::parse(R"({"type":"match","engines":{"A":"a","B":"b"},"seed":3,"games":2,"ends":2})");
  json shot =
      json::parse(R"({"type":"shot","game":1,"end":1,"shot":1,"side":0,"seed":9,"running_score":0,)"
                  R"("asked":{"vx":0,"vy":2,"curl":0},"time_s":0.5,"diagnostics":[]})");
  shot["executed"] = shot["asked"];
  shot["before"] = shot["after"] = json(16, json::array({0, 0}));
  shot["end_scores"] = json(10, 0);
  const json game = json::parse(R"({"type":"game","game":1,"sides":["A","B"],"end_scores":[1,0],)"
                                R"("total":1,"winner":"A","forfeits":[]})");
  const std::string forfeitA = R"({"engine":"A","side":0,"reason":"x"})";
  const std::string forfeitB = R"({"engine":"B","side":1,"reason":"x"})";
  // A tournament of three engines, one pair per pairing; its game 1 is x against y.
  const json tournament = json::parse(
      R"({"type":"tournament","engines":[{"name":"x","command":"cx"},{"name":"y","command":"cy"},)"
      R"({"name":"z","command":"cz"}],"pairings":[["x","y"],["x","z"],["y","z"]],"pairs":1,)"
      R"("seed":3,"games":6,"ends":2})");
  json tournamentGame = game;
  tournamentGame["engines"] = {"x", "y"};
  struct Case {
    std::string kind;  // match, shot, game; tournament (its line with the fields, then game 1),
                       // tgame (game 1 with the fields); raw: the line alone, with no match line
    std::string fields;
    const char* message;  // nullptr: accepted
  };
  const Case cases[] = {
      {"game", "{}", nullptr},
      {"shot", "{}", nullptr},
      {"game",
       R"({"end_scores":[],"total":0,"winner":null,"forfeits":[)" + forfeitA + "," + forfeitB +
           "]}",
       nullptr},
      {"raw", "[1]", "1: not a JSON object"},
      {"raw", R"({"type":"game"})", "1: malformed record line: a game line before the match line"},
      {"raw", "", "no match line in the records read"},
      {"match", R"({"seed":-1})", "2: malformed record line: \"seed\" is not a whole number"},
      {"match", R"({"ends":11})", "\"ends\" is out of range: 11"},
      {"match", R"({"games":"2"})", "\"games\" is not an integer"},
      {"match", R"({"engines":null})", "2: malformed record line: [json.exception"},
      {"shot", R"({"shot":17})", "2: malformed record line: \"shot\" is out of range: 17"},
      {"shot", R"({"asked":{"vx":0,"vy":2,"curl":2}})", "\"curl\" is out of range: 2"},
      {"shot", R"({"after":[[0,0]]})", "\"after\" does not hold 16 stones"},
      {"shot", R"({"end_scores":[0]})", "\"end_scores\" is not 10 ends"},
      {"game", R"({"sides":["A"]})", "\"sides\" is not two engines"},
      {"game", R"({"sides":["A","A"]})", "one engine on both sides"},
      {"game", R"({"sides":["A","C"]})", "not an engine label: \"C\""},
      {"game", R"({"end_scores":[1,0,0]})", "more end scores than the match has ends"},
      {"game", R"({"total":2})", "\"total\" is not the sum of the end scores"},
      {"game", R"({"forfeits":[{"engine":"A","side":1,"reason":"x"}]})",
       "a forfeit names the engine of the other side"},
      {"game", R"({"forfeits":[{"engine":"A","side":0,"reason":""}]})",
       "a forfeit without its reason"},
      {"game", R"({"winner":"B"})",
       "\"winner\" is \"B\" where the forfeits and the total give \"A\""},
      {"game", R"({"winner":null,"forfeits":[)" + forfeitB + "]}", "give \"A\""},
      {"game", R"({"forfeits":[)" + forfeitA + "]}", "\"winner\" is \"A\" where"},
      {"game", R"({"forfeits":[)" + forfeitA + "," + forfeitB + "]}", "give null"},
      {"tournament", "{}", nullptr},
      {"tournament", R"({"games":4})", "\"games\" is not 2 x pairs x pairings: 4"},
      {"tournament", R"({"pairings":[["x","w"]],"games":2})", "a pairing names no listed engine"},
      {"tournament", R"({"engines":[{"name":"x","command":"a"},{"name":"x","command":"b"}]})",
       "the engine name \"x\" is listed twice"},
      {"tgame", R"({"engines":["y","x"]})",
       R"("engines" is ["y","x"] where the tournament's schedule has ["x","y"] for game 1)"},
      {"tgame", R"({"game":3})", R"(schedule has ["x","z"] for game 3)"},
      {"raw", match.dump() + "\n" + tournament.dump(),
       "a match record and a tournament record: r.jsonl is of a match, r.jsonl of a tournament"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind + " " + c.fields);
    std::string text = c.fields;
    if (c.kind == "tournament") {
      json first = tournament;
      first.update(json::parse(c.fields));
      text = first.dump() + "\n" + tournamentGame.dump();
    } else if (c.kind == "tgame") {
      json line = tournamentGame;
      line.update(json::parse(c.fields));
      text = tournament.dump() + "\n" + line.dump();
    } else if (c.kind != "raw") {
      json line = c.kind == "match" ? match : (c.kind == "shot" ? shot : game);
      line.update(json::parse(c.fields));
      text = match.dump() + "\n" + line.dump();
    }
    std::istringstream in(text + "\n");
    RecordReader reader;
    try {
      reader.Read(in, "r.jsonl");
      reader.Result();
      EXPECT_EQ(c.message, nullptr);
    } catch (const RecordError& error) {
      ASSERT_NE(c.message, nullptr) << error.what();
      EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << error.what();
    }
  }
}

}  // namespace
}  // namespace Match
