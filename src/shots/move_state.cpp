#include "shots/move_state.h"

namespace Curling {

CurlingMoveState::CurlingMoveState(double x, double y, std::string_view label, bool curl, int power,
                                   bool flag)
    : label(label), power(power), flag(flag) {
  target.x = static_cast<float>(x);
  target.y = static_cast<float>(y);
  target.curl = curl;
  if (this->power >= 0.0) {
    CreateHitShot(target, static_cast<float>(this->power), &velocity);
  } else {
    CreateShot(target, &velocity);
  }
}

}  // namespace Curling
