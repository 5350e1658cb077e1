#!/usr/bin/env python3
"""Shards of positions from ends played by random shots: a stand-in for self-play, to try
train_value.py on real stone physics before self-play data is at hand.

Each end is its own game: a random end (0 to 9) with a random score of the ends before, then
sixteen shots, each a draw to a random point around the house or (one in three) a hit through one
with a random power, played with curling_sim.simulate_many at noise 0.3. The rows are those of
the self-play shards (learn/README.md): the state before each shot, the game, the end's final
score and the game's.

    PYTHONPATH=build/release/python /usr/bin/python3 learn/random_shards.py \\
        --ends 5000 --seed 1 --out scratch/random.npy
"""

import argparse
import sys

import numpy as np

import curling_sim as cs

ROW_DTYPE = np.dtype([("state", cs.STATE_DTYPE), ("game", "<i8"), ("end_score", "<i4"),
                      ("game_score", "<i4")])
SHOTS = 16


def random_rows(ends, seed):
    rng = np.random.default_rng(seed)
    state = np.zeros(ends, cs.STATE_DTYPE)
    state["end_number"] = rng.integers(0, 10, ends)
    state["side_to_move"] = rng.integers(0, 2, ends)
    before = rng.integers(-2, 3, (ends, 10)) * (np.arange(10) < state["end_number"][:, None])
    state["end_scores"] = before
    rows = np.zeros((ends, SHOTS), ROW_DTYPE)
    for shot in range(SHOTS):
        rows["state"][:, shot] = state
        targets = np.stack([cs.TEE_X + rng.normal(0, 0.8, ends),
                            cs.TEE_Y + rng.normal(0.3, 1.2, ends),
                            rng.integers(0, 2, ends),
                            np.where(rng.random(ends) < 1 / 3, rng.uniform(6, 16, ends), 0)],
                           axis=1)
        seeds = seed * 1_000_003 + shot * ends + np.arange(ends)
        state, _, status = cs.simulate_many(state, cs.create_shots(targets), 0.3, seeds)
        if (status != 0).any():
            raise RuntimeError("the simulator refused a state")
    ended = rows["state"]["end_number"][:, 0]
    rows["end_score"] = state["end_scores"][np.arange(ends), ended][:, None]
    rows["game"] = np.arange(ends)[:, None]
    rows["game_score"] = state["end_scores"].sum(axis=1)[:, None]
    return rows.reshape(-1)


def main(argv):
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--ends", type=int, default=5000)
    p.add_argument("--seed", type=int, default=1)
    p.add_argument("--out", required=True)
    args = p.parse_args(argv)
    np.save(args.out, random_rows(args.ends, args.seed))


if __name__ == "__main__":
    main(sys.argv[1:])
