#pragma once

#include <array>
#include <string>
#include <string_view>

#include "game.h"

namespace Match {

// Text made safe for XML and HTML content and attribute values: markup characters escaped,
// control characters and bytes outside ASCII replaced by '?'.
std::string XmlEscape(std::string_view text);

// Fill colour of each side's stones (side 0, side 1).
inline constexpr std::array<const char*, 2> kSideColours{"#f2c200", "#c62828"};

// Drawing units of the pictures (1 unit = 1 cm): the sheet from just behind the back line to just
// past the far hog line, seen from the delivering end (the house at the top, the thrower's right
// on the right).
inline constexpr double kDrawingWidth = 475.0;
inline constexpr double kDrawingHeight = 885.0;
struct DrawingPoint {
  double x = 0.0;
  double y = 0.0;
};
// Where a sheet position (metres) lies in the drawing.
DrawingPoint ToDrawing(double x, double y);

// The sheet without stones as SVG elements: ice, rings, centre, tee, back and hog lines.
std::string SheetMarkings();

// The house at the close of an end as an <svg> element (no XML prolog): rings, lines, every stone
// in play coloured by side and numbered by its shot in the end (1 to 16), and a legend naming the
// engine of each side. Seen from the delivering end: the house at the top, the far hog line at
// the bottom, the thrower's right on the right.
std::string HouseSvg(const EndPicture& end, const std::array<std::string, 2>& nameOfSide);

// The same picture as a standalone SVG file.
std::string HouseSvgDocument(const EndPicture& end, const std::array<std::string, 2>& nameOfSide);

}  // namespace Match
