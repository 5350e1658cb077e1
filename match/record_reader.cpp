#include "record_reader.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "record.h"

namespace Match {

using nlohmann::json;

namespace {

// A line that does not hold what its type promises; the reader adds the file and line.
class Malformed : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

int IntIn(const json& object, const char* key, int low, int high) {
  const json& value = object.at(key);
  if (!value.is_number_integer()) throw Malformed(std::string("\"") + key + "\" is not an integer");
  const auto number = value.get<std::int64_t>();
  if (number < low || number > high) {
    throw Malformed(std::string("\"") + key + "\" is out of range: " + value.dump());
  }
  return static_cast<int>(number);
}

// Engine label "A" or "B" to its index.
int EngineIndex(const json& label) {
  for (int e = 0; e < 2; ++e) {
    if (label == kEngineLabels[e]) return e;
  }
  throw Malformed("not an engine label: " + label.dump());
}

// A release as the record writes it: {"vx", "vy", "curl"}.
ShotVelocity ReleaseOf(const json& object) {
  ShotVelocity release{};
  release.vx = object.at("vx").get<float>();
  release.vy = object.at("vy").get<float>();
  release.curl = IntIn(object, "curl", 0, 1) != 0;
  return release;
}

// Sixteen stones [x, y] into a position.
void ReadStones(const json& stones, const char* key, CurlingStateRecord& state) {
  if (!stones.is_array() || stones.size() != 16) {
    throw Malformed(std::string("\"") + key + "\" does not hold 16 stones");
  }
  for (std::size_t i = 0; i < 16; ++i) {
    state.stones[i] = StonePosition{stones[i].at(0).get<float>(), stones[i].at(1).get<float>()};
  }
}

}  // namespace

void RecordReader::Read(std::istream& in, const std::string& name) {
  std::optional<MatchLine> match;
  std::string text;
  for (int number = 1; std::getline(in, text); ++number) {
    const std::string where = name + ":" + std::to_string(number);
    if (text.find_first_not_of(" \t\r") == std::string::npos) continue;
    json line = json::parse(text, nullptr, false);
    if (line.is_discarded() || !line.is_object()) {
      // A writer killed in the middle of a line leaves it without its line feed.
      if (in.eof()) {
        warnings_.push_back(where + ": the last line is cut short; ignored");
        break;
      }
      throw RecordError(where + ": not a JSON object");
    }
    try {
      const std::string type = line.at("type").get<std::string>();
      if (type == "match" || type == "tournament") {
        // What both a match line and a tournament line say of the run.
        match.emplace();
        const json& seed = line.at("seed");
        if (!seed.is_number_unsigned()) throw Malformed("\"seed\" is not a whole number");
        match->seed = seed.get<std::uint64_t>();
        match->games = IntIn(line, "games", 1, 1000000);
        match->ends = IntIn(line, "ends", 1, 10);
        if (type == "match") {
          ReadMatch(line, name);
        } else {
          ReadTournament(line, name, *match);
        }
      } else if (type == "shot" || type == "game") {
        if (!match) throw Malformed("a " + type + " line before the match line");
        if (type == "shot") {
          ReadShot(line, *match);
        } else {
          ReadGame(line, *match);
        }
      }
    } catch (const Malformed& error) {
      throw RecordError(where + ": malformed record line: " + error.what());
    } catch (const json::exception& error) {
      throw RecordError(where + ": malformed record line: " + error.what());
    }
  }
  if (in.bad()) throw RecordError("cannot read " + name);
  if (!match) warnings_.push_back(name + ": no match line; nothing read");
}

void RecordReader::ReadMatch(const json& line, const std::string& name) {
  std::array<std::string, 2> commands{line.at("engines").at("A").get<std::string>(),
                                      line.at("engines").at("B").get<std::string>()};
  if (tournament_) {
    throw RecordError("a match record and a tournament record: " + commandsFrom_ +
                      " is of a tournament, " + name + " of a match");
  }
  if (!commands_) {
    commands_ = commands;
    commandsFrom_ = name;
  } else if (*commands_ != commands) {
    throw RecordError("records of different engines: " + commandsFrom_ +
                      " has A: " + (*commands_)[0] + ", B: " + (*commands_)[1] + "; " + name +
                      " has A: " + commands[0] + ", B: " + commands[1]);
  }
}

void RecordReader::ReadTournament(const json& line, const std::string& name, MatchLine& match) {
  match.tournament = true;
  Tournament tournament;
  for (const json& engine : line.at("engines")) {
    tournament.engines.push_back(
        {engine.at("name").get<std::string>(), engine.at("command").get<std::string>()});
    if (tournament.IndexOf(tournament.engines.back().name) + 1 <
        static_cast<int>(tournament.engines.size())) {
      throw Malformed("the engine name " + engine.at("name").dump() + " is listed twice");
    }
  }
  for (const json& pairing : line.at("pairings")) {
    if (!pairing.is_array() || pairing.size() != 2) throw Malformed("a pairing of other than two");
    std::array<int, 2> ids{};
    for (int e = 0; e < 2; ++e) {
      ids[e] = tournament.IndexOf(pairing[e].get<std::string>());
      if (ids[e] < 0) throw Malformed("a pairing names no listed engine: " + pairing.dump());
    }
    if (ids[0] == ids[1]) throw Malformed("a pairing of an engine with itself");
    tournament.pairings.push_back(ids);
  }
  tournament.pairs = IntIn(line, "pairs", 1, 1000000);
  if (tournament.Games() != match.games) {
    throw Malformed("\"games\" is not 2 x pairs x pairings: " + std::to_string(match.games));
  }
  if (commands_) {
    throw RecordError("a match record and a tournament record: " + commandsFrom_ +
                      " is of a match, " + name + " of a tournament");
  }
  if (!tournament_) {
    tournament_ = std::move(tournament);
    commandsFrom_ = name;
  } else if (*tournament_ != tournament) {
    throw RecordError("records of different tournaments (engines, pairings or pairs): " +
                      commandsFrom_ + " and " + name);
  }
}

void RecordReader::ReadShot(const json& line, const MatchLine& match) {
  const int game = IntIn(line, "game", 1, match.games) - 1;
  const int end = IntIn(line, "end", 1, match.ends) - 1;
  const int shot = IntIn(line, "shot", 1, 16) - 1;
  const int side = IntIn(line, "side", 0, 1);
  ShotEvent event;
  event.game = game;
  event.end = end;
  event.shot = shot;
  event.side = side;
  event.asked = ReleaseOf(line.at("asked"));
  event.executed = ReleaseOf(line.at("executed"));
  event.seed = line.at("seed").get<int>();
  event.before.endNumber = end;
  event.before.shotNumber = shot;
  event.before.sideToMove = side != 0;
  ReadStones(line.at("before"), "before", event.before);
  ReadStones(line.at("after"), "after", event.after);
  const json& scores = line.at("end_scores");
  if (!scores.is_array() || scores.size() != 10) throw Malformed("\"end_scores\" is not 10 ends");
  for (std::size_t e = 0; e < 10; ++e) event.after.endScores[e] = scores[e].get<int>();
  event.runningScore = IntIn(line, "running_score", -8, 8);
  event.seconds = line.at("time_s").get<double>();
  event.diagnostics = line.at("diagnostics").get<std::vector<std::string>>();
  Entry& entry = games_[{match.seed, game}];
  entry.shots[{end, shot}] = event;
  if (shot != 15) return;
  // The last shot of an end: the house as the end closed, as PlayGame pictures it. Sides
  // alternate within an end, so the side of shot 16 is not the one that delivered shot 1.
  EndPicture picture;
  picture.game = game;
  picture.end = end;
  picture.firstSide = 1 - side;
  std::copy(std::begin(event.after.stones), std::end(event.after.stones), picture.stones.begin());
  picture.score = event.runningScore;
  entry.pictures[end] = picture;
}

void RecordReader::ReadGame(const json& line, const MatchLine& match) {
  GameResult game;
  game.game = IntIn(line, "game", 1, match.games) - 1;
  const json& sides = line.at("sides");
  if (!sides.is_array() || sides.size() != 2) throw Malformed("\"sides\" is not two engines");
  game.engineOfSide = {EngineIndex(sides[0]), EngineIndex(sides[1])};
  if (game.engineOfSide[0] == game.engineOfSide[1]) throw Malformed("one engine on both sides");
  game.endScores = line.at("end_scores").get<std::vector<int>>();
  if (static_cast<int>(game.endScores.size()) > match.ends) {
    throw Malformed("more end scores than the match has ends");
  }
  if (line.at("total").get<int>() != game.Total()) {
    throw Malformed("\"total\" is not the sum of the end scores");
  }
  for (const json& forfeit : line.at("forfeits")) {
    const int side = IntIn(forfeit, "side", 0, 1);
    if (EngineIndex(forfeit.at("engine")) != game.engineOfSide[side]) {
      throw Malformed("a forfeit names the engine of the other side");
    }
    game.forfeit[side] = forfeit.at("reason").get<std::string>();
    if (game.forfeit[side].empty()) throw Malformed("a forfeit without its reason");
  }
  // The winner follows from the forfeits and the total by the runner's own rule: a line that
  // names another (a winner against the points, none after a single forfeit, or the engine that
  // forfeited) is not one the runner wrote.
  game.winnerSide = WinnerOf(game);
  const json& winner = line.at("winner");
  const json expected =
      game.winnerSide < 0 ? json(nullptr) : json(kEngineLabels[game.engineOfSide[game.winnerSide]]);
  if (winner != expected) {
    throw Malformed("\"winner\" is " + winner.dump() + " where the forfeits and the total give " +
                    expected.dump());
  }
  std::array<int, 2> engines{0, 1};
  if (match.tournament) {
    // The schedule decides which engines play a game; a line naming others is not the runner's.
    const std::array<int, 2>& pairing = tournament_->PairingOfGame(game.game);
    const json expected =
        json::array({tournament_->engines[pairing[0]].name, tournament_->engines[pairing[1]].name});
    const auto found = line.find("engines");
    if (found == line.end()) throw Malformed("a tournament's game line without \"engines\"");
    if (*found != expected) {
      throw Malformed("\"engines\" is " + found->dump() + " where the tournament's schedule has " +
                      expected.dump() + " for game " + std::to_string(game.game + 1));
    }
    engines = pairing;
  }
  Entry& entry = games_[{match.seed, game.game}];
  if (entry.result) {
    ++duplicates_;
    return;
  }
  entry.ends = match.ends;
  entry.engines = engines;
  entry.result = std::move(game);
}

RecordSet RecordReader::Result() const {
  if (!commands_ && !tournament_) throw RecordError("no match line in the records read");
  RecordSet set;
  if (commands_) set.commands = *commands_;
  set.tournament = tournament_;
  set.duplicates = duplicates_;
  set.warnings = warnings_;
  for (const auto& [key, entry] : games_) {
    if (!entry.result) {
      ++set.inProgress;
      continue;
    }
    MatchGame game{key.first, entry.ends, *entry.result, entry.engines};
    for (const auto& [end, picture] : entry.pictures) game.result.ends.push_back(picture);
    for (const auto& [number, shot] : entry.shots) game.result.shots.push_back(shot);
    set.games.push_back(std::move(game));
  }
  if (set.duplicates > 0) {
    set.warnings.push_back(std::to_string(set.duplicates) +
                           " game(s) read more than once (the same match seed and game number); "
                           "each counted once");
  }
  if (set.inProgress > 0) {
    set.warnings.push_back(std::to_string(set.inProgress) +
                           " game(s) still in progress (shots but no game line); left out");
  }
  return set;
}

RecordSet ReadRecordFiles(const std::vector<std::string>& paths) {
  RecordReader reader;
  for (const std::string& path : paths) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
      throw RecordError("cannot read " + path + ": it is a directory");
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) throw RecordError("cannot read " + path + ": " + std::strerror(errno));
    reader.Read(in, path);
  }
  return reader.Result();
}

}  // namespace Match
