#include "game_page.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "game_viewer_script.h"
#include "house_svg.h"
#include "live_sprt.h"
#include "record.h"
#include "shot_replay.h"
#include "summary.h"
#include "tournament_summary.h"

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
    ".forfeit{color:#b71c1c;font-weight:bold}"
    ".viewer{display:flex;flex-wrap:wrap;gap:24px;align-items:flex-start}"
    ".panel{max-width:640px}.panel th{text-align:left}.panel td{text-align:left}"
    ".end-cell{cursor:pointer}"
    "pre{background:#f4f4f4;padding:8px;max-height:320px;overflow:auto;white-space:pre-wrap}"
    "svg.llr text{font-size:12px}";

// Spacing of the points along a drawn path, metres.
constexpr double kPathSpacing = 0.1;
// Path points further than this from the hog line toward the thrower are not drawn (the sheet
// is drawn up to just past the hog line), metres of y.
constexpr double kPathCutY = 11.8;

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

std::string Format(const char* format, auto... values) {
  char buffer[256];
  std::snprintf(buffer, sizeof buffer, format, values...);
  return buffer;
}

// "vx +0.0312, vy -2.1345 m/s, curl 1".
std::string ReleaseText(const ShotVelocity& release) {
  return Format("vx %+.4f, vy %+.4f m/s, curl %d", double{release.vx}, double{release.vy},
                release.curl ? 1 : 0);
}

// The game's score after a shot, each side's points of the ends closed so far, and the end's
// running score: "side 0 (A) 3, side 1 (B) 1; end 2: side 0 lies 2".
std::string ScoreText(const ShotEvent& shot, const std::array<std::string, 2>& labelOfSide) {
  int points[2] = {0, 0};
  const int closed = shot.shot == 15 ? shot.end + 1 : shot.end;
  for (int e = 0; e < closed; ++e) {
    const int score = shot.after.endScores[e];
    points[score > 0 ? 0 : 1] += std::abs(score);
  }
  std::string text = Format("side 0 (%s) %d, side 1 (%s) %d; end %d: ", labelOfSide[0].c_str(),
                            points[0], labelOfSide[1].c_str(), points[1], shot.end + 1);
  const int running = shot.runningScore;
  const char* verb = shot.shot == 15 ? "scores" : "lies";
  if (running == 0) return text + (shot.shot == 15 ? "blank" : "no stone counts");
  return text + Format("side %d %s %d", running > 0 ? 0 : 1, verb, std::abs(running));
}

// The points of a path in drawing units as SVG path data, from the last point before it comes
// into the drawing.
std::string PathData(const std::vector<StonePosition>& points) {
  std::size_t first = 0;
  while (first + 1 < points.size() && points[first + 1].y > kPathCutY) ++first;
  std::string data;
  for (std::size_t i = first; i < points.size(); ++i) {
    const DrawingPoint p = ToDrawing(points[i].x, points[i].y);
    data += Format(i == first ? "M%.1f %.1f" : (i == first + 1 ? "L%.1f %.1f" : " %.1f %.1f"), p.x,
                   p.y);
  }
  return data;
}

// One shot as the page's script shows it: texts, stones at rest and the paths of the moving
// stones, replayed with the simulator's model.
nlohmann::json ShotJson(const ShotEvent& shot, const GameResult& game,
                        const std::array<std::string, 2>& names) {
  const std::array<std::string, 2> labelOfSide{kEngineLabels[game.engineOfSide[0]],
                                               kEngineLabels[game.engineOfSide[1]]};
  // Slots of the parity of the shot belong to the side that threw it.
  auto sideOfSlot = [&](int slot) {
    return (slot - shot.shot) % 2 == 0 ? shot.side : 1 - shot.side;
  };
  const ShotReplay replay = ReplayShot(shot, kPathSpacing);
  nlohmann::json stones = nlohmann::json::array();
  for (int slot = 0; slot < 16; ++slot) {
    const StonePosition stone = shot.after.stones[slot];
    if (!std::isfinite(stone.x) || !std::isfinite(stone.y) || (stone.x <= 0 && stone.y <= 0)) {
      continue;
    }
    const DrawingPoint p = ToDrawing(stone.x, stone.y);
    stones.push_back(
        {slot + 1, sideOfSlot(slot), std::round(p.x * 10) / 10, std::round(p.y * 10) / 10});
  }
  nlohmann::json paths = nlohmann::json::array();
  // A struck stone's path also carries where it lay, so that the page can mark the spot.
  for (const ShotReplay::Path& path : replay.paths) {
    nlohmann::json entry{sideOfSlot(path.slot), PathData(path.points)};
    if (path.slot != shot.shot) {
      const DrawingPoint start = ToDrawing(path.points.front().x, path.points.front().y);
      entry.push_back(std::round(start.x * 10) / 10);
      entry.push_back(std::round(start.y * 10) / 10);
    }
    paths.push_back(entry);
  }
  return {{"end", shot.end + 1},
          {"shot", shot.shot + 1},
          {"thrower", Format("side %d (%s), ", shot.side, shot.side == 0 ? "yellow" : "red") +
                          names[game.engineOfSide[shot.side]]},
          {"asked", ReleaseText(shot.asked)},
          {"executed", ReleaseText(shot.executed)},
          {"score", ScoreText(shot, labelOfSide)},
          {"time", Format("%.3f s", shot.seconds)},
          {"diagnostics", shot.diagnostics},
          {"stones", stones},
          {"paths", paths}};
}

