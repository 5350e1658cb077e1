#!/usr/bin/env python3
"""Trains the learned value of a position on self-play positions and reports it held out.

Reads .npy shards of positions (one row before each shot: the state record, the game, the end's
final score and the game's), computes the network's inputs once with curling_sim.value_inputs,
holds out a seeded share of the ENDS (no end has positions on both sides), trains with Adam,
keeps the epoch of the lowest held-out loss and writes to --out:

- value_net.txt: the weights, "curling-value-net 1" (learn/README.md), for the engine;
- report.md, report.json: the loss by epoch, and by shot (1 to 16) the held-out share of the
  variance of the end's score for the hammer that the learned expected score and the fitted
  mid-end value (curling_sim.fitted_value) explain, with 95 % bootstrap intervals over held-out
  ends, beside the ceiling of --ceiling; with --fractions, the same share for networks trained
  on nested fractions of the training ends;
- loss.svg, share.svg (and learning.svg with --fractions).

    PYTHONPATH=build/release/python /usr/bin/python3 learn/train_value.py \\
        --data selfplay/*.npy --out scratch/value --epochs 30
"""

import argparse
import copy
import json
import math
import pathlib
import re
import sys
import time

import numpy as np

try:
    import torch
except ImportError:
    sys.exit(f"train_value: PyTorch is not installed for {sys.executable}; "
             "scripts/install-deps --learning installs Debian's python3-torch")

try:
    import curling_sim as cs
except ImportError:
    sys.exit("train_value: the curling_sim module is not on PYTHONPATH; build it with `cmake "
             "--build --preset release --target curling_sim_python` and set "
             "PYTHONPATH=build/release/python")

from svg_chart import line_chart
from value_net import MAX_SCORE, OUTPUTS, ValueNet, as_tensors, expected_from_logits, write_weights

SHOTS = 16
FIELDS = ("state", "game", "end_score", "game_score")
RESAMPLES = 1000


class DataError(ValueError):
    """A data file that is not a shard of positions this program reads."""


def read_shard(path):
    """The rows of one shard, their states as STATE_DTYPE; DataError names what is wrong."""
    try:
        rows = np.load(path, allow_pickle=False)
    except (OSError, ValueError, EOFError) as error:
        raise DataError(f"{path}: not a readable .npy file ({error})") from None
    names = rows.dtype.names or ()
    if rows.ndim != 1 or any(f not in names for f in FIELDS):
        raise DataError(f"{path}: expected a 1-d array with the fields {', '.join(FIELDS)}; "
                        f"found shape {rows.shape} and fields {names or 'none'}")
    state = rows.dtype["state"]
    if state.names != cs.STATE_DTYPE.names or any(
            state.fields[n][0] != cs.STATE_DTYPE.fields[n][0] for n in state.names):
        raise DataError(f"{path}: the field 'state' is not curling_sim.STATE_DTYPE's record")
    for field in FIELDS[1:]:
        if rows.dtype[field].kind not in "iu" or rows.dtype[field].shape:
            raise DataError(f"{path}: the field '{field}' is not an integer")
    states = rows["state"].astype(cs.STATE_DTYPE)
    bad = ((states["shot_number"] < 0) | (states["shot_number"] >= SHOTS)
           | (states["end_number"] < 0) | (states["end_number"] > 9)
           | (states["side_to_move"] > 1)
           | ~np.isfinite(states["stones"]).all(axis=(1, 2)))
    if bad.any():
        raise DataError(f"{path}: row {int(np.argmax(bad))} (and {int(bad.sum()) - 1} more) is "
                        "not a position before a shot (shot 0 to 15, end 0 to 9, side 0 or 1, "
                        "finite stones)")
    return states, rows["game"].astype(np.int64), rows["end_score"].astype(np.int64)


