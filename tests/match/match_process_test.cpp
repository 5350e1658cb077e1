// curling-match run as a child process against the test engine.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <set>
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

// Which replies are invalid is reply_scan_test's table: "garbage" stands for them all here.
TEST(MatchProcess, FaultsLoseByForfeitAndTheNextGameGetsAFreshProcess) {
  const FaultCase cases[] = {
      {"silent", "--mode silent", false, "no reply to GO within 0.5 s", 1},
      {"garbage", "--mode garbage", false, "invalid reply to GO: \"HELLO THERE\"", 1},
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

// The shots and games of some records, times aside, in a fixed order: what was played, whatever
// order the games finished in and however the match was split.
std::vector<std::string> PlayedLines(const std::vector<std::vector<json>>& records) {
  std::vector<std::string> lines;
  for (const auto& record : records) {
    for (json line : record) {
      if (line["type"] != "shot" && line["type"] != "game") continue;
      line.erase("time_s");
      lines.push_back(line.dump());
    }
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

TEST(MatchProcess, ConcurrentSlotsPlayTheSameMatch) {
  TempDir dir;
  auto play = [&](std::vector<std::string> args) {
    std::vector<std::string> common = {"--ends", "1", "--games", "8", "--seed", "99"};
    args.insert(args.begin(), common.begin(), common.end());
    return RunMatchProgram(dir, args);
  };
  MatchRun one = play({"--record", dir / "1.jsonl", Engine(), Engine()});
  // The A engines answer READYOK only once three of them have started, so the match can only
  // get under way with three games at once.
  MatchRun three = play({"--concurrency", "3", "--record", dir / "3.jsonl",
                         Engine("--pid-file " + dir / "pids" + " --rendezvous " + dir / "r" + " 3"),
                         Engine("--pid-file " + dir / "pids")});
  ASSERT_EQ(one.exitStatus, 0) << one.err;
  ASSERT_EQ(three.exitStatus, 0) << three.err;
  auto serial = ReadRecord(dir / "1.jsonl");  // every line parses
  auto parallel = ReadRecord(dir / "3.jsonl");
  ASSERT_EQ(OfType(serial, "game").size(), 8u);
  EXPECT_EQ(parallel.front()["concurrency"], 3);
  EXPECT_EQ(PlayedLines({serial}), PlayedLines({parallel}));
  EXPECT_EQ(parallel.back()["type"], "summary");
  EXPECT_EQ(serial.back(), parallel.back());
  // Progress lines stay whole: the seed, a line per shot and per game, the closing table.
  std::istringstream progress(three.err);
  std::map<std::string, int> kinds;
  for (std::string line; std::getline(progress, line);) {
    ++kinds[line.substr(0, line.find(' ')) + (line.find(" shot ") != std::string::npos ? "+" : "")];
  }
  EXPECT_EQ(kinds,
            (std::map<std::string, int>{
                {"match", 1}, {"game+", 8 * 16}, {"game", 8}, {"A:", 1}, {"B:", 1}, {"Elo", 1}}));
  // One pair of engines per slot, kept from game to game; none left running.
  std::vector<long> pids = ReadPids(dir / "pids");
  EXPECT_EQ(pids.size(), 6u);
  for (long pid : pids) EXPECT_FALSE(Alive(pid)) << pid;
}

TEST(MatchProcess, ShardsAndWavesTogetherPlayTheWholeMatch) {
  TempDir dir;
  const std::vector<std::string> match = {"--ends", "1", "--seed", "5"};
  auto play = [&](const std::string& record, std::vector<std::string> args) {
    args.insert(args.begin(), match.begin(), match.end());
    for (const std::string& a : {std::string("--record"), dir / record, Engine(), Engine()}) {
      args.push_back(a);
    }
    MatchRun run = RunMatchProgram(dir, args);
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    return std::make_pair(run, ReadRecord(dir / record));
  };
  auto whole = play("whole.jsonl", {"--games", "7"}).second;
  std::vector<std::vector<json>> shards;
  for (int index = 0; index < 3; ++index) {
    auto [run, record] =
        play(std::to_string(index) + ".jsonl",
             {"--games", "7", "--concurrency", "2", "--shard", std::to_string(index) + "/3"});
    ASSERT_FALSE(record.empty());
    EXPECT_EQ(record.front()["shard"], json({{"index", index}, {"count", 3}}));
    EXPECT_EQ(record.front()["games"], 7);
    for (const json& game : OfType(record, "game")) {
      EXPECT_EQ((game["game"].get<int>() - 1) % 3, index);
      // Progress keeps the game numbers of the whole match.
      EXPECT_NE(run.err.find("game " + game["game"].dump() + "/7 end 1/1"), std::string::npos);
    }
    shards.push_back(record);
  }
  EXPECT_EQ(PlayedLines(shards), PlayedLines({whole}));
  // The record's closing line takes its interval over game pairs, as the summary does.
  const json summary =
      json::parse(RunMatchProgram(dir, {"summary", "--json", dir / "whole.jsonl"}).out);
  const json& ci95 = whole.back()["engines"]["B"]["ci95"];
  EXPECT_FALSE(ci95.is_null());
  EXPECT_EQ(ci95, summary["engines"]["B"]["score_diff_per_game"]["ci95"]);

  // Waves: games 1 to 4, then 5 to 7 over two shards; their summary counts every game once.
  const std::vector<std::string> waves = {"wave1.jsonl", "wave2-0.jsonl", "wave2-1.jsonl"};
  std::vector<std::vector<json>> waveRecords = {play(waves[0], {"--games", "4"}).second};
  for (int index = 0; index < 2; ++index) {
    waveRecords.push_back(play(waves[1 + index], {"--games", "7", "--first-game", "5", "--shard",
                                                  std::to_string(index) + "/2"})
                              .second);
    EXPECT_EQ(waveRecords.back().front()["first_game"], 5);
  }
  EXPECT_EQ(PlayedLines(waveRecords), PlayedLines({whole}));
  MatchRun wholeSummary = RunMatchProgram(dir, {"summary", "--json", dir / "whole.jsonl"});
  MatchRun waveSummary =
      RunMatchProgram(dir, {"summary", "--json", dir / waves[0], dir / waves[1], dir / waves[2]});
  EXPECT_EQ(waveSummary.exitStatus, 0) << waveSummary.err;
  EXPECT_EQ(waveSummary.err, "");
  EXPECT_EQ(waveSummary.out, wholeSummary.out);

  // A shard without a game of its own: a match line, a summary and nothing played.
  auto empty = play("empty.jsonl", {"--games", "7", "--shard", "7/8"}).second;
  ASSERT_EQ(empty.size(), 2u);
  EXPECT_EQ(empty[1]["type"], "summary");
  EXPECT_EQ(empty[1]["engines"]["A"]["games_played_out"], 0);
}

// curling-match started in the background, its output in files of `dir`.
pid_t StartMatchProgram(const TempDir& dir, std::vector<std::string> args) {
  args.insert(args.begin(), kMatchBin);
  pid_t child = fork();
  if (child == 0) {
    if (!std::freopen((dir / "stdout.txt").c_str(), "w", stdout) ||
        !std::freopen((dir / "stderr.txt").c_str(), "w", stderr)) {
      _exit(126);
    }
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  return child;
}

// The exit status of a background run; -1 when it was killed by a signal or is still running
// after a bound far beyond anything it needs (it is then killed: a hang fails the test instead
// of stalling the suite).
int ExitStatusWithin(pid_t runner, std::chrono::seconds bound) {
  int status = 0;
  for (auto until = std::chrono::steady_clock::now() + bound;
       waitpid(runner, &status, WNOHANG) == 0;) {
    if (std::chrono::steady_clock::now() > until) {
      kill(runner, SIGKILL);
      waitpid(runner, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(MatchProcess, InterruptStopsEverySlot) {
  TempDir dir;
  // B stalls on its second GO: after shots 1-3 of game 1 and shots 1-2 of game 2 both slots
  // wait for it. The signal wakes one of them; the other must stop all the same.
  const std::string record = dir / "r.jsonl";
  pid_t runner = StartMatchProgram(
      dir, {"--concurrency", "2", "--games", "4", "--time-limit", "1000", "--record", record,
            Engine("--pid-file " + dir / "pids"),
            Engine("--mode slow --delay-ms 100000 --at-go 2 --pid-file " + dir / "pids")});
  if (!WaitForLines(record, 1 + 5)) {
    kill(runner, SIGKILL);
    waitpid(runner, nullptr, 0);
    FAIL() << "the slots did not reach their stalls";
  }
  kill(runner, SIGTERM);
  EXPECT_EQ(ExitStatusWithin(runner, std::chrono::seconds(30)), 143);
  std::vector<long> pids = ReadPids(dir / "pids");
  EXPECT_EQ(pids.size(), 4u);
  for (long pid : pids) EXPECT_FALSE(Alive(pid)) << pid;
  auto lines = ReadRecord(record);  // whole lines only
  ASSERT_EQ(lines.size(), 1u + 5);
  EXPECT_EQ(OfType(lines, "shot").size(), 5u);
}

TEST(MatchProcess, FailureInOneSlotStopsEverySlot) {
  TempDir dir;
  // The first A process to start stalls on its last shot of the end; the other game reaches its
  // end picture, which cannot be written (a directory is in its place), and must stop both slots.
  for (const char* svg : {"game-01-end-01.svg", "game-02-end-01.svg"}) {
    std::filesystem::create_directories(dir.path() / "pics" / svg);
  }
  const std::string pids = " --pid-file " + dir / "pids";
  const std::string a = "if mkdir " + dir / "first" + " 2>/dev/null; then exec " +
                        Engine("--mode slow --delay-ms 100000 --at-go 8" + pids) + "; else exec " +
                        Engine(pids) + "; fi";
  pid_t runner = StartMatchProgram(
      dir, {"--concurrency", "2", "--games", "2", "--ends", "1", "--time-limit", "1000",
            "--pictures", dir / "pics", "--record", dir / "r.jsonl", a, Engine(pids)});
  EXPECT_EQ(ExitStatusWithin(runner, std::chrono::seconds(30)), 1);
  EXPECT_NE(ReadFile(dir / "stderr.txt").find("cannot write"), std::string::npos);
  // The stalling A and both engines of the failing game; the stalled game's B may not have
  // started yet when the failure stops the match (a slot starts its engines one after the other).
  std::vector<long> started = ReadPids(dir / "pids");
  EXPECT_GE(started.size(), 3u);
  EXPECT_LE(started.size(), 4u);
  for (long pid : started) EXPECT_FALSE(Alive(pid)) << pid;
  auto lines = ReadRecord(dir / "r.jsonl");
  EXPECT_TRUE(OfType(lines, "game").empty());
  EXPECT_TRUE(OfType(lines, "summary").empty());
}

}  // namespace
}  // namespace Match

namespace Match {
namespace {

// B forfeits every game (it answers GO with garbage), so A wins every pair and the test of 0
// against 400 Elo accepts H1 at its first chance, the minimum of pairs: no new game starts, and
// with two slots the games still running finish and are recorded whole. Four games are too few.
// On points: B's draws to a corner never score, so A makes about 7.5 points an end.
TEST(MatchProcess, SequentialTestStopsTheMatchAtTheVerdict) {
  const int minGames = 2 * 10;  // kSprtMinPairs pairs
  const struct {
    const char* test;
    const char* games;
    const char* concurrency;
    const char* modeOfB;
    int least, most;  // games played
    std::string verdict;
  } rows[] = {{"--sprt=0,400", "200", "1", "garbage", minGames, minGames, "accept H1"},
              // the other slot's running game, or two when the deciding pair finished out of order
              {"--sprt=0,400", "200", "2", "garbage", minGames, minGames + 2, "accept H1"},
              {"--sprt=0,400", "4", "1", "garbage", 4, 4, "bound not reached"},
              {"--sprt-points=0,5", "200", "1", "short", minGames, minGames, "accept H1"}};
  for (const auto& row : rows) {
    TempDir dir;
    MatchRun run =
        RunMatchProgram(dir, {"--ends", "1", "--games", row.games, "--seed", "8", row.test,
                              "--concurrency", row.concurrency, "--record", dir / "r.jsonl",
                              Engine(), Engine(std::string("--mode ") + row.modeOfB)});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    auto record = ReadRecord(dir / "r.jsonl");
    std::set<int> numbers;
    for (const auto& game : OfType(record, "game")) numbers.insert(game["game"].get<int>());
    for (const auto& shot : OfType(record, "shot")) EXPECT_TRUE(numbers.count(shot["game"]));
    const int played = static_cast<int>(numbers.size());
    EXPECT_GE(played, row.least);
    EXPECT_LE(played, row.most);
    EXPECT_EQ(OfType(record, "game").size(), numbers.size());
    EXPECT_EQ(*numbers.rbegin(), played);  // games 1 to `played`, none skipped
    ASSERT_GE(record.size(), 2u);
    const json& sprt = record[record.size() - 2];
    EXPECT_EQ(sprt["type"],
              std::string(row.test).find("points") != std::string::npos ? "sprt_points" : "sprt");
    EXPECT_EQ(sprt["verdict"], row.verdict);
    EXPECT_EQ(sprt["games_played"], played);
    EXPECT_EQ(record.back()["engines"]["A"]["wins"], played);
    EXPECT_NE(run.err.find("sprt: llr"), std::string::npos);  // progress after every pair
    EXPECT_NE(run.err.find("sprt: " + row.verdict + " after " + std::to_string(played) + " of " +
                           row.games + " games"),
              std::string::npos)
        << run.err;
  }
}

}  // namespace
}  // namespace Match