// JSON text that can sit in a <script> element of a page that is also well-formed XML: every
// character that could end the element or start markup is written as a \u escape (they only
// occur inside strings), and everything outside ASCII too.
std::string ScriptSafeJson(const nlohmann::json& value) {
  const std::string text = value.dump(-1, ' ', true, nlohmann::json::error_handler_t::replace);
  std::string out;
  for (char c : text) {
    if (c == '<') {
      out += "\\u003c";
    } else if (c == '>') {
      out += "\\u003e";
    } else if (c == '&') {
      out += "\\u0026";
    } else {
      out += c;
    }
  }
  return out;
}

// The shot viewer: the sheet the script draws on, the buttons and the shot's details.
std::string Viewer(const GameResult& game, const std::array<std::string, 2>& names, int ends) {
  nlohmann::json shots = nlohmann::json::array();
  for (const ShotEvent& shot : game.shots) shots.push_back(ShotJson(shot, game, names));
  const nlohmann::json data{
      {"ends", ends}, {"colours", {kSideColours[0], kSideColours[1]}}, {"shots", shots}};
  std::string html = "<div class=\"viewer\">\n";
  html += Format(
      "<svg id=\"sheet\" xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 %.0f %.0f\" "
      "width=\"%.0f\" height=\"%.0f\" font-family=\"sans-serif\">\n",
      kDrawingWidth, kDrawingHeight, kDrawingWidth * 0.8, kDrawingHeight * 0.8);
  html += "<title>Game " + Number(game.game + 1) + ", shot by shot</title>\n" + SheetMarkings();
  html += "<g id=\"paths\"></g>\n<g id=\"stones\"></g>\n</svg>\n<div class=\"panel\">\n";
  html +=
      "<p><button id=\"prev\" type=\"button\">&#8592; previous</button> "
      "<button id=\"next\" type=\"button\">next &#8594;</button> "
      "<label>end <select id=\"end-jump\">";
  for (int e = 1; e <= ends; ++e) {
    html += "<option value=\"" + Number(e) + "\">" + Number(e) + "</option>";
  }
  html +=
      "</select></label> (or the arrow keys)</p>\n"
      "<h2 id=\"shot-title\">The shots are shown with JavaScript</h2>\n<table class=\"shot\">\n";
  const char* rows[][2] = {{"thrower", "Thrown by"},
                           {"asked", "Release asked"},
                           {"executed", "Release played"},
                           {"score", "Score"},
                           {"time", "Thinking time"}};
  for (const auto& row : rows) {
    html += std::string("<tr><th>") + row[1] + "</th><td id=\"" + row[0] + "\"></td></tr>\n";
  }
  html +=
      "</table>\n<h3>The engine's diagnostic lines</h3>\n<pre id=\"diagnostics\"></pre>\n"
      "</div>\n</div>\n";
  html += "<script type=\"application/json\" id=\"game-data\">" + ScriptSafeJson(data) +
          "</script>\n<script>//<![CDATA[" + kGameViewerScript + "//]]></script>\n";
  return html;
}

}  // namespace

std::string EndSvgName(int game, int end) {
  return "game-" + Padded(game + 1) + "-end-" + Padded(end + 1) + ".svg";
}

std::string GamePageName(int game) {
  return "game-" + Padded(game + 1) + ".html";
}

