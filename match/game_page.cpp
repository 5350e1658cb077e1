#include "game_page.h"

#include <cstdio>

#include "house_svg.h"
#include "record.h"

namespace Match {

namespace {

constexpr const char* kStyle =
    "body{font-family:sans-serif;margin:24px;color:#222;background:#fff}"
    "table{border-collapse:collapse;margin:12px 0}"
    "th,td{border:1px solid #999;padding:4px 10px;text-align:center}"
    "td.name{text-align:left}"
    ".swatch{display:inline-block;width:14px;height:14px;border-radius:7px;"
    "border:1px solid #222;margin-right:6px;vertical-align:middle}"
    ".ends{display:flex;flex-wrap:wrap;gap:16px}"
    "figure{margin:0}figcaption{text-align:center}"
    ".forfeit{color:#b71c1c;font-weight:bold}";

std::string Number(int value) {
  return std::to_string(value);
}

std::string Padded(int value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%02d", value);
  return buffer;
}

std::string Head(const std::string& title) {
  return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\"/>\n<title>" +
         XmlEscape(title) + "</title>\n<style>" + kStyle + "</style>\n</head>\n<body>\n";
}

// "A wins 5-3", "drawn 4-4" or the forfeit text, in engine labels.
std::string ResultText(const GameResult& game) {
  std::string text;
  if (game.Forfeited()) {
    for (int side = 0; side < 2; ++side) {
      if (game.forfeit[side].empty()) continue;
      if (!text.empty()) text += "; ";
      text += kEngineLabels[game.engineOfSide[side]] + " forfeits: " + game.forfeit[side];
    }
    return text;
  }
  int points[2] = {0, 0};
  for (int score : game.endScores) points[score > 0 ? 0 : 1] += score > 0 ? score : -score;
  if (game.winnerSide < 0) return "drawn " + Number(points[0]) + "-" + Number(points[1]);
  int w = game.winnerSide;
  return kEngineLabels[game.engineOfSide[w]] + " wins " + Number(points[w]) + "-" +
         Number(points[1 - w]);
}

}  // namespace

std::string EndSvgName(int game, int end) {
  return "game-" + Padded(game + 1) + "-end-" + Padded(end + 1) + ".svg";
}

std::string GamePageName(int game) {
  return "game-" + Padded(game + 1) + ".html";
}

std::string GamePage(const GameResult& game, const std::array<std::string, 2>& names, int ends,
                     bool finished) {
  std::array<std::string, 2> nameOfSide{names[game.engineOfSide[0]], names[game.engineOfSide[1]]};
  std::array<std::string, 2> labelOfSide{kEngineLabels[game.engineOfSide[0]],
                                         kEngineLabels[game.engineOfSide[1]]};
  std::string html = Head("Game " + Number(game.game + 1));
  html += "<h1>Game " + Number(game.game + 1) + "</h1>\n";
  html += "<p><a href=\"index.html\">All games</a></p>\n";
  // Score board: one row per side, one column per end, then the total.
  html += "<table class=\"scoreboard\">\n<tr><th>Side</th><th>Engine</th>";
  for (int e = 0; e < ends; ++e) html += "<th>" + Number(e + 1) + "</th>";
  html += "<th>Total</th></tr>\n";
  for (int side = 0; side < 2; ++side) {
    html += "<tr><td><span class=\"swatch\" style=\"background:" + std::string(kSideColours[side]) +
            "\"></span>" + Number(side) + "</td>";
    html += "<td class=\"name\">" + XmlEscape(nameOfSide[side]) + "</td>";
    int total = 0;
    for (int e = 0; e < ends; ++e) {
      if (e >= static_cast<int>(game.endScores.size())) {
        html += "<td></td>";
        continue;
      }
      int score = game.endScores[e];
      int own = side == 0 ? (score > 0 ? score : 0) : (score < 0 ? -score : 0);
      total += own;
      html += "<td>" + Number(own) + "</td>";
    }
    html += "<td><b>" + Number(total) + "</b></td></tr>\n";
  }
  html += "</table>\n";
  const std::string result =
      finished ? ResultText(game)
               : "in progress: " + Number(static_cast<int>(game.endScores.size())) + " of " +
                     Number(ends) + " ends played";
  html += std::string("<p class=\"") + (game.Forfeited() ? "forfeit" : "result") + "\">" +
          XmlEscape(result) + "</p>\n";
  html += "<div class=\"ends\">\n";
  for (const EndPicture& end : game.ends) {
    html += "<figure>\n" + HouseSvg(end, labelOfSide) + "<figcaption><a href=\"" +
            EndSvgName(end.game, end.end) + "\">End " + Number(end.end + 1) +
            "</a></figcaption>\n</figure>\n";
  }
  html += "</div>\n</body>\n</html>\n";
  return html;
}

std::string IndexPage(const std::vector<GameResult>& games,
                      const std::array<std::string, 2>& names) {
  std::string html = Head("Match");
  html += "<h1>Match</h1>\n<ul>\n";
  for (int e = 0; e < 2; ++e) {
    html += "<li>" + kEngineLabels[e] + ": " + XmlEscape(names[e]) + "</li>\n";
  }
  html += "</ul>\n<table>\n<tr><th>Game</th><th>Side 0</th><th>Side 1</th><th>Result</th></tr>\n";
  for (const GameResult& game : games) {
    html += "<tr><td><a href=\"" + GamePageName(game.game) + "\">" + Number(game.game + 1) +
            "</a></td><td>" + kEngineLabels[game.engineOfSide[0]] + "</td><td>" +
            kEngineLabels[game.engineOfSide[1]] + "</td><td>" + XmlEscape(ResultText(game)) +
            "</td></tr>\n";
  }
  html += "</table>\n</body>\n</html>\n";
  return html;
}

}  // namespace Match
