#include "shots/candidate_node.h"

#include <cmath>

namespace Curling {

double UcbValue(double rate, std::uint32_t visits, std::uint32_t playouts) {
  return rate + kExploration * std::sqrt(std::log(static_cast<double>(playouts)) * 2.0 /
                                         static_cast<double>(visits));
}

void UCTState::ComputeUcb() {
  ucb = UcbValue(rate, visits, playouts);
}

}  // namespace Curling
