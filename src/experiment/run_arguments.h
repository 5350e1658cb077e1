#pragma once

#include <string>
#include <vector>

namespace Curling {

// What a "Run" command asks for, read from its tokens (the word, up to two counts, and the final
// line-feed token that the tokenizer appends):
//   Run            one game of ten ends
//   Run G          G games of ten ends
//   Run G E        G games of E ends
//   Run G E X ...  ignored: nothing is played, opened or written
// A count that does not convert makes the command a bad value; it is reported before any report
// file is touched, so the reports of an earlier run survive a mistyped command.
struct RunArguments {
  enum class Status {
    kAccepted,  // games and ends hold the counts to play
    kIgnored,   // more than two counts
    kBadValue,  // a count that is not a number or does not fit an int
  };

  Status status = Status::kAccepted;
  int games = 1;  // 0 or below: no game is played
  int ends = 10;  // ends per game; 0 or below: games without a shot; never above ten
};

// Applies the rules above, reading the counts with ParseInt (curling/parse_int.h). A count of ends
// above ten is played as ten: the game state scores ten ends and no more.
RunArguments ParseRunArguments(const std::vector<std::string>& tokens);

}  // namespace Curling
