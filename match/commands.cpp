#include "commands.h"

#include <cmath>
#include <cstdio>

namespace Match {

namespace {

void AppendCoordinate(std::string& text, float value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, " %.9g", std::isfinite(value) ? double{value} : 0.0);
  text += buffer;
}

}  // namespace

std::string FormatPosition(const CurlingStateRecord& state) {
  std::string text = "POSITION";
  for (const StonePosition& stone : state.stones) {
    AppendCoordinate(text, stone.x);
    AppendCoordinate(text, stone.y);
  }
  return text;
}

std::string FormatSetState(int shot, int end, int server, int side) {
  return "SETSTATE " + std::to_string(shot) + " " + std::to_string(end) + " " +
         std::to_string(server) + " " + std::to_string(side);
}

std::string FormatScore(int points) {
  return "SCORE " + std::to_string(points);
}

}  // namespace Match
