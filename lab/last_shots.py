"""How far each engine's last shots of an end fall short of the best release, in a match's record.

For every end's last shot in a record of curling-match (the hammer's shot 16), the position before
it is rebuilt and a grid of releases is valued with the simulator through curling_sim: draws every
0.15 m across and 0.2 m along in and in front of the house, and hits on every stone within 4 m of
the tee at eight powers from 2 to 16 and five offsets, both curls; each over 64 seeded samples of
the execution error (noise 0.3), the ten best again over 600 others. The engine's release (the one
it asked for) is valued over the same 600 samples; its shortfall is the best's mean points minus
its own. Printed per engine: the mean shortfall with a 95 % interval. The last shot needs no
continuation, so this is exact but for the sampling; it shows what a better last shot could gain
in the positions that games really reach.

    PYTHONPATH=build/release/python /usr/bin/python3 lab/last_shots.py RECORD [--per-engine N]
"""

import argparse
import collections
import json
import math

import numpy as np

import curling_sim as cs

TEE_X, TEE_Y = cs.TEE_X, cs.TEE_Y


def mean_points(state, shots, seeds, sign, end_slot):
    """Mean end score for the thrower of each release in `shots` over `seeds`."""
    n = len(seeds)
    after, _, _ = cs.simulate_many(state, np.repeat(shots, n), 0.3, np.tile(seeds, len(shots)))
    return (after["end_scores"][:, end_slot].reshape(len(shots), n) * sign).mean(axis=1)


def grid(stones):
    targets = []
    for x in np.arange(TEE_X - 1.8, TEE_X + 1.81, 0.15):
        for y in np.arange(TEE_Y - 1.8, TEE_Y + 3.0, 0.2):
            targets += [[x, y, curl, 0] for curl in (0, 1)]
    for x, y in stones:
        if (x <= 0 and y <= 0) or math.hypot(x - TEE_X, y - TEE_Y) > 4:
            continue
        for power in (2, 3, 4, 5, 6, 8, 11, 16):
            for dx in (-0.2, -0.1, 0.0, 0.1, 0.2):
                targets += [[x + dx, y, curl, power] for curl in (0, 1)]
    shots = cs.create_shots(np.array(targets, dtype=np.float64))
    return shots[~np.isnan(shots["vx"])]


def shortfall(shot):
    state = np.zeros((), cs.STATE_DTYPE)
    state["shot_number"] = 15
    state["end_number"] = shot["end"] - 1
    state["side_to_move"] = shot["side"]
    state["stones"] = np.array(shot["before"], dtype=np.float32)
    sign = 1 if shot["side"] == 0 else -1
    slot = shot["end"] - 1
    releases = grid(shot["before"])
    screen = mean_points(state, releases, np.arange(64), sign, slot)
    finals = np.arange(1000, 1600)
    best = mean_points(state, releases[np.argsort(-screen)[:10]], finals, sign, slot).max()
    asked = np.zeros(1, cs.SHOT_DTYPE)
    asked["vx"], asked["vy"], asked["curl"] = (shot["asked"][k] for k in ("vx", "vy", "curl"))
    return best - mean_points(state, asked, finals, sign, slot)[0]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("record")
    parser.add_argument("--per-engine", type=int, default=60, help="last shots valued per engine")
    args = parser.parse_args()
    results = collections.defaultdict(list)
    with open(args.record) as lines:
        for line in lines:
            shot = json.loads(line)
            if shot.get("type") != "shot" or shot["shot"] != 16:
                continue
            if len(results[shot["engine"]]) < args.per_engine:
                results[shot["engine"]].append(shortfall(shot))
    for engine in sorted(results):
        values = np.array(results[engine])
        half = 1.96 * values.std(ddof=1) / math.sqrt(len(values)) if len(values) > 1 else math.inf
        print(f"{engine}: last-shot shortfall {values.mean():.3f} points, 95% CI "
              f"[{values.mean() - half:.3f}, {values.mean() + half:.3f}] over {len(values)} shots")


if __name__ == "__main__":
    main()
