#include "game.h"

#include <numeric>
#include <stdexcept>

#include "shot_seed.h"

namespace Match {

int GameResult::Total() const {
  return std::accumulate(endScores.begin(), endScores.end(), 0);
}

int WinnerOf(const GameResult& result) {
  bool lost0 = !result.forfeit[0].empty();
  bool lost1 = !result.forfeit[1].empty();
  if (lost0 || lost1) return lost0 && lost1 ? -1 : (lost0 ? 1 : 0);
  int total = result.Total();
  return total > 0 ? 0 : (total < 0 ? 1 : -1);
}

GameResult PlayGame(int game, const std::array<Player*, 2>& bySide,
                    const std::array<int, 2>& engineOfSide, const ShotPlayer& physics,
                    const GameSettings& settings, GameObserver& observer) {
  GameResult result;
  result.game = game;
  result.engineOfSide = engineOfSide;

  for (int side = 0; side < 2; ++side) {
    if (auto fault = bySide[side]->NewGame()) {
      result.forfeit[side] = fault->reason;
      bySide[side]->Abandon();
    }
  }

  CurlingStateRecord state{};
  int firstSide = 0;
  while (!result.Forfeited() && state.endNumber < settings.ends) {
    const int side = state.sideToMove ? 1 : 0;
    if (state.shotNumber == 0) firstSide = side;
    ShotEvent event;
    event.game = game;
    event.end = state.endNumber;
    event.shot = state.shotNumber;
    event.side = side;
    event.before = state;
    auto answer = bySide[side]->Move(state);
    if (auto* fault = std::get_if<Fault>(&answer)) {
      result.forfeit[side] = fault->reason;
      bySide[side]->Abandon();
      break;
    }
    auto& shot = std::get<ShotAnswer>(answer);
    event.asked = shot.release;
    event.seconds = shot.seconds;
    event.diagnostics = std::move(shot.diagnostics);
    event.seed = ShotSeed(settings.matchSeed, game, event.end, event.shot);
    if (physics.Play(state, event.asked, settings.noise, event.executed, event.seed) != 0) {
      throw std::runtime_error("the simulator rejected the position of game " +
                               std::to_string(game + 1) + ", end " + std::to_string(event.end + 1) +
                               ", shot " + std::to_string(event.shot + 1));
    }
    const bool nextShot = state.endNumber == event.end && state.shotNumber == event.shot + 1;
    const bool nextEnd =
        event.shot == 15 && state.endNumber == event.end + 1 && state.shotNumber == 0;
    if (!nextShot && !nextEnd) {
      throw std::runtime_error("the simulator did not advance the game by one shot");
    }
    event.after = state;
    event.runningScore = state.endScores[event.end];
    observer.OnShot(event);
    result.shots.push_back(event);

    if (state.endNumber != event.end) {
      EndPicture picture;
      picture.game = game;
      picture.end = event.end;
      picture.firstSide = firstSide;
      std::copy(std::begin(state.stones), std::end(state.stones), picture.stones.begin());
      picture.score = state.endScores[event.end];
      result.endScores.push_back(picture.score);
      result.ends.push_back(picture);
      observer.OnEnd(picture, result);
      for (StonePosition& stone : state.stones) stone = StonePosition{0.0f, 0.0f};
    }
  }

  for (int side = 0; side < 2; ++side) {
    if (result.forfeit[side].empty()) bySide[side]->GameOver();
  }
  result.winnerSide = WinnerOf(result);
  return result;
}

}  // namespace Match
