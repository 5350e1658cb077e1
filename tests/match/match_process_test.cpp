// curling-match run as a child process against the test engine.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <sstream>
#include <thread>

#include "process_support.h"

namespace Match {
namespace {

using nlohmann::json;
using namespace Testing;

std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  std::istringstream in(text);
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

// Every read of the engine held exactly one whole command, in the order the protocol asks for:
// ISREADY first, then per shot the scores of ends not yet sent, POSITION, SETSTATE, SCORE and GO;
// GAMEOVER last. Checks the positions and scores against the record's shots of that engine.
void CheckTranscript(const std::vector<std::string>& reads, const std::vector<json>& shots,
                     const std::string& engine) {
  std::vector<json> mine;
  for (const json& shot : shots) {
    if (shot["engine"] == engine) mine.push_back(shot);
  }
  ASSERT_FALSE(reads.empty());
  EXPECT_EQ(reads.front(), "ISREADY");
  EXPECT_EQ(reads.back(), "GAMEOVER");
  std::size_t next = 1;
  int endsTold = 0;
  for (const json& shot : mine) {
    const int end = shot["end"].get<int>() - 1;
    const std::string side = std::to_string(shot["side"].get<int>());
    for (; endsTold < end; ++endsTold) {
      ASSERT_LT(next + 1, reads.size());
      EXPECT_EQ(reads[next++], "SETSTATE 0 " + std::to_string(endsTold) + " 0 " + side);
      EXPECT_EQ(reads[next++], "SCORE " + std::to_string(shot["end_scores"][endsTold].get<int>()));
    }
    ASSERT_LT(next + 3, reads.size());
    std::vector<std::string> position = Words(reads[next++]);
    ASSERT_EQ(position.size(), 33u) << reads[next - 1];
    EXPECT_EQ(position[0], "POSITION");
    for (int i = 0; i < 16; ++i) {
      EXPECT_EQ(std::stof(position[1 + 2 * i]), shot["before"][i][0].get<float>());
      EXPECT_EQ(std::stof(position[2 + 2 * i]), shot["before"][i][1].get<float>());
    }
    EXPECT_EQ(reads[next++], "SETSTATE " + std::to_string(shot["shot"].get<int>() - 1) + " " +
                                 std::to_string(end) + " 0 " + side);
    std::vector<std::string> score = Words(reads[next++]);
    ASSERT_EQ(score.size(), 2u);
    EXPECT_EQ(score[0], "SCORE");
    EXPECT_EQ(reads[next++], "GO");
  }
  EXPECT_EQ(next + 1, reads.size());
}

TEST(MatchProcess, SpeaksTheProtocolOneCommandPerRead) {
  TempDir dir;
  // The engines pause before each read: a command written before the previous one was read
  // would arrive glued to it.
  MatchRun run = RunMatchProgram(dir, {"--ends", "2", "--seed", "11", "--record", dir / "r.jsonl",
                                       Engine("--read-delay-ms 2 --transcript " + dir / "a.txt"),
                                       Engine("--read-delay-ms 2 --transcript " + dir / "b.txt")});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  auto record = ReadRecord(dir / "r.jsonl");
  auto shots = OfType(record, "shot");
  ASSERT_EQ(shots.size(), 32u);
  CheckTranscript(ReadLines(dir / "a.txt"), shots, "A");
  CheckTranscript(ReadLines(dir / "b.txt"), shots, "B");
  // Progress: one line per shot and the closing summary.
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1 + 32 + 1 + 2);
  EXPECT_NE(run.err.find("match seed 11"), std::string::npos);
  EXPECT_NE(run.err.find("A: " + Engine()), std::string::npos);
  EXPECT_TRUE(run.out.empty());
}

TEST(MatchProcess, RecordHoldsEveryShotAndGame) {
  TempDir dir;
  MatchRun run = RunMatchProgram(dir, {"--ends", "1", "--games", "2", "--seed", "4", "--record",
                                       dir / "r.jsonl", Engine(), Engine("--mode diagnostics")});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  auto record = ReadRecord(dir / "r.jsonl");
  ASSERT_EQ(record.size(), 1u + 32 + 2 + 1);
  EXPECT_EQ(record.front()["type"], "match");
  EXPECT_EQ(record.front()["seed"], 4);
  EXPECT_EQ(record.back()["type"], "summary");
  auto games = OfType(record, "game");
  ASSERT_EQ(games.size(), 2u);
  EXPECT_EQ(games[0]["sides"], json({"A", "B"}));
  EXPECT_EQ(games[1]["sides"], json({"B", "A"}));  // sides swap every game
  int wins = 0;
  for (const auto& game : games) {
    EXPECT_TRUE(game["forfeits"].empty());
    wins += game["winner"].is_null() ? 0 : 1;
  }
  const json& summary = record.back()["engines"];
  EXPECT_EQ(summary["A"]["wins"].get<int>() + summary["B"]["wins"].get<int>(), wins);
  for (const auto& shot : OfType(record, "shot")) {
    const int n = shot["shot"].get<int>();
    EXPECT_EQ(shot["engine"], (shot["game"] == 1) == (shot["side"] == 0) ? "A" : "B");
    // The engine that writes diagnostics first keeps them in the record, apart from its reply.
    if (shot["engine"] == "B") {
      ASSERT_EQ(shot["diagnostics"].size(), 2u);
      EXPECT_EQ(shot["diagnostics"][0], "thinking about shot " + std::to_string(n - 1));
    } else {
      EXPECT_TRUE(shot["diagnostics"].empty());
    }
    EXPECT_EQ(shot["asked"]["curl"], (n - 1) % 2);
    EXPECT_NE(shot["asked"], shot["executed"]);  // noise 0.3 by default
  }
}

// Everything but the thinking times.
std::vector<json> WithoutTimes(std::vector<json> record) {
  for (json& line : record) line.erase("time_s");
  return record;
}

TEST(MatchProcess, SameSeedReplaysTheSameMatch) {
  TempDir dir;
  auto play = [&](const std::string& seed, const std::string& name) {
    MatchRun run = RunMatchProgram(dir, {"--ends", "2", "--games", "2", "--seed", seed, "--record",
                                         dir / name, Engine(), Engine()});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    return WithoutTimes(ReadRecord(dir / name));
  };
  auto first = play("123456789", "1.jsonl");
  auto second = play("123456789", "2.jsonl");
  auto other = play("987654321", "3.jsonl");
  ASSERT_EQ(first.size(), 1u + 64 + 2 + 1);
  EXPECT_EQ(first, second);
  ASSERT_EQ(other.size(), first.size());
  EXPECT_NE(OfType(first, "shot")[0]["executed"], OfType(other, "shot")[0]["executed"]);
}

// A fault of engine B: its reason, the games it forfeits, and the processes it used.
struct FaultCase {
  const char* name;
  std::string engineB;  // options of the test engine, or a whole command when `command`
  bool command;
  const char* reason;    // expected at the start of the recorded reason
  int shotsBeforeFault;  // shots in the record of the first game
};

TEST(MatchProcess, FaultsLoseByForfeitAndTheNextGameGetsAFreshProcess) {
  const FaultCase cases[] = {
      {"silent", "--mode silent", false, "no reply to GO within 0.5 s", 1},
      {"garbage", "--mode garbage", false, "invalid reply to GO: \"HELLO THERE\"", 1},
      {"not a number", "--mode bad-number", false, "invalid reply to GO: \"BESTSHOT nan", 1},
      {"bad curl", "--mode bad-curl", false, "invalid reply to GO: \"BESTSHOT 0.1 -2.3 2\"", 1},
      {"endless output", "--mode flood", false, "more than 1 MiB of output without a reply", 1},
      {"early exit", "--mode exit", false, "exited (exit status 7) while waiting for the reply", 1},
      {"late exit", "--mode exit --at-go 3", false, "exited (exit status 7)", 5},
      {"no READYOK", "--mode no-ready", false, "no reply to ISREADY within 0.5 s", 0},
      {"never reads", "--mode deaf", false, "did not read ISREADY within 0.5 s", 0},
      {"does not start", "/nonexistent/engine", true, "did not start: exit status 127", 0},
  };
  for (const FaultCase& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    std::string b = c.command ? c.engineB : Engine(c.engineB + " --pid-file " + dir / "b.pids");
    MatchRun run = RunMatchProgram(
        dir, {"--ends", "1", "--games", "2", "--time-limit", "0.5", "--seed", "1", "--record",
              dir / "r.jsonl", Engine("--pid-file " + dir / "a.pids"), b});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    auto record = ReadRecord(dir / "r.jsonl");
    auto games = OfType(record, "game");
    ASSERT_EQ(games.size(), 2u);
    for (const json& game : games) {
      ASSERT_EQ(game["forfeits"].size(), 1u) << game.dump();
      EXPECT_EQ(game["forfeits"][0]["engine"], "B");
      EXPECT_EQ(game["forfeits"][0]["reason"].get<std::string>().rfind(c.reason, 0), 0u)
          << game["forfeits"][0]["reason"];
      EXPECT_EQ(game["winner"], "A");
    }
    int firstGameShots = 0;
    for (const json& shot : OfType(record, "shot")) firstGameShots += shot["game"] == 1;
    EXPECT_EQ(firstGameShots, c.shotsBeforeFault);
    EXPECT_EQ(record.back()["engines"]["B"]["forfeits"], 2);
    EXPECT_NE(run.err.find("B forfeits"), std::string::npos);
    // A kept one process; B got a fresh one for the second game. None is left running.
    std::vector<long> a = ReadPids(dir / "a.pids");
    EXPECT_EQ(a.size(), 1u);
    std::vector<long> pids = a;
    if (!c.command) {
      std::vector<long> bPids = ReadPids(dir / "b.pids");
      ASSERT_EQ(bPids.size(), 2u);
      EXPECT_NE(bPids[0], bPids[1]);
      pids.insert(pids.end(), bPids.begin(), bPids.end());
    }
    for (long pid : pids) EXPECT_FALSE(Alive(pid)) << pid;
  }
}

TEST(MatchProcess, SlowButInTimeIsNoFault) {
  TempDir dir;
  // A answers late; B writes each reply in two pieces with a pause between them.
  MatchRun run = RunMatchProgram(
      dir, {"--ends", "1", "--time-limit", "20", "--record", dir / "r.jsonl",
            Engine("--mode slow --delay-ms 40"), Engine("--mode split --delay-ms 30")});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  auto record = ReadRecord(dir / "r.jsonl");
  EXPECT_TRUE(OfType(record, "game")[0]["forfeits"].empty());
  for (const json& shot : OfType(record, "shot")) {
    if (shot["engine"] == "A") {
      EXPECT_GE(shot["time_s"].get<double>(), 0.04);
    }
  }
}

// Waits (generously) until a file has `lines` lines.
bool WaitForLines(const std::string& path, std::size_t lines) {
  for (int i = 0; i < 2000; ++i) {
    if (ReadLines(path).size() >= lines) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

TEST(MatchProcess, InterruptKillsEveryEngine) {
  for (int signal : {SIGINT, SIGTERM}) {
    TempDir dir;
    pid_t runner = fork();
    if (runner == 0) {
      std::freopen("/dev/null", "w", stderr);
      // Engine B is slow to answer ISREADY and started through a shell pipeline, so that the
      // shell itself forks: the whole group must go.
      std::string a = Engine("--pid-file " + dir / "pids");
      std::string b = Engine("--ready-delay-ms 100000 --pid-file " + dir / "pids") + " | cat";
      execl(kMatchBin.c_str(), kMatchBin.c_str(), "--time-limit", "1000", a.c_str(), b.c_str(),
            static_cast<char*>(nullptr));
      _exit(127);
    }
    if (!WaitForLines(dir / "pids", 2)) {
      kill(runner, SIGKILL);
      waitpid(runner, nullptr, 0);
      FAIL() << "the engines did not start";
    }
    kill(runner, signal);
    int status = 0;
    waitpid(runner, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 128 + signal);
    for (long pid : ReadPids(dir / "pids")) EXPECT_FALSE(Alive(pid)) << pid;
  }
}

TEST(MatchProcess, RecordKeepsEveryShotPlayedWhenTheRunnerDies) {
  TempDir dir;
  const std::string record = dir / "r.jsonl";
  pid_t runner = fork();
  if (runner == 0) {
    std::freopen("/dev/null", "w", stderr);
    std::string a = Engine("--pid-file " + dir / "pids");
    // B stalls on its third shot, the sixth of the end.
    std::string b = Engine("--mode slow --delay-ms 100000 --at-go 3 --pid-file " + dir / "pids");
    execl(kMatchBin.c_str(), kMatchBin.c_str(), "--record", record.c_str(), a.c_str(), b.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  bool stalled = WaitForLines(record, 1 + 5);
  kill(runner, SIGKILL);  // no chance to clean up: as in a crash
  waitpid(runner, nullptr, 0);
  for (long pid : ReadPids(dir / "pids")) kill(static_cast<pid_t>(pid), SIGKILL);
  ASSERT_TRUE(stalled);
  auto lines = ReadRecord(record);  // every line is a whole JSON object
  ASSERT_EQ(lines.size(), 1u + 5);
  EXPECT_EQ(lines[0]["type"], "match");
  for (int shot = 1; shot <= 5; ++shot) EXPECT_EQ(lines[shot]["shot"], shot);
}

TEST(MatchProcess, ExitStatusFollowsUnixConventions) {
  TempDir dir;
  MatchRun help = RunMatchProgram(dir, {"--help"});
  EXPECT_EQ(help.exitStatus, 0);
  EXPECT_NE(help.out.find("ENGINE_A"), std::string::npos);
  for (std::vector<std::string> args : std::vector<std::vector<std::string>>{
           {}, {"one"}, {"--ends", "11", "a", "b"}, {"--bogus", "a", "b"}}) {
    MatchRun run = RunMatchProgram(dir, args);
    EXPECT_EQ(run.exitStatus, 2) << args.size();
    EXPECT_NE(run.err.find("curling-match"), std::string::npos);
    EXPECT_TRUE(run.out.empty());
  }
  MatchRun unwritable = RunMatchProgram(
      dir, {"--record", dir / "missing/dir/r.jsonl", Engine("--pid-file " + dir / "p"), Engine()});
  EXPECT_EQ(unwritable.exitStatus, 1);
  EXPECT_NE(unwritable.err.find("record"), std::string::npos);
}

}  // namespace
}  // namespace Match
