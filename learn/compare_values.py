"""Several learned values and the fitted one on the same held-out positions: by shot (1 to 16), the
share of the variance of the end's score for the hammer that each explains, with 95 % intervals
from resampling the held-out ends, and each learned value's paired difference from the fitted one.

    PYTHONPATH=build/release/python /usr/bin/python3 learn/compare_values.py \\
        --data FILE.npy... --weights NAME=FILE... [--seed 1] [--held-out 0.2] [--all]

The held-out ends are those train_value.py holds out with the same --data, --seed and --held-out
(--all: every position, for data that no network was trained on). The networks are evaluated by
the engine's own code (curling_sim.ValueNet), so the figures are those of the networks "Strong"
would play with.
"""

import argparse
import sys

import numpy as np

import curling_sim as cs
import train_value


def compare(args):
    data = train_value.load(args.data)
    if args.all:
        rows = np.arange(len(data["score"]))
    else:
        held_ends, _ = train_value.split_ends(data["end"], args.held_out, args.seed)
        rows = np.flatnonzero(held_ends[data["end"]])
    states = data["states"][rows]
    y, shot, end = (data[k][rows] for k in ("score", "shot", "end"))
    fitted = cs.fitted_value(states)
    table = {}
    for name, path in args.weights:
        learned = cs.ValueNet(path).expected(states)
        table[name] = train_value.r2_by_shot(y, shot, end, {name: learned, "fitted": fitted},
                                             args.seed)
    names = [name for name, _ in args.weights]
    print(f"{len(rows)} positions of {len(np.unique(end))} ends")
    print("| shot | positions | fitted R^2 | " + " | ".join(
        f"{n} R^2 | {n} - fitted, points" for n in names) + " |")
    print("|---:|---:|---|" + "---|---|" * len(names))
    for s in range(train_value.SHOTS):
        first = table[names[0]][s]
        cells = [str(first["shot"]), str(first["positions"]),
                 train_value.percent(first.get("fitted"))]
        for n in names:
            r = table[n][s]
            cells += [train_value.percent(r.get(n)), train_value.points(r.get("difference"))]
        print("| " + " | ".join(cells) + " |")


def named(text):
    name, sep, path = text.partition("=")
    if not sep or not name or not path:
        raise argparse.ArgumentTypeError("wants NAME=FILE")
    return name, path


def main(argv):
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--data", nargs="+", required=True, help=".npy shards of positions")
    p.add_argument("--weights", nargs="+", required=True, type=named, help="NAME=FILE")
    p.add_argument("--seed", type=int, default=1, help="train_value.py's seed (default 1)")
    p.add_argument("--held-out", type=float, default=0.2, help="default 0.2")
    p.add_argument("--all", action="store_true", help="every position, not the held-out ends")
    args = p.parse_args(argv)
    try:
        compare(args)
    except (train_value.DataError, ValueError) as error:
        sys.exit(f"compare_values: {error}")


if __name__ == "__main__":
    main(sys.argv[1:])
