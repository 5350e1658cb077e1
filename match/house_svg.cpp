#include "house_svg.h"

#include <cmath>
#include <cstdio>

#include "curling/sheet.h"

namespace Match {

namespace {

// The drawing's frame in sheet metres, and its scale (1 unit = 1 cm); the tee and the stone come
// from the sheet's geometry.
using Curling::kHouseRadius;
using Curling::kStoneRadius;
using Curling::kTeeX;
using Curling::kTeeY;
constexpr double kWidth = curling_sim::kSideLineRight;
constexpr double kTop = 2.75;     // just behind the back line
constexpr double kBottom = 11.6;  // just past the far hog line
constexpr double kBackLine = curling_sim::kBackLineY;
constexpr double kHogLine = curling_sim::kHogLineY;
constexpr double kScale = 100.0;
constexpr double kLegend = 90.0;  // legend band under the sheet, in drawing units

double ScreenX(double x) {
  return (kWidth - x) * kScale;
}
double ScreenY(double y) {
  return (y - kTop) * kScale;
}

std::string Format(const char* format, auto... values) {
  char buffer[512];
  std::snprintf(buffer, sizeof buffer, format, values...);
  return buffer;
}

bool Drawable(StonePosition stone) {
  if (!std::isfinite(stone.x) || !std::isfinite(stone.y)) return false;
  if (!Curling::InPlay(stone)) return false;
  return stone.y > kTop - kStoneRadius && stone.y < kBottom + kStoneRadius;
}

}  // namespace

std::string XmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    unsigned char byte = static_cast<unsigned char>(c);
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += (byte < 0x20 || byte >= 0x7f) ? '?' : c;
    }
  }
  return out;
}

DrawingPoint ToDrawing(double x, double y) {
  return {ScreenX(x), ScreenY(y)};
}

std::string SheetMarkings() {
  const double width = kWidth * kScale;
  const double sheet = (kBottom - kTop) * kScale;
  const double cx = ScreenX(kTeeX);
  const double cy = ScreenY(kTeeY);
  std::string svg = Format(
      "<rect x=\"0\" y=\"0\" width=\"%.0f\" height=\"%.0f\" fill=\"#eef5fb\" "
      "stroke=\"#555\" stroke-width=\"2\"/>\n",
      width, sheet);
  // Rings: twelve, eight and four feet, and the button.
  const struct {
    double radius;
    const char* fill;
  } rings[] = {{kHouseRadius, "#4a86d8"}, {1.22, "#ffffff"}, {0.61, "#e57373"}, {0.15, "#ffffff"}};
  for (const auto& ring : rings) {
    svg += Format(
        "<circle cx=\"%.1f\" cy=\"%.1f\" r=\"%.1f\" fill=\"%s\" stroke=\"#555\" "
        "stroke-width=\"1\"/>\n",
        cx, cy, ring.radius * kScale, ring.fill);
  }
  // Centre line, tee line, back line, hog line.
  svg += Format(
      "<line x1=\"%.1f\" y1=\"0\" x2=\"%.1f\" y2=\"%.0f\" stroke=\"#555\" "
      "stroke-width=\"1\"/>\n",
      cx, cx, sheet);
  for (double y : {kTeeY, kBackLine}) {
    svg += Format(
        "<line x1=\"0\" y1=\"%.1f\" x2=\"%.0f\" y2=\"%.1f\" stroke=\"#555\" "
        "stroke-width=\"1\"/>\n",
        ScreenY(y), width, ScreenY(y));
  }
  svg += Format(
      "<line x1=\"0\" y1=\"%.1f\" x2=\"%.0f\" y2=\"%.1f\" stroke=\"#b71c1c\" "
      "stroke-width=\"4\"/>\n",
      ScreenY(kHogLine), width, ScreenY(kHogLine));
  return svg;
}

std::string HouseSvg(const EndPicture& end, const std::array<std::string, 2>& nameOfSide) {
  const double width = kWidth * kScale;
  const double sheet = (kBottom - kTop) * kScale;
  std::string svg = Format(
      "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 %.0f %.0f\" width=\"%.0f\" "
      "height=\"%.0f\" font-family=\"sans-serif\">\n",
      width, sheet + kLegend, width * 0.6, (sheet + kLegend) * 0.6);
  svg += Format("<title>Game %d, end %d</title>\n", end.game + 1, end.end + 1);
  svg += SheetMarkings();
  // Stones, slot i being the stone of shot i: even slots belong to the side that led the end.
  for (int slot = 0; slot < 16; ++slot) {
    StonePosition stone = end.stones[slot];
    if (!Drawable(stone)) continue;
    int side = slot % 2 == 0 ? end.firstSide : 1 - end.firstSide;
    double x = ScreenX(stone.x);
    double y = ScreenY(stone.y);
    svg += Format(
        "<g class=\"stone side%d\"><circle cx=\"%.1f\" cy=\"%.1f\" r=\"%.1f\" "
        "fill=\"%s\" stroke=\"#222\" stroke-width=\"2\"/>"
        "<text x=\"%.1f\" y=\"%.1f\" font-size=\"14\" text-anchor=\"middle\" "
        "fill=\"#000\">%d</text></g>\n",
        side, x, y, kStoneRadius * kScale, kSideColours[side], x, y + 5.0, slot + 1);
  }
  // Legend: each side's colour and engine, then the end's score.
  for (int side = 0; side < 2; ++side) {
    double x = 20.0 + side * width / 2.0;
    svg += Format("<circle cx=\"%.1f\" cy=\"%.1f\" r=\"9\" fill=\"%s\" stroke=\"#222\"/>", x,
                  sheet + 22.0, kSideColours[side]);
    svg += Format("<text x=\"%.1f\" y=\"%.1f\" font-size=\"20\">", x + 16.0, sheet + 29.0);
    svg += XmlEscape(nameOfSide[side]) + Format(" (side %d)", side) + "</text>\n";
  }
  std::string score = end.score == 0
                          ? std::string("blank")
                          : Format("side %d scores %d", end.score > 0 ? 0 : 1, std::abs(end.score));
  svg += Format("<text x=\"20\" y=\"%.1f\" font-size=\"20\">End %d: ", sheet + 66.0, end.end + 1);
  svg += score + "</text>\n</svg>\n";
  return svg;
}

std::string HouseSvgDocument(const EndPicture& end, const std::array<std::string, 2>& nameOfSide) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + HouseSvg(end, nameOfSide);
}

}  // namespace Match
