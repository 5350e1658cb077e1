// `curling-match summary` run as a child process on the record of a real (test engine) match.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "process_support.h"

namespace Match {
namespace {

using nlohmann::json;
using namespace Testing;

// Five games of two ends (16 GOs per engine and game); B's first process exits at its 44th GO
// (game 3, end 2), so game 3 is lost by forfeit with one end played. Game 5 has no partner.
MatchRun PlayRecordedMatch(const TempDir& dir) {
  return RunMatchProgram(
      dir, {"--ends", "2", "--games", "5", "--seed", "21", "--record", dir / "r.jsonl",
            "--pictures", dir / "live", Engine(), Engine("--mode exit --at-go 44")});
}

// The lines of a record whose "game" satisfies `keep`; the match line goes into every part.
void WritePart(const TempDir& dir, const std::string& name, bool (*keep)(int game)) {
  std::ofstream out(dir / name);
  for (const std::string& line : ReadLines(dir / "r.jsonl")) {
    const json object = json::parse(line);
    if (object["type"] == "match" || (object.contains("game") && keep(object["game"].get<int>()))) {
      out << line << "\n";
    }
  }
}

MatchRun Summary(const TempDir& dir, std::vector<std::string> args) {
  args.insert(args.begin(), "summary");
  return RunMatchProgram(dir, args);
}

TEST(SummaryProcess, ShardsDuplicatesAndPicturesGiveWhatTheLiveRunnerGave) {
  TempDir dir;
  MatchRun live = PlayRecordedMatch(dir);
  ASSERT_EQ(live.exitStatus, 0) << live.err;
  WritePart(dir, "odd.jsonl", [](int game) { return game % 2 == 1; });
  WritePart(dir, "even.jsonl", [](int game) { return game % 2 == 0; });

  MatchRun whole = Summary(dir, {dir / "r.jsonl"});
  ASSERT_EQ(whole.exitStatus, 0) << whole.err;
  EXPECT_EQ(whole.err, "");
  // The live runner closed with the same summary.
  ASSERT_GE(live.err.size(), whole.out.size());
  EXPECT_EQ(live.err.substr(live.err.size() - whole.out.size()), whole.out);
  EXPECT_NE(whole.out.find("from 2 pairs (1 unpaired game)"), std::string::npos) << whole.out;

  MatchRun split = Summary(dir, {dir / "even.jsonl", dir / "odd.jsonl"});
  EXPECT_EQ(split.exitStatus, 0) << split.err;
  EXPECT_EQ(split.out, whole.out);
  MatchRun twice = Summary(dir, {dir / "r.jsonl", dir / "odd.jsonl"});
  EXPECT_EQ(twice.exitStatus, 0);
  EXPECT_EQ(twice.out, whole.out);
  EXPECT_NE(twice.err.find("3 game(s) read more than once"), std::string::npos) << twice.err;

  MatchRun wholeJson = Summary(dir, {"--json", "--sprt", "0,10", dir / "r.jsonl"});
  MatchRun splitJson =
      Summary(dir, {"--sprt", "0,10", "--json", dir / "odd.jsonl", dir / "even.jsonl"});
  ASSERT_EQ(wholeJson.exitStatus, 0) << wholeJson.err;
  EXPECT_EQ(splitJson.out, wholeJson.out);
  const json summary = json::parse(wholeJson.out);
  EXPECT_EQ(summary["games"], 5);
  EXPECT_EQ(summary["pairs"], 2);
  EXPECT_EQ(summary["unpaired"], 1);
  EXPECT_EQ(summary["engines"]["B"]["forfeits"], 1);
  EXPECT_EQ(summary["engines"]["B"]["command"], Engine("--mode exit --at-go 44"));
  // Per engine as the record's own closing line counts them.
  const json recorded = ReadRecord(dir / "r.jsonl").back()["engines"];
  for (const char* e : {"A", "B"}) {
    for (const char* field : {"wins", "draws", "losses", "forfeits"}) {
      EXPECT_EQ(summary["engines"][e][field], recorded[e][field]) << e << " " << field;
    }
    EXPECT_EQ(summary["engines"][e]["score_diff_per_game"]["count"], 4);
    EXPECT_EQ(summary["engines"][e]["score_diff_per_end"]["count"], 8);
  }
  EXPECT_TRUE(summary["sprt"]["llr"].is_number());

  // The pictures equal the live runner's, file for file and byte for byte.
  MatchRun pictures =
      Summary(dir, {"--pictures", dir / "rebuilt", dir / "even.jsonl", dir / "odd.jsonl"});
  ASSERT_EQ(pictures.exitStatus, 0) << pictures.err;
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir / "live")) {
    const std::string name = entry.path().filename().string();
    EXPECT_EQ(ReadFile(dir / ("rebuilt/" + name)), ReadFile(entry.path().string())) << name;
    ++files;
  }
  EXPECT_EQ(files, 1 + 5 + 9);  // index, game pages, ends (game 3 closed one of its two)
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "rebuilt"),
                          std::filesystem::directory_iterator()),
            files);
}