def hammer_scores(states, end_scores):
    """The end's score for the side with the hammer (the owner of the odd slots)."""
    odd = states["shot_number"] % 2 == 1
    hammer = np.where(odd, states["side_to_move"], 1 - states["side_to_move"])
    return np.where(hammer == 0, end_scores, -end_scores)


def load(paths):
    """Every shard's positions: states, the hammer's end score, the shot (1 to 16) and an end
    index, the same for the rows of one (file, game, end_number)."""
    resolved = [pathlib.Path(p).resolve() for p in paths]
    if len(set(resolved)) < len(resolved):
        raise DataError("a file is given twice: its ends would count twice, and could be both "
                        "trained on and held out")
    shards = [read_shard(p) for p in paths]
    states = np.concatenate([s for s, _, _ in shards])
    keys = np.concatenate([np.stack([np.full(len(s), i), g, s["end_number"]], axis=1)
                           for i, (s, g, _) in enumerate(shards)])
    score = hammer_scores(states, np.concatenate([e for _, _, e in shards]))
    _, end = np.unique(keys, axis=0, return_inverse=True)
    end, shot = end.reshape(-1), states["shot_number"] + 1
    # The row of the same end's next shot, or -1 after its last: rows come shot by shot.
    following = np.full(len(end), -1)
    step = (end[1:] == end[:-1]) & (shot[1:] == shot[:-1] + 1)
    following[:-1][step] = np.flatnonzero(step) + 1
    return {"states": states, "score": score, "shot": shot, "end": end, "next": following}


def split_ends(ends, held_out, seed):
    """A seeded split of the ends: (held-out mask over ends, the training ends in a seeded order,
    whose leading shares are the nested fractions)."""
    count = int(ends.max()) + 1 if len(ends) else 0
    n_held = int(round(held_out * count))
    if not 0 < n_held < count:
        raise DataError(f"{count} ends cannot be split with {held_out} held out")
    order = np.random.default_rng(seed).permutation(count)
    held = np.zeros(count, bool)
    held[order[:n_held]] = True
    return held, order[n_held:]


class Trainer:
    """The inputs of every position, computed once, and training runs on subsets of them."""

    def __init__(self, data, args):
        self.args = args
        self.stones, self.groups, self.globals = as_tensors(cs.value_inputs(data["states"]))
        self.target = torch.from_numpy(np.clip(data["score"], -MAX_SCORE, MAX_SCORE)
                                       + MAX_SCORE)
        self.next = torch.from_numpy(data["next"])
        self.shot = data["shot"]

    def td_targets(self, model):
        """Each position's target distribution under TD(lambda): after an end's last shot its
        score; before, (1 - lambda) times the model's distribution for the next position plus
        lambda times the next position's target. Lambda 1 is the score itself; below 1 a target
        carries less of the noise of the shots still to come."""
        lam = self.args.td_lambda
        targets = torch.nn.functional.one_hot(self.target, OUTPUTS).float()
        has_next = self.next.numpy() >= 0
        predicted = torch.zeros_like(targets)
        model.eval()
        rows = torch.from_numpy(np.flatnonzero(has_next))
        predicted[rows] = torch.softmax(self.logits(model, self.next[rows]), 1)
        for shot in range(int(self.shot.max()) - 1, 0, -1):  # each end backwards
            rows = torch.from_numpy(np.flatnonzero((self.shot == shot) & has_next))
            targets[rows] = (1 - lam) * predicted[rows] + lam * targets[self.next[rows]]
        return targets

    def logits(self, model, rows):
        rows = torch.as_tensor(rows)
        with torch.no_grad():
            return torch.cat([model(self.stones[r], self.groups[r], self.globals[r])
                              for r in torch.split(rows, 65536)])

    def loss(self, model, rows):
        model.eval()
        return float(torch.nn.functional.cross_entropy(self.logits(model, rows),
                                                       self.target[rows]))

    def expected(self, model, rows):
        model.eval()
        return expected_from_logits(self.logits(model, rows)).numpy()

    def train(self, train_rows, held_rows, log=print):
        """The model of the epoch with the lowest held-out loss, and the losses by epoch (epoch 0:
        the untrained model)."""
        a = self.args
        torch.manual_seed(a.seed)
        shuffle = torch.Generator().manual_seed(a.seed)
        train_rows, held_rows = torch.from_numpy(train_rows), torch.from_numpy(held_rows)
        model = ValueNet(a.hidden_sizes[0], a.hidden_sizes[1])
        optimiser = torch.optim.Adam(model.parameters(), lr=a.lr)
        history = [(0, self.loss(model, train_rows), self.loss(model, held_rows))]
        best = (history[0][2], 0, copy.deepcopy(model.state_dict()))
        for epoch in range(1, a.epochs + 1):
            soft = self.td_targets(model) if a.td_lambda < 1 else None
            model.train()
            order = train_rows[torch.randperm(len(train_rows), generator=shuffle)]
            for rows in torch.split(order, a.batch):
                logits = model(self.stones[rows], self.groups[rows], self.globals[rows])
                if soft is None:
                    loss = torch.nn.functional.cross_entropy(logits, self.target[rows])
                else:
                    loss = -(soft[rows] * torch.log_softmax(logits, 1)).sum(1).mean()
                optimiser.zero_grad()
                loss.backward()
                optimiser.step()
            history.append((epoch, self.loss(model, train_rows), self.loss(model, held_rows)))
            log(f"epoch {epoch:3d}: train {history[-1][1]:.4f}, held out {history[-1][2]:.4f}")
            if history[-1][2] < best[0]:
                best = (history[-1][2], epoch, copy.deepcopy(model.state_dict()))
        model.load_state_dict(best[2])
        model.eval()
        return model, history, best[1]