void WritePictureFile(const std::filesystem::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (!out) throw std::runtime_error("cannot write " + path.string());
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
  for (int e = 0; e < ends; ++e) {
    html += "<th><a href=\"#end-" + Number(e + 1) + "\">" + Number(e + 1) + "</a></th>";
  }
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
  html += Viewer(game, names, ends);
  html += "<h2>The house after each end</h2>\n<div class=\"ends\">\n";
  for (const EndPicture& end : game.ends) {
    html += "<figure>\n" + HouseSvg(end, labelOfSide) + "<figcaption><a href=\"" +
            EndSvgName(end.game, end.end) + "\">End " + Number(end.end + 1) +
            "</a></figcaption>\n</figure>\n";
  }
  html += "</div>\n</body>\n</html>\n";
  return html;
}

namespace {

// The test's log-likelihood ratio after each pair completed, in the order the games are given,
// against the games given so far; the bounds as dashed lines.
std::string LlrChart(const std::vector<GameResult>& games, const SprtPlot& plot) {
  LiveSprt live(plot.settings, plot.onPoints);
  std::vector<std::pair<int, double>> points{{0, 0.0}};
  SprtSummary last = plot.onPoints ? PointsSprtOf({}, plot.settings) : SprtOf({}, plot.settings);
  for (std::size_t i = 0; i < games.size(); ++i) {
    if (auto test = live.Add(games[i])) {
      points.push_back({static_cast<int>(i + 1), test->llr});
      last = *test;
    }
  }
  const double width = 600, height = 240, left = 56, right = 150, top = 12, bottom = 36;
  const int most = std::max<int>(2, static_cast<int>(games.size()));
  double low = last.lower * 1.15, high = last.upper * 1.15;
  for (const auto& [game, llr] : points) {
    low = std::min(low, llr);
    high = std::max(high, llr);
  }
  const auto x = [&](double game) { return left + (width - left - right) * game / most; };
  const auto y = [&](double llr) {
    return top + (height - top - bottom) * (high - llr) / (high - low);
  };
  const auto f = [](double value) { return Format("%.1f", value); };
  std::string svg = "<svg class=\"llr\" xmlns=\"http://www.w3.org/2000/svg\" width=\"" + f(width) +
                    "\" height=\"" + f(height) + "\" viewBox=\"0 0 " + f(width) + " " + f(height) +
                    "\">\n";
  svg += "<rect x=\"" + f(left) + "\" y=\"" + f(top) + "\" width=\"" + f(width - left - right) +
         "\" height=\"" + f(height - top - bottom) + "\" fill=\"none\" stroke=\"#999\"/>\n";
  const auto line = [&](double value, const std::string& colour, const std::string& label) {
    svg += "<line x1=\"" + f(left) + "\" y1=\"" + f(y(value)) + "\" x2=\"" + f(width - right) +
           "\" y2=\"" + f(y(value)) + "\" stroke=\"" + colour + "\" stroke-dasharray=\"6 4\"/>\n";
    svg += "<text x=\"" + f(width - right + 6) + "\" y=\"" + f(y(value) + 4) + "\">" + label +
           "</text>\n";
  };
  line(last.upper, "#2e7d32", "accept H1 " + Format("%+.2f", last.upper));
  line(0.0, "#bbb", "0");
  line(last.lower, "#b71c1c", "accept H0 " + Format("%+.2f", last.lower));
  svg += "<polyline fill=\"none\" stroke=\"#1565c0\" stroke-width=\"2\" points=\"";
  for (const auto& [game, llr] : points) svg += f(x(game)) + "," + f(y(llr)) + " ";
  svg += "\"/>\n<text x=\"" + f(left) + "\" y=\"" + f(height - 8) + "\">0</text>\n<text x=\"" +
         f(width - right) + "\" y=\"" + f(height - 8) + "\" text-anchor=\"end\">" + Number(most) +
         " games</text>\n<text x=\"4\" y=\"" + f(top + 12) + "\">LLR</text>\n";
  return svg + "</svg>\n";
}

}  // namespace

