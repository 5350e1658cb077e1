#pragma once

#include <array>
#include <cstdint>
#include <istream>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "summary.h"

namespace Match {

// A record that cannot be used: a file that cannot be read, a malformed line (the message names
// the file and line) or records of different engines.
class RecordError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The finished games of the records read, rebuilt as the live runner had them.
struct RecordSet {
  std::array<std::string, 2> commands;   // engines A and B (a tournament's: empty)
  std::optional<Tournament> tournament;  // records of a tournament: its engines and schedule
  std::vector<MatchGame> games;          // each game once, ordered by match seed, then game number
  int duplicates = 0;                    // game lines of a game already read, left out
  int inProgress = 0;                    // games with shots but no game line, left out
  std::vector<std::string> warnings;     // one line each, for standard error
};

// Collects the games of JSON-lines records (written by RecordWriter) read one after another: the
// shards of a match, or any records of the same two engines; or the shards of one tournament,
// whose game lines must name the engines its schedule gives their game numbers. Games are keyed by
// (match seed, game number), so a record read twice adds nothing. Lines of different games may
// interleave; each line belongs to the match line above it in its file. Lines of an unknown type
// are skipped.
class RecordReader {
 public:
  // Reads one record; `name` is the file name for messages. Throws RecordError.
  void Read(std::istream& in, const std::string& name);
  // Everything read so far. Throws RecordError when no match line was read at all.
  RecordSet Result() const;

 private:
  // The match line the following lines of a file belong to.
  struct MatchLine {
    std::uint64_t seed = 0;
    int games = 0;
    int ends = 0;
    bool tournament = false;
  };
  // What the lines of one game gave.
  struct Entry {
    int ends = 0;
    std::array<int, 2> engines{0, 1};
    std::optional<GameResult> result;                // from its game line
    std::map<int, EndPicture> pictures;              // by end, from the shots that closed an end
    std::map<std::pair<int, int>, ShotEvent> shots;  // by end and shot
  };

  void ReadMatch(const nlohmann::json& line, const std::string& name);
  void ReadTournament(const nlohmann::json& line, const std::string& name, MatchLine& match);
  void ReadShot(const nlohmann::json& line, const MatchLine& match);
  void ReadGame(const nlohmann::json& line, const MatchLine& match);

  std::optional<std::array<std::string, 2>> commands_;
  std::optional<Tournament> tournament_;
  std::string commandsFrom_;  // the file the engines were first read from
  std::map<std::pair<std::uint64_t, int>, Entry> games_;
  int duplicates_ = 0;
  std::vector<std::string> warnings_;
};

// Reads the record files in order. Throws RecordError.
RecordSet ReadRecordFiles(const std::vector<std::string>& paths);

}  // namespace Match