def r2_by_shot(score, shot, end, predictions, seed, resamples=RESAMPLES):
    """Per shot 1 to 16: the positions, and for each named prediction its R squared (1 - SSE/SST,
    SST about the mean of these positions) with a 95 % interval from resampling the ends; with two
    predictions also the paired difference of the first less the second."""
    rng = np.random.default_rng(seed)
    names = list(predictions)
    rows = []
    for s in range(1, SHOTS + 1):
        at = shot == s
        row = {"shot": s, "positions": int(at.sum())}
        if at.sum() < 2:
            rows.append(row)
            continue
        y = score[at].astype(np.float64)
        _, e = np.unique(end[at], return_inverse=True)
        sums = np.stack([np.bincount(e, w) for w in
                         [np.ones_like(y), y, y * y] +
                         [(y - predictions[n][at]) ** 2 for n in names]])
        count = sums.shape[1]
        weights = np.vstack([np.ones(count),
                             rng.multinomial(count, np.full(count, 1 / count), resamples)])
        n, sy, syy = weights @ sums[0], weights @ sums[1], weights @ sums[2]
        sst = syy - sy * sy / n
        sst[sst <= 1e-9 * n] = math.nan  # one score throughout: no share to explain
        with np.errstate(divide="ignore", invalid="ignore"):
            r2 = {name: 1 - (weights @ sums[3 + i]) / sst for i, name in enumerate(names)}
            if len(names) == 2:
                r2["difference"] = r2[names[0]] - r2[names[1]]
        for name, values in r2.items():
            low, high = (np.nanpercentile(values[1:], [2.5, 97.5]) if np.isfinite(values[1:]).any()
                         else (math.nan, math.nan))
            row[name] = {"r2": float(values[0]), "low": float(low), "high": float(high)}
        rows.append(row)
    return rows


NUMBER = r"([-+]?\d+(?:\.\d+)?)"
CEILING_CELL = re.compile(NUMBER + r"\s*%\s*\[\s*" + NUMBER + r"\s*,\s*" + NUMBER + r"\s*\]")


