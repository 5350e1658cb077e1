#pragma once

namespace Match {

// The script of a game page: steps through the shots held in the page's JSON data (element
// #game-data) and draws each on the SVG #sheet. Kept free of "]]>" so that it can sit in a CDATA
// section, which keeps the page well-formed XML.
inline constexpr const char* kGameViewerScript = R"js(
// Steps through the shots of the game: the data is the JSON above, the drawing the SVG #sheet.
(function () {
  "use strict";
  var data = JSON.parse(document.getElementById("game-data").textContent);
  var sheet = document.getElementById("sheet");
  var at = 0;

  function element(name, attributes, text) {
    var node = document.createElementNS(sheet.namespaceURI, name);
    Object.keys(attributes).forEach(function (key) { node.setAttribute(key, attributes[key]); });
    if (text !== undefined) node.textContent = text;
    return node;
  }
  function setText(id, text) { document.getElementById(id).textContent = text; }

  function show(index) {
    at = Math.max(0, Math.min(data.shots.length - 1, index));
    var shot = data.shots[at];
    var paths = document.getElementById("paths");
    var stones = document.getElementById("stones");
    paths.replaceChildren();
    stones.replaceChildren();
    shot.paths.forEach(function (path) {
      paths.append(element("path", {d: path[1], fill: "none", stroke: "#333", "stroke-width": 7}));
      paths.append(element("path", {d: path[1], fill: "none", stroke: data.colours[path[0]],
                                    "stroke-width": 4}));
      if (path.length > 2) {  // a struck stone: a dashed ring where it lay
        paths.append(element("circle", {cx: path[2], cy: path[3], r: 14.5, fill: "none",
                                        stroke: "#333", "stroke-width": 2,
                                        "stroke-dasharray": "4 3"}));
      }
    });
    shot.stones.forEach(function (stone) {
      var group = element("g", {"class": "stone side" + stone[1]});
      group.append(element("circle", {cx: stone[2], cy: stone[3], r: 14.5,
                                      fill: data.colours[stone[1]], stroke: "#222",
                                      "stroke-width": 2}));
      group.append(element("text", {x: stone[2], y: stone[3] + 5, "font-size": 14,
                                    "text-anchor": "middle"}, stone[0]));
      stones.append(group);
    });
    setText("shot-title", "End " + shot.end + ", shot " + shot.shot + " (" + (at + 1) + " of " +
            data.shots.length + ")");
    ["thrower", "asked", "executed", "score", "time"].forEach(function (id) {
      setText(id, shot[id]);
    });
    setText("diagnostics", shot.diagnostics.length ? shot.diagnostics.join("\n") : "(none)");
    document.getElementById("end-jump").value = shot.end;
  }

  function showEnd(end) {
    var first = data.shots.findIndex(function (shot) { return shot.end === end; });
    if (first >= 0) show(first);
  }

  // "#end-3" shows the first shot of end 3, "#shot-17" the 17th shot of the game.
  function showHash() {
    var match = /^#(end|shot)-(\d+)$/.exec(location.hash);
    if (!match) return false;
    if (match[1] === "end") showEnd(Number(match[2])); else show(Number(match[2]) - 1);
    return true;
  }

  if (data.shots.length === 0) {
    setText("shot-title", "No shot was played");
    return;
  }
  document.getElementById("prev").addEventListener("click", function () { show(at - 1); });
  document.getElementById("next").addEventListener("click", function () { show(at + 1); });
  document.getElementById("end-jump").addEventListener("change", function (event) {
    showEnd(Number(event.target.value));
  });
  document.addEventListener("keydown", function (event) {
    if (event.key === "ArrowLeft") show(at - 1);
    else if (event.key === "ArrowRight") show(at + 1);
    else return;
    event.preventDefault();
  });
  // Every cell of an end's column in the score board jumps to that end.
  document.querySelectorAll(".scoreboard tr").forEach(function (row) {
    Array.prototype.forEach.call(row.cells, function (cell, column) {
      if (column < 2 || column >= 2 + data.ends) return;
      cell.classList.add("end-cell");
      cell.addEventListener("click", function () { showEnd(column - 1); });
    });
  });
  window.addEventListener("hashchange", showHash);
  if (!showHash()) show(0);
})();
)js";

}  // namespace Match