TEST(SummaryProcess, BadRecordsAndOptionsExitWithAMessage) {
  TempDir dir;
  ASSERT_EQ(PlayRecordedMatch(dir).exitStatus, 0);
  const std::vector<std::string> lines = ReadLines(dir / "r.jsonl");
  auto write = [&](const std::string& name, std::vector<std::string> content) {
    std::ofstream out(dir / name);
    for (const std::string& line : content) out << line << "\n";
  };
  std::vector<std::string> unfinished;
  for (const std::string& line : lines) {
    if (json::parse(line)["type"] != "game" || json::parse(line)["game"] != 5) {
      unfinished.push_back(line);
    }
  }
  write("unfinished.jsonl", unfinished);
  json other = json::parse(lines[0]);
  other["engines"]["B"] = "other-engine";
  write("other.jsonl", {other.dump()});

  struct Case {
    std::vector<std::string> args;
    int status;
    const char* message;  // on standard error
  };
  const Case cases[] = {
      {{dir / "missing.jsonl"}, 1, "cannot read"},
      {{dir / "r.jsonl", dir / "other.jsonl"}, 1, "records of different engines"},
      {{dir / "unfinished.jsonl"}, 0, "1 game(s) still in progress"},
      {{"--sprt", "10,0", dir / "r.jsonl"}, 2, "--sprt"},
      {{"--sprt", "0,10,0.05", dir / "r.jsonl"}, 2, "--sprt"},
      {{}, 2, "RECORD is required"},
      {{"--help"}, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.empty() ? "no record" : c.args.back());
    MatchRun run = Summary(dir, c.args);
    EXPECT_EQ(run.exitStatus, c.status);
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(run.out.empty(), c.status != 0);
  }
  // A line of the unfinished game that did finish: the summary without game 5.
  EXPECT_NE(Summary(dir, {dir / "unfinished.jsonl"}).out.find("in 4 games"), std::string::npos);
}

// A round robin of three test engines, two pairs of one-end games each: one that draws to the
// tee; a weaker one that answers garbage from its ninth GO on, so it plays a game out and
// forfeits the next on the same process; one that answers garbage at once.
TEST(TournamentProcess, ThreeEnginesRecordCrosstableAndRatings) {
  TempDir dir;
  const std::vector<std::string> engines{"--engine", "draw=" + Engine(),
                                         "--engine", "weak=" + Engine("--mode garbage --at-go 9"),
                                         "--engine", "garbage=" + Engine("--mode garbage")};
  auto play = [&](const std::string& record, std::vector<std::string> more) {
    std::vector<std::string> args{"tournament", "--pairs", "2",        "--ends",    "1",
                                  "--seed",     "5",       "--record", dir / record};
    args.insert(args.end(), engines.begin(), engines.end());
    args.insert(args.end(), more.begin(), more.end());
    return RunMatchProgram(dir, args);
  };
  MatchRun live = play("t.jsonl", {"--pictures", dir / "live"});
  ASSERT_EQ(live.exitStatus, 0) << live.err;
  const std::vector<json> record = ReadRecord(dir / "t.jsonl");
  ASSERT_EQ(record[0]["type"], "tournament");
  EXPECT_EQ(record[0]["pairings"],
            json::parse(R"([["draw","weak"],["draw","garbage"],["weak","garbage"]])"));
  const std::vector<json> games = OfType(record, "game");
  ASSERT_EQ(games.size(), 12u);
  for (const json& game : games) {
    SCOPED_TRACE(game.dump());
    const json& pairing = record[0]["pairings"][(game["game"].get<int>() - 1) / 4];
    EXPECT_EQ(game["engines"], pairing);
    if (pairing[1] == "garbage") {
      EXPECT_EQ(game["forfeits"][0]["engine"], "B");
    }
  }

  // The summary of the record is the one the live runner closed with.
  MatchRun text = Summary(dir, {dir / "t.jsonl"});
  ASSERT_EQ(text.exitStatus, 0) << text.err;
  ASSERT_GE(live.err.size(), text.out.size());
  EXPECT_EQ(live.err.substr(live.err.size() - text.out.size()), text.out);
  MatchRun run = Summary(dir, {"--json", dir / "t.jsonl"});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  const json summary = json::parse(run.out);
  const json& rated = summary["engines"];
  EXPECT_EQ(rated[0]["elo"], 0.0);
  ASSERT_TRUE(rated[1]["elo"].is_number()) << rated.dump();
  EXPECT_LT(rated[1]["elo"].get<double>(), 0.0);
  EXPECT_EQ(rated[2]["elo_inf"], -1);
  for (const json& cell : summary["crosstable"]) {
    if (cell["row"] != "garbage") continue;
    EXPECT_EQ(cell["losses"], 4);
    EXPECT_EQ(cell["forfeits"], 4);
  }
  EXPECT_NE(ReadFile(dir / "live/index.html").find("<svg class=\"ratings\""), std::string::npos);

  // Shards of the tournament merge: every game once, whichever shard played it.
  ASSERT_EQ(play("s0.jsonl", {"--shard", "0/2"}).exitStatus, 0);
  ASSERT_EQ(play("s1.jsonl", {"--shard", "1/2"}).exitStatus, 0);
  MatchRun merged = Summary(dir, {dir / "s0.jsonl", dir / "s1.jsonl"});
  EXPECT_EQ(merged.exitStatus, 0) << merged.err;
  EXPECT_NE(merged.out.find("12 games read"), std::string::npos) << merged.out;
}

}  // namespace
}  // namespace Match