def read_ceiling(path):
    """The ceiling share by shot from a markdown table (as lab/room_study prints): the first
    column is the shot, and the first column whose header names "ceiling" holds "x % [lo, hi]"
    in percent; the first table with such a column is read. Returns {shot: (share, low, high)}
    as fractions."""
    column, ceiling = None, {}
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, start=1):
            if not line.lstrip().startswith("|"):
                if column is not None:
                    break  # the end of the table
                continue
            cells = [c.strip() for c in line.strip().strip("|").split("|")]
            if column is None:
                found = [i for i, c in enumerate(cells) if "ceiling" in c.lower()]
                column = found[0] if found else None
                continue
            if not cells[0].isdigit() or column >= len(cells):
                continue
            match = CEILING_CELL.search(cells[column])
            if not match:
                raise DataError(f"{path}:{number}: expected 'x % [low, high]' in the ceiling "
                                f"column, found {cells[column]!r}")
            ceiling[int(cells[0])] = tuple(float(v) / 100 for v in match.groups())
    if not ceiling:
        raise DataError(f"{path}: no table row with a ceiling share")
    return ceiling


def percent(entry):
    if not entry or not math.isfinite(entry["r2"]):
        return ""
    return f"{100 * entry['r2']:+.1f} % [{100 * entry['low']:+.1f}, {100 * entry['high']:+.1f}]"


def points(entry):
    """A difference of two R^2 in points of variance, with its interval."""
    return percent(entry).replace(" %", "")


def share_table(rows):
    lines = ["| shot | held-out positions | learned R^2 (95 %) | fitted R^2 (95 %) | "
             "learned - fitted, points (95 %) | ceiling (95 %) |",
             "|---:|---:|---|---|---|---|"]
    for r in rows:
        lines.append(f"| {r['shot']} | {r['positions']} | {percent(r.get('learned'))} | "
                     f"{percent(r.get('fitted'))} | {points(r.get('difference'))} | "
                     f"{percent(r.get('ceiling'))} |")
    return lines


def learning_table(curve):
    lines = ["| shot | " + " | ".join(f"{c['fraction']:g} of training ({c['ends']} ends)"
                                       for c in curve) + " |",
             "|---:|" + "---|" * len(curve)]
    for s in range(SHOTS):
        lines.append(f"| {s + 1} | " + " | ".join(percent(c["by_shot"][s].get("learned"))
                                                   for c in curve) + " |")
    return lines


def strict(value):
    """The value with every number that is not finite (no R^2 at a shot) as None (JSON's null)."""
    if isinstance(value, dict):
        return {k: strict(v) for k, v in value.items()}
    if isinstance(value, list):
        return [strict(v) for v in value]
    return None if isinstance(value, float) and not math.isfinite(value) else value


