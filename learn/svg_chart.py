"""A small line chart as a hand-written SVG file (there is no plotting library on the machine)."""

import math
from xml.sax.saxutils import escape

COLOURS = ["#1f77b4", "#d62728", "#2ca02c", "#9467bd", "#ff7f0e", "#8c564b"]
WIDTH, HEIGHT = 640, 400
LEFT, RIGHT, TOP, BOTTOM = 64, 160, 36, 48


def _ticks(low, high, count=5):
    """Round tick values covering [low, high]."""
    span = high - low if high > low else 1.0
    step = 10 ** math.floor(math.log10(span / count))
    for factor in (1, 2, 5, 10):
        if span / (step * factor) <= count:
            step *= factor
            break
    first = math.ceil(low / step - 1e-9) * step
    return [first + i * step for i in range(int((high - first) / step + 1e-9) + 1)]


def line_chart(path, title, x_label, y_label, series):
    """Writes a chart of `series`: dicts with "name", "x", "y" and optionally "low" and "high"
    (an interval drawn as a vertical bar at each point). Points whose y is None or not finite are
    left out."""
    points = [(x, v) for s in series for key in ("y", "low", "high") if key in s
              for x, v in zip(s["x"], s[key]) if v is not None and math.isfinite(v)]
    if not points:
        points = [(0.0, 0.0), (1.0, 1.0)]
    x_low, x_high = min(p[0] for p in points), max(p[0] for p in points)
    y_low, y_high = min(p[1] for p in points), max(p[1] for p in points)
    if x_high == x_low:
        x_low, x_high = x_low - 1, x_high + 1
    if y_high == y_low:
        y_low, y_high = y_low - 1, y_high + 1
    pad = 0.05 * (y_high - y_low)
    y_low, y_high = y_low - pad, y_high + pad
    plot_w, plot_h = WIDTH - LEFT - RIGHT, HEIGHT - TOP - BOTTOM

    def sx(x):
        return LEFT + (x - x_low) / (x_high - x_low) * plot_w

    def sy(y):
        return TOP + (y_high - y) / (y_high - y_low) * plot_h

    out = [f'<svg xmlns="http://www.w3.org/2000/svg" width="{WIDTH}" height="{HEIGHT}" '
           f'font-family="sans-serif" font-size="12">',
           f'<rect width="{WIDTH}" height="{HEIGHT}" fill="white"/>',
           f'<text x="{WIDTH / 2:.0f}" y="20" text-anchor="middle" font-size="14">'
           f'{escape(title)}</text>']
    for y in _ticks(y_low, y_high):
        out.append(f'<line x1="{LEFT}" x2="{LEFT + plot_w}" y1="{sy(y):.1f}" y2="{sy(y):.1f}" '
                   f'stroke="#ddd"/><text x="{LEFT - 6}" y="{sy(y) + 4:.1f}" '
                   f'text-anchor="end">{y:g}</text>')
    for x in _ticks(x_low, x_high, 8):
        out.append(f'<text x="{sx(x):.1f}" y="{TOP + plot_h + 16}" text-anchor="middle">'
                   f'{x:g}</text>')
    out.append(f'<rect x="{LEFT}" y="{TOP}" width="{plot_w}" height="{plot_h}" fill="none" '
               f'stroke="#444"/>')
    out.append(f'<text x="{LEFT + plot_w / 2:.0f}" y="{HEIGHT - 10}" text-anchor="middle">'
               f'{escape(x_label)}</text>')
    out.append(f'<text transform="translate(16 {TOP + plot_h / 2:.0f}) rotate(-90)" '
               f'text-anchor="middle">{escape(y_label)}</text>')
    for i, s in enumerate(series):
        colour = COLOURS[i % len(COLOURS)]
        xy = [(x, y) for x, y in zip(s["x"], s["y"]) if y is not None and math.isfinite(y)]
        if xy:
            coords = " ".join(f"{sx(x):.1f},{sy(y):.1f}" for x, y in xy)
            out.append(f'<polyline points="{coords}" fill="none" stroke="{colour}" '
                       f'stroke-width="2"/>')
        for x, low, high in zip(s["x"], s.get("low", []), s.get("high", [])):
            if low is not None and high is not None and math.isfinite(low + high):
                out.append(f'<line x1="{sx(x):.1f}" x2="{sx(x):.1f}" y1="{sy(low):.1f}" '
                           f'y2="{sy(high):.1f}" stroke="{colour}" stroke-opacity="0.5"/>')
        key_y = TOP + 10 + 18 * i
        out.append(f'<line x1="{WIDTH - RIGHT + 12}" x2="{WIDTH - RIGHT + 32}" y1="{key_y}" '
                   f'y2="{key_y}" stroke="{colour}" stroke-width="2"/><text '
                   f'x="{WIDTH - RIGHT + 36}" y="{key_y + 4}">{escape(s["name"])}</text>')
    out.append("</svg>")
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(out) + "\n")
