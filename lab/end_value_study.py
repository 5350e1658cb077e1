"""How much of an end's score the stones after each shot predict, on ends the fit has not seen.

The "Strong" search values the middle of an end by a linear fit to match records (tools/end_value:
nine features of the stones, one set of weights per number of shots played). This study splits the
finished ends of curling-match records in two halves (alternate ends), fits on one half and scores
the other, both ways, and prints per shot played the share of the variance of the end's final
score (for the side with the hammer) that the fit explains held out (R squared; 0 is no better than
the mean, below 0 worse) for three sets of features:

- present: the search's nine (EndFeaturesOf in src/search/eval/end_value.cpp);
- richer: those plus, for each side, its stones in the house with a stone in front of them
  (guarded) and without (the other side's only), its guards off the centre line (corner guards)
  and its nearest stone's distance to the tee, and the owners of the second to fourth stones;
- present + engine: the nine plus whether engine A of the record holds the hammer.

A feature set that explains no more held out than the present one would not value the middle of the
end better, however well it fits the ends it was fitted to.

    PYTHONPATH=build/release/python /usr/bin/python3 lab/end_value_study.py RECORD...
"""

import json
import math
import sys

import numpy as np

import curling_sim as cs

TEE_X, TEE_Y = cs.TEE_X, cs.TEE_Y
COUNTING = cs.HOUSE_RADIUS + cs.STONE_RADIUS  # a stone counts when it touches the house
RIDGE = 1.0  # as tools/end_value


def ends_of(paths):
    """The finished ends, each as (its score for the hammer, whether engine A holds the hammer,
    the stones and the running score for the hammer after each of shots 1 to 15)."""
    ends = []
    for path in paths:
        shots = {}
        with open(path, encoding="utf-8") as f:
            for line in f:
                r = json.loads(line)
                if r.get("type") == "shot":
                    shots.setdefault((r["game"], r["end"]), {})[r["shot"]] = r
        for end in shots.values():
            if sorted(end) != list(range(1, 17)):
                continue
            sign = 1 if end[16]["side"] == 0 else -1  # the hammer throws shot 16
            after = [(end[k]["after"], sign * end[k]["running_score"]) for k in range(1, 16)]
            ends.append((sign * end[16]["running_score"], end[16]["engine"] == "A", after))
    return ends


def present(stones, score):
    """The search's features, computed by the engine's own function (curling_sim.end_features):
    the stones after a shot and the running score for the hammer, put in a state whose side 0 holds
    the hammer (it throws the odd slots: shot 1, side 0 to move)."""
    state = np.zeros((), dtype=cs.STATE_DTYPE)
    state["shot_number"] = 1
    state["end_scores"][0] = score
    state["stones"] = stones
    return [float(v) for v in cs.end_features(state)[0]]


def richer(stones, score):
    """The present features and the richer set's extra ones (see above)."""
    in_play = [(x, y, 0 if slot % 2 == 1 else 1)
               for slot, (x, y) in enumerate(stones) if x > 0 or y > 0]
    guarded, open_, corner, nearest = [0, 0], [0, 0], [0, 0], [2.5, 2.5]
    for x, y, side in in_play:
        d = math.hypot(x - TEE_X, y - TEE_Y)
        nearest[side] = min(nearest[side], d)
        if d <= COUNTING:
            # Stones come down the sheet towards smaller y: a guard lies above, in the path.
            cover = any(y + 0.3 < gy < y + 7.0 and abs(gx - x) < 0.3 for gx, gy, _ in in_play)
            (guarded if cover else open_)[side] += 1
        elif TEE_Y < y < TEE_Y + 6.0 and 1.0 <= abs(x - TEE_X) < 2.2:
            corner[side] += 1
    order = sorted((math.hypot(x - TEE_X, y - TEE_Y), side) for x, y, side in in_play)
    owners = [(1.0 if side == 0 else -1.0) if d <= COUNTING else 0.0 for d, side in order[1:4]]
    owners += [0.0] * (3 - len(owners))
    return present(stones, score) + guarded + open_[1:] + corner + nearest + owners


def fit(x, y):
    """The weights of the least-squares fit of y to the rows of x, with tools/end_value's ridge on
    all but the constant (the first column)."""
    ridge = RIDGE * np.eye(x.shape[1])
    ridge[0, 0] = 0.0
    return np.linalg.solve(x.T @ x + ridge, x.T @ y)


def held_out_r2(x, y, half):
    """R squared of the fit of one half, scored on the other, both ways."""
    sse = 0.0
    for fold in (0, 1):
        train, test = half != fold, half == fold
        sse += float(((x[test] @ fit(x[train], y[train]) - y[test]) ** 2).sum())
    return 1.0 - sse / float(((y - y.mean()) ** 2).sum())


def study(ends):
    """Per shot played (1 to 15): the held-out R squared of the three feature sets."""
    y = np.array([e[0] for e in ends], dtype=float)
    half = np.arange(len(ends)) % 2
    rows = []
    for k in range(15):
        base = [present(*e[2][k]) for e in ends]
        sets = (base, [richer(*e[2][k]) for e in ends],
                [f + [float(e[1])] for f, e in zip(base, ends)])
        rows.append(tuple(held_out_r2(np.array(s, dtype=float), y, half) for s in sets))
    return rows


def main(argv):
    ends = ends_of(argv)
    if len(ends) < 40:
        sys.exit("end_value_study: fewer than 40 finished ends in the records")
    print(f"{len(ends)} ends; held-out R squared of the end's score for the hammer")
    print("played  present  richer  present + engine")
    for k, (base, rich, engine) in enumerate(study(ends), start=1):
        print(f"{k:6d}  {base:+7.3f}  {rich:+6.3f}  {engine:+16.3f}")


if __name__ == "__main__":
    main(sys.argv[1:])