def write_report(out, summary, history, rows, curve):
    report = dict(summary, epochs=[{"epoch": e, "train_loss": t, "held_out_loss": h}
                                   for e, t, h in history], by_shot=rows)
    if curve:
        report["learning_curve"] = curve
    (out / "report.json").write_text(json.dumps(strict(report), indent=1, allow_nan=False) + "\n",
                                     encoding="utf-8")
    s = summary
    md = ["# The learned value, trained", "",
          f"Data: {', '.join(s['data'])}: {s['positions']} positions of {s['ends']} ends; "
          f"{s['train_ends']} ends ({s['train_positions']} positions) trained on, "
          f"{s['held_out_ends']} ends ({s['held_out_positions']} positions) held out.", "",
          f"Network: phi {s['phi_sizes']}, rho hidden {s['rho_sizes']}; Adam, learning rate "
          f"{s['lr']}, batch {s['batch']}, {s['epochs']} epochs, seed {s['seed']}. The weights "
          f"(value_net.txt) are those of epoch {s['best_epoch']}, the lowest held-out loss.", "",
          f"Time: inputs {s['seconds_inputs']:.1f} s, training {s['seconds_training']:.1f} s.",
          "", "## Loss by epoch (cross-entropy, nats)", "", "| epoch | train | held out |",
          "|---:|---:|---:|"]
    md += [f"| {e}{' (kept)' if e == s['best_epoch'] else ''} | {t:.4f} | {h:.4f} |"
           for e, t, h in history]
    md += ["", "## Held-out share of the variance of the end's score for the hammer, by shot", "",
           "R^2 = 1 - SSE/SST over the held-out positions before the shot; 95 % intervals from "
           f"{RESAMPLES} resamples of the held-out ends.", ""] + share_table(rows)
    if curve:
        md += ["", "## Learning curve: the learned R^2 held out, by share of the training ends",
               ""] + learning_table(curve)
    (out / "report.md").write_text("\n".join(md) + "\n", encoding="utf-8")

    trained = history[1:]  # the untrained model's loss would flatten the curves
    line_chart(out / "loss.svg", "Loss by epoch", "epoch", "cross-entropy (nats)",
               [{"name": "train", "x": [e for e, _, _ in trained],
                 "y": [t for _, t, _ in trained]},
                {"name": "held out", "x": [e for e, _, _ in trained],
                 "y": [h for _, _, h in trained]}])
    shots = [r["shot"] for r in rows]
    series = []
    for key, name in (("learned", "learned"), ("fitted", "fitted value"), ("ceiling", "ceiling")):
        entries = [r.get(key) for r in rows]
        if any(entries):
            series.append({"name": name, "x": shots,
                           **{k: [100 * e[k] if e else None for e in entries]
                              for k in ("r2", "low", "high")}})
            series[-1]["y"] = series[-1].pop("r2")
    line_chart(out / "share.svg", "Held-out share of the end's score explained", "shot",
               "R^2 (%)", series)
    if curve:
        line_chart(out / "learning.svg", "Learned R^2 held out by share of training", "shot",
                   "R^2 (%)", [{"name": f"{c['fraction']:g} ({c['ends']} ends)", "x": shots,
                                "y": [100 * r["learned"]["r2"] if "learned" in r else None
                                      for r in c["by_shot"]]} for c in curve])


def sizes(text):
    values = [int(v) for v in text.split(",") if v]
    if any(v < 1 for v in values):
        raise argparse.ArgumentTypeError("sizes must be positive")
    return values


def fractions(text):
    values = sorted({float(v) for v in text.split(",")})
    if not values or values[0] <= 0 or values[-1] > 1:
        raise argparse.ArgumentTypeError("fractions must lie in (0, 1]")
    return values


def parse(argv):
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--data", nargs="+", required=True, help=".npy shards of positions")
    p.add_argument("--out", required=True, type=pathlib.Path, help="folder for the results")
    p.add_argument("--seed", type=int, default=1, help="seeds the split and the training "
                   "(default 1)")
    p.add_argument("--epochs", type=int, default=30, help="default 30")
    p.add_argument("--batch", type=int, default=256, help="positions a step (default 256)")
    p.add_argument("--lr", type=float, default=1e-3, help="Adam's learning rate (default 0.001)")
    p.add_argument("--hidden-sizes", nargs=2, type=sizes, default=[[32, 16], [64]],
                   metavar=("PHI", "RHO"),
                   help="phi's widths and rho's hidden widths, comma-separated (default 32,16 64;"
                        " rho may be empty: '')")
    p.add_argument("--td-lambda", type=float, default=1.0,
                   help="train toward TD(lambda) targets: 1 (default) the end's score, below 1 "
                        "partly the model's own distribution for the next position")
    p.add_argument("--held-out", type=float, default=0.2,
                   help="share of the ends held out (default 0.2)")
    p.add_argument("--threads", type=int, default=1,
                   help="torch's threads (default 1: the network is too small to gain from more, "
                        "and on a busy machine they wait on one another); the results are alike")
    p.add_argument("--ceiling", help="markdown table of the ceiling share by shot (room_study's)")
    p.add_argument("--fractions", type=fractions,
                   help="nested shares of the training ends to train on, e.g. 0.25,0.5,1")
    args = p.parse_args(argv)
    if not args.hidden_sizes[0]:
        p.error("phi needs at least one width")
    if min(args.epochs, args.batch, args.threads) < 1 or not 0 < args.held_out < 1:
        p.error("--epochs, --batch and --threads must be positive, --held-out in (0, 1)")
    if not 0 <= args.td_lambda <= 1:
        p.error("--td-lambda must be from 0 to 1")
    return args


