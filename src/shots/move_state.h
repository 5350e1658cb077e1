#pragma once

#include <string>
#include <string_view>

#include "curling_simulator.h"

namespace Curling {

// One candidate shot: the target that a shot family aimed at and the release vector that the
// simulator library computed for it when the record was made, so that the search can play it and
// the GO reply can print it without asking the library again. A plain value: copies carry their
// own label.
struct CurlingMoveState {
  ShotTarget target{};      // where the stone should come to rest or be hit; curl 0 or 1
  ShotVelocity velocity{};  // the release for `target`, from CreateShot or CreateHitShot
  std::string label;        // the shot family's label, e.g. "FREEZE"
  double power = 0.0;       // negative (-1) for a draw; 0 or more for a hit at that power (16)
  bool flag = false;        // false in every shot the engine makes; kept with the record

  // The shot of a root node: every number zero, empty label. Calls nothing.
  CurlingMoveState() = default;

  // A candidate aimed at (x, y), stored in single precision. Makes exactly one simulator call:
  // CreateHitShot with `power` as a float when power >= 0, CreateShot otherwise. Nothing is
  // checked; the library's result is taken as it comes.
  CurlingMoveState(double x, double y, std::string_view label, bool curl, int power, bool flag);
};

}  // namespace Curling
