#pragma once

#include <signal.h>

#include <cerrno>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "test_support.h"

namespace Match::Testing {

inline const std::string kMatchBin = CURLING_MATCH_BIN;
inline const std::string kEngineBin = TEST_ENGINE_BIN;

// A test engine command line with the given options.
inline std::string Engine(const std::string& options = "") {
  return options.empty() ? kEngineBin : kEngineBin + " " + options;
}

// The outcome of one curling-match run.
struct MatchRun {
  int exitStatus = -1;  // -1 when it did not exit normally
  std::string out;
  std::string err;
};

inline MatchRun RunMatchProgram(const TempDir& dir, std::vector<std::string> args) {
  args.insert(args.begin(), kMatchBin);
  int status = RunProgram(args, dir / "stdout.txt", dir / "stderr.txt");
  MatchRun run;
  run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = ReadFile(dir / "stdout.txt");
  run.err = ReadFile(dir / "stderr.txt");
  return run;
}

inline std::vector<nlohmann::json> ReadRecord(const std::string& path) {
  std::vector<nlohmann::json> lines;
  for (const std::string& line : ReadLines(path)) lines.push_back(nlohmann::json::parse(line));
  return lines;
}

inline std::vector<nlohmann::json> OfType(const std::vector<nlohmann::json>& record,
                                          const std::string& type) {
  std::vector<nlohmann::json> found;
  for (const auto& line : record) {
    if (line["type"] == type) found.push_back(line);
  }
  return found;
}

inline std::vector<long> ReadPids(const std::string& path) {
  std::vector<long> pids;
  for (const std::string& line : ReadLines(path)) pids.push_back(std::stol(line));
  return pids;
}

// Whether a process still exists (a zombie waiting for its parent counts as gone).
inline bool Alive(long pid) {
  if (kill(static_cast<pid_t>(pid), 0) != 0) return errno != ESRCH;
  std::string stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
  std::size_t close = stat.rfind(')');
  return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] != 'Z';
}

}  // namespace Match::Testing
