// Geometry of the sheet and the constants of the stone model, in metres and seconds. A C++ header
// beside the C interface: the engine and its tools take the sheet's geometry from here too.
#ifndef CURLING_SIMULATOR_SHEET_H
#define CURLING_SIMULATOR_SHEET_H

namespace curling_sim {

// Sheet coordinates: x across (side lines at 0 and 4.75), y along, growing toward the
// delivering end; a delivered stone travels toward smaller y.
inline constexpr double kSideLineLeft = 0.0;
inline constexpr double kSideLineRight = 4.75;
inline constexpr double kTeeX = 2.375;
inline constexpr double kTeeY = 4.88;
inline constexpr double kHouseRadius = 1.83;
inline constexpr double kStoneRadius = 0.145;
inline constexpr double kBackLineY = 3.05;
inline constexpr double kHogLineY = 11.28;
inline constexpr double kReleaseX = 2.375;
inline constexpr double kReleaseY = 33.23;

// A stone touches a side line when its centre is this close to it, and has completely crossed
// the back line (or the hog line) when its centre is one radius beyond it.
inline constexpr double kPlayMinX = kSideLineLeft + kStoneRadius;
inline constexpr double kPlayMaxX = kSideLineRight - kStoneRadius;
inline constexpr double kPlayMinY = kBackLineY - kStoneRadius;
inline constexpr double kHogCrossedY = kHogLineY - kStoneRadius;
// A stone counts (and is "in the house") when its centre is at most this far from the tee.
inline constexpr double kCountingRadius = kHouseRadius + kStoneRadius;

// Stone model (see simulator/README.md for the calibration):
// constant deceleration of a sliding stone, m/s^2;
inline constexpr double kDeceleration = 0.08;
// total change of heading of a rotating stone over one sliding phase (release or collision to
// rest), radians; the heading turns at a constant rate kTurn / (duration of the phase);
inline constexpr double kTurn = 0.4;
// coefficient of restitution of a stone-stone collision.
inline constexpr double kRestitution = 0.9;
// Release-to-tee distance: the draw that the execution error is calibrated on.
inline constexpr double kNoiseReferenceDistance = kReleaseY - kTeeY;

}  // namespace curling_sim

#endif  // CURLING_SIMULATOR_SHEET_H
