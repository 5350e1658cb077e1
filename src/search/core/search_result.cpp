#include "search/core/search_result.h"

#include "curling/sheet.h"
#include "shots/shot_families.h"

namespace Curling {

ChosenShot FallbackShot() {
  return ChosenShot{CurlingMoveState(kTeeX, kTeeY, "TEE", true, kDrawPower, false)};
}

}  // namespace Curling
