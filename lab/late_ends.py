"""What engine A's last two ends give, by its lead after eight, in curling-match records.

For every finished 10-end game of the records (its game line), engine A's lead after eight ends
sorts it as behind by 3 or more, close, or ahead by 3 or more; printed per group: games, A's
wins / draws / losses, and the mean of A's points in ends 9 and 10 with a 95 % interval. A game
that is decided before the last ends shows whether the search still plays for points there. A
last line gives A's points an end over ends 1 to 8 of all those games (interval over games), to
compare searches that differ only in the last ends.

    python3 lab/late_ends.py RECORD...
"""

import json
import math
import sys

GROUPS = ("behind by 3 or more", "close", "ahead by 3 or more")


def late_ends(paths):
    """A's finished 10-end games by group: (A's final margin, A's points in ends 9 and 10)."""
    rows = {g: [] for g in GROUPS}
    for path in paths:
        with open(path, encoding="utf-8") as f:
            for line in f:
                game = json.loads(line)
                if game.get("type") != "game" or len(game.get("end_scores", [])) != 10:
                    continue
                # End scores are positive for side 0; "sides" names the engine of each side.
                sign = 1 if game["sides"][0] == "A" else -1
                scores = [sign * s for s in game["end_scores"]]
                lead = sum(scores[:8])
                group = GROUPS[0] if lead <= -3 else GROUPS[2] if lead >= 3 else GROUPS[1]
                rows[group].append((lead + scores[8] + scores[9], scores[8] + scores[9]))
    return rows


def mean95(values):
    """The mean of `values` and the half width of its 95 % interval (0 for a single value)."""
    mean = sum(values) / len(values)
    spread = 0.0
    if len(values) > 1:
        sd = math.sqrt(sum((x - mean) ** 2 for x in values) / (len(values) - 1))
        spread = 1.96 * sd / math.sqrt(len(values))
    return mean, spread


def main(paths):
    rows = late_ends(paths)
    for group in GROUPS:
        games = rows[group]
        if not games:
            continue
        mean, spread = mean95([points for _, points in games])
        won = sum(1 for total, _ in games if total > 0)
        lost = sum(1 for total, _ in games if total < 0)
        print(f"{group:20} {len(games):4} games  {won} / {len(games) - won - lost} / {lost}"
              f"  ends 9-10: {mean:+.2f} [{mean - spread:+.2f}, {mean + spread:+.2f}] a game")
    early = [(total - late) / 8 for games in rows.values() for total, late in games]
    if early:
        mean, spread = mean95(early)
        print(f"{'all':20} {len(early):4} games  ends 1-8: {mean:+.3f}"
              f" [{mean - spread:+.3f}, {mean + spread:+.3f}] an end")


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit("usage: late_ends.py RECORD...")
    main(sys.argv[1:])
