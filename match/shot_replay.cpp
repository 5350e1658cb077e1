#include "shot_replay.h"

#include <stdexcept>

#include "record_shot.h"

namespace Match {

ShotReplay ReplayShot(const ShotEvent& shot, double spacing) {
  CurlingStateRecord state = shot.before;
  state.endNumber = shot.end;
  state.shotNumber = shot.shot;
  state.sideToMove = shot.side != 0;
  curling_sim::ShotTrace trace;
  if (curling_sim::PlayRecordShot(state, shot.executed, &trace) != 0) {
    throw std::runtime_error("cannot replay shot " + std::to_string(shot.shot + 1) + " of end " +
                             std::to_string(shot.end + 1));
  }
  ShotReplay replay;
  std::copy(std::begin(state.stones), std::end(state.stones), replay.after.begin());
  for (int slot = 0; slot < curling_sim::kStoneCount; ++slot) {
    std::vector<curling_sim::Vec> points = curling_sim::SampleTrack(trace.stones[slot], spacing);
    if (points.empty()) continue;
    ShotReplay::Path path{slot, {}};
    for (const curling_sim::Vec& p : points) {
      path.points.push_back({static_cast<float>(p.x), static_cast<float>(p.y)});
    }
    replay.paths.push_back(std::move(path));
  }
  return replay;
}

}  // namespace Match