def run(args, log=print):
    """Trains, writes the weights and the report into args.out; returns the model and the rows of
    the report by shot."""
    torch.use_deterministic_algorithms(True)
    torch.set_num_threads(args.threads)
    start = time.monotonic()
    data = load(args.data)
    held_ends, train_order = split_ends(data["end"], args.held_out, args.seed)
    held = held_ends[data["end"]]
    held_rows, train_rows = np.flatnonzero(held), np.flatnonzero(~held)
    trainer = Trainer(data, args)
    fitted = cs.fitted_value(data["states"][held_rows])
    inputs_done = time.monotonic()
    log(f"{len(data['score'])} positions of {len(held_ends)} ends; {len(train_order)} ends "
        f"trained on, {int(held_ends.sum())} held out; inputs in {inputs_done - start:.1f} s")
    model, history, best_epoch = trainer.train(train_rows, held_rows, log)
    trained = time.monotonic()
    y, shot, end = (data[k][held_rows] for k in ("score", "shot", "end"))
    rows = r2_by_shot(y, shot, end, {"learned": trainer.expected(model, held_rows),
                                     "fitted": fitted}, args.seed)
    if args.ceiling:
        ceiling = read_ceiling(args.ceiling)
        for r in rows:
            if r["shot"] in ceiling:
                r["ceiling"] = dict(zip(("r2", "low", "high"), ceiling[r["shot"]]))
    curve = []
    for fraction in args.fractions or []:
        ends = math.ceil(fraction * len(train_order))
        if fraction < 1:
            log(f"fraction {fraction:g}: {ends} training ends")
            subset = np.zeros(len(held_ends), bool)
            subset[train_order[:ends]] = True
            sub_model, _, _ = trainer.train(np.flatnonzero(subset[data["end"]]), held_rows, log)
        else:
            sub_model = model
        by_shot = r2_by_shot(y, shot, end, {"learned": trainer.expected(sub_model, held_rows)},
                             args.seed)
        curve.append({"fraction": fraction, "ends": ends, "by_shot": by_shot})
    args.out.mkdir(parents=True, exist_ok=True)
    write_weights(model, args.out / "value_net.txt")
    summary = {"data": [str(p) for p in args.data], "positions": len(data["score"]),
               "ends": len(held_ends), "train_ends": len(train_order),
               "train_positions": len(train_rows), "held_out_ends": int(held_ends.sum()),
               "held_out_positions": len(held_rows), "seed": args.seed, "epochs": args.epochs,
               "batch": args.batch, "lr": args.lr, "phi_sizes": args.hidden_sizes[0],
               "rho_sizes": args.hidden_sizes[1], "best_epoch": best_epoch,
               "seconds_inputs": inputs_done - start, "seconds_training": trained - inputs_done}
    write_report(args.out, summary, history, rows, curve)
    log("\n".join(share_table(rows)))
    if curve:
        log("\n".join(learning_table(curve)))
    log(f"wrote {args.out}/value_net.txt, report.md, report.json, loss.svg, share.svg"
        + (", learning.svg" if curve else ""))
    return model, rows


def main(argv):
    args = parse(argv)
    try:
        run(args)
    except DataError as error:
        sys.exit(f"train_value: {error}")


if __name__ == "__main__":
    main(sys.argv[1:])