std::string IndexPage(const std::vector<GameResult>& games, const std::array<std::string, 2>& names,
                      const std::optional<SprtPlot>& sprt) {
  // The pages are of one match, so one match seed pairs its games.
  std::vector<MatchGame> finished;
  for (const GameResult& game : games) finished.push_back({0, 0, game});
  const MatchSummary summary = Summarize(finished, names, std::nullopt);
  std::string html = Head("Match");
  html += "<h1>Match</h1>\n<ul>\n";
  for (int e = 0; e < 2; ++e) html += "<li>" + XmlEscape(names[e]) + "</li>\n";
  html +=
      "</ul>\n<h2>Result</h2>\n<table class=\"result\">\n<tr><th>Engine</th><th>Games</th>"
      "<th>Wins</th><th>Draws</th><th>Losses</th><th>Forfeits</th>"
      "<th>Score difference per game</th><th>Per end</th></tr>\n";
  for (int e = 0; e < 2; ++e) {
    const EngineSummary& s = summary.engines[e];
    html += "<tr><td>" + kEngineLabels[e] + "</td><td>" + Number(s.games) + "</td><td>" +
            Number(s.wins) + "</td><td>" + Number(s.draws) + "</td><td>" + Number(s.losses) +
            "</td><td>" + Number(s.forfeits) + "</td><td>" +
            XmlEscape(MeanText(s.perGame, "game")) + "</td><td>" +
            XmlEscape(MeanText(s.perEnd, "end")) + "</td></tr>\n";
  }
  html += "</table>\n<p class=\"elo\">Elo of A over B: ";
  const PairSummary& p = summary.pairs;
  if (p.pairs == 0) {
    html += "n/a (no complete pair of games with the engines on swapped sides)";
  } else {
    html += EloFigures(p);
  }
  html += "</p>\n";
  if (sprt) {
    const SprtSettings& t = sprt->settings;
    html += "<h2>Sequential test</h2>\n<p class=\"sprt\">" +
            XmlEscape(Format("%g", t.h0) + " against " + Format("%g", t.h1) +
                      (sprt->onPoints ? " points per end" : " Elo")) +
            ", its log-likelihood ratio after every complete pair of games</p>\n" +
            LlrChart(games, *sprt);
  }
  html +=
      "<h2>Games</h2>\n<table>\n<tr><th>Game</th><th>Side 0</th><th>Side 1</th>"
      "<th>Result</th></tr>\n";
  for (const GameResult& game : games) {
    html += "<tr><td><a href=\"" + GamePageName(game.game) + "\">" + Number(game.game + 1) +
            "</a></td><td>" + kEngineLabels[game.engineOfSide[0]] + "</td><td>" +
            kEngineLabels[game.engineOfSide[1]] + "</td><td>" + XmlEscape(ResultText(game)) +
            "</td></tr>\n";
  }
  html += "</table>\n</body>\n</html>\n";
  return html;
}

namespace {

// The ratings as points with their interval bars on one Elo axis, best first; an infinite figure
// is drawn at the axis's end and written out.
std::string RatingChart(const TournamentSummary& summary) {
  const std::size_t n = summary.ratings.size();
  const std::vector<std::size_t> order = RatingOrder(summary);
  double low = -10.0;
  double high = 10.0;
  for (const EngineRating& r : summary.ratings) {
    for (double v : {r.elo, r.low, r.high}) {
      if (std::isfinite(v)) {
        low = std::min(low, v);
        high = std::max(high, v);
      }
    }
  }
  const double left = 160.0;
  const double width = 440.0;
  const double rowHeight = 28.0;
  const double height = rowHeight * static_cast<double>(n) + 40.0;
  const auto x = [&](double elo) {
    if (std::isinf(elo)) return elo > 0 ? left + width : left;
    return left + (elo - low) / (high - low) * width;
  };
  std::string svg = Format(
      "<svg class=\"ratings\" xmlns=\"http://www.w3.org/2000/svg\" width=\"640\" "
      "height=\"%.0f\" viewBox=\"0 0 640 %.0f\">\n",
      height, height);
  const double axis = height - 24.0;
  svg += Format("<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"#999\"/>\n", left,
                axis, left + width, axis);
  for (double tick : {low, 0.0, high}) {
    // The ends of the axis, unless so near the anchor's 0 that their labels would overlap.
    if (tick != 0.0 && std::abs(x(tick) - x(0.0)) < 36.0) continue;
    svg +=
        Format("<text x=\"%.1f\" y=\"%.1f\" font-size=\"11\" text-anchor=\"middle\">%+.0f</text>\n",
               x(tick), axis + 16.0, tick);
  }
  svg += Format("<line x1=\"%.1f\" y1=\"4\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"#ccc\"/>\n", x(0.0),
                x(0.0), axis);
  for (std::size_t row = 0; row < n; ++row) {
    const std::size_t e = order[row];
    const EngineRating& r = summary.ratings[e];
    const double y = 20.0 + rowHeight * static_cast<double>(row);
    std::string label = summary.tournament.engines[e].name;
    if (label.size() > 24) label = label.substr(0, 24);
    svg += Format("<text x=\"4\" y=\"%.1f\" font-size=\"12\">", y + 4.0) + XmlEscape(label) +
           "</text>\n";
    if (!std::isnan(r.low) && !std::isnan(r.high)) {
      svg += Format(
          "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"#1565c0\" "
          "stroke-width=\"3\"/>\n",
          x(r.low), y, x(r.high), y);
    }
    if (!std::isnan(r.elo)) {
      svg +=
          Format("<circle cx=\"%.1f\" cy=\"%.1f\" r=\"5\" fill=\"#b71c1c\"><title>", x(r.elo), y) +
          XmlEscape(EloText(r.elo)) + "</title></circle>\n";
      if (std::isinf(r.elo)) {
        svg += Format("<text x=\"%.1f\" y=\"%.1f\" font-size=\"11\">",
                      x(r.elo) + (r.elo > 0 ? -30.0 : 8.0), y - 6.0) +
               EloText(r.elo) + "</text>\n";
      }
    }
  }
  return svg + "</svg>\n";
}

std::string RatingFigure(double elo) {
  return std::isnan(elo) ? std::string("n/a") : EloText(elo);
}

}  // namespace

std::string TournamentIndexPage(const TournamentSummary& summary,
                                const std::vector<GameResult>& games) {
  const Tournament& t = summary.tournament;
  const std::size_t n = t.engines.size();
  std::string html = Head("Tournament");
  html += "<h1>Tournament</h1>\n<ul>\n";
  for (const TournamentEngine& engine : t.engines) {
    html += "<li>" + XmlEscape(engine.name + ": " + engine.command) + "</li>\n";
  }
  html +=
      "</ul>\n<h2>Crosstable</h2>\n<p>The row engine's wins, draws and losses (forfeits "
      "included) and its points per end over the column engine, with the 95% interval over game "
      "pairs.</p>\n<table class=\"crosstable\">\n<tr><th></th>";
  for (const TournamentEngine& engine : t.engines)
    html += "<th>" + XmlEscape(engine.name) + "</th>";
  html += "</tr>\n";
  for (std::size_t i = 0; i < n; ++i) {
    html += "<tr><th>" + XmlEscape(t.engines[i].name) + "</th>";
    for (std::size_t j = 0; j < n; ++j) {
      const CrossCell& c = summary.cells[i][j];
      html += "<td>";
      if (i == j) {
        html += "-";
      } else if (c.played) {
        html += Number(c.wins) + "-" + Number(c.draws) + "-" + Number(c.losses) + "<br/>" +
                XmlEscape(MeanText(c.perEnd, "end"));
      }
      html += "</td>";
    }
    html += "</tr>\n";
  }
  html += "</table>\n<h2>Elo</h2>\n<p>Maximum likelihood over game pairs, " +
          XmlEscape(t.engines[summary.anchor].name) + " = 0; 95% intervals from " +
          Number(kBootstrapResamples) + " bootstrap resamples of the pairs.</p>\n";
  html += RatingChart(summary);
  html += "<table class=\"result\">\n<tr><th>Engine</th><th>Elo</th><th>95% interval</th></tr>\n";
  for (std::size_t i = 0; i < n; ++i) {
    const EngineRating& r = summary.ratings[i];
    html += "<tr><td class=\"name\">" + XmlEscape(t.engines[i].name) + "</td><td>" +
            RatingFigure(r.elo) + "</td><td>[" + RatingFigure(r.low) + ", " + RatingFigure(r.high) +
            "]</td></tr>\n";
  }
  html +=
      "</table>\n<h2>Games</h2>\n<table>\n<tr><th>Game</th><th>A</th><th>B</th><th>Side 0</th>"
      "<th>Result</th></tr>\n";
  for (const GameResult& game : games) {
    const auto [a, b] = t.PairingOfGame(game.game);
    html += "<tr><td><a href=\"" + GamePageName(game.game) + "\">" + Number(game.game + 1) +
            "</a></td><td>" + XmlEscape(t.engines[a].name) + "</td><td>" +
            XmlEscape(t.engines[b].name) + "</td><td>" + kEngineLabels[game.engineOfSide[0]] +
            "</td><td>" + XmlEscape(ResultText(game)) + "</td></tr>\n";
  }
  html += "</table>\n</body>\n</html>\n";
  return html;
}

}  // namespace Match
