"""learn/: the learned value's training on synthetic shards, its held-out split by end, and its
weights file read back."""

import json
import os
import pathlib
import subprocess
import sys
import xml.etree.ElementTree as ElementTree

import numpy as np
import pytest
import torch

import curling_sim as cs

LEARN = pathlib.Path(__file__).resolve().parents[2] / "learn"
sys.path.insert(0, str(LEARN))
import compare_values  # noqa: E402
import train_value  # noqa: E402
import value_net  # noqa: E402

ROW_DTYPE = np.dtype([("state", cs.STATE_DTYPE), ("game", "<i8"), ("end_score", "<i4"),
                      ("game_score", "<i4")])
NEAR = cs.HOUSE_RADIUS + cs.STONE_RADIUS


def shard(ends, seed):
    """Sixteen rows per end, as self-play writes them. Each end has a final layout of stones; the
    position before shot s shows its slots below s. The hammer's score is its stones near the tee
    less the other side's, so the later positions tell more of it."""
    rng = np.random.default_rng(seed)
    rows = np.zeros(16 * ends, ROW_DTYPE)
    for e in range(ends):
        hammer = rng.integers(2)
        radius = 2.4 * np.sqrt(rng.random(16))
        angle = rng.uniform(0, 2 * np.pi, 16)
        final = np.stack([cs.TEE_X + radius * np.cos(angle),
                          cs.TEE_Y + radius * np.sin(angle)], axis=1)
        near = radius < NEAR
        score = int(near[1::2].sum() - near[0::2].sum())
        end_number = 3 * (e % 3) + rng.integers(3)  # apart within a game
        before = rng.integers(-2, 3, end_number)
        for s in range(16):
            r = rows[16 * e + s]
            state = r["state"]
            state["shot_number"], state["end_number"] = s, end_number
            state["side_to_move"] = hammer if s % 2 == 1 else 1 - hammer
            state["end_scores"][:end_number] = before
            state["stones"][:s] = final[:s]
            r["game"] = e // 3
            r["end_score"] = score if hammer == 0 else -score
            r["game_score"] = r["end_score"]
    return rows


@pytest.fixture(scope="module")
def shards(tmp_path_factory):
    folder = tmp_path_factory.mktemp("shards")
    paths = []
    for i, ends in enumerate((150, 100)):  # the two files share game numbers: still other ends
        paths.append(folder / f"shard{i}.npy")
        np.save(paths[-1], shard(ends, seed=i))
    return [str(p) for p in paths]


def test_training_learns_and_the_weights_file_reads_back_exactly(shards, tmp_path, capsys):
    args = train_value.parse(["--data", *shards, "--out", str(tmp_path), "--epochs", "5",
                              "--batch", "128", "--lr", "0.01", "--seed", "3",
                              "--fractions", "0.5,1"])
    model, rows = train_value.run(args, log=lambda line: None)
    report = json.loads((tmp_path / "report.json").read_text())
    losses = report["epochs"]
    assert len(losses) == 6 and losses[0]["epoch"] == 0
    kept = losses[report["best_epoch"]]["held_out_loss"]
    assert kept == min(e["held_out_loss"] for e in losses) < losses[0]["held_out_loss"] - 0.3
    assert losses[-1]["train_loss"] < losses[0]["train_loss"] - 0.3
    # The last shot's position shows 15 of the 16 stones: most of the score is known.
    assert rows[15]["learned"]["r2"] > 0.5 and rows[15]["positions"] == 50
    assert [c["fraction"] for c in report["learning_curve"]] == [0.5, 1.0]
    for name in ("loss.svg", "share.svg", "learning.svg"):
        ElementTree.parse(tmp_path / name)
    assert "| 16 | 50 |" in (tmp_path / "report.md").read_text()

    states = np.concatenate([np.load(p)["state"] for p in shards]).astype(cs.STATE_DTYPE)

    # The engine's own evaluation of the file (the code "Strong" runs) is PyTorch's to 1e-5, and
    # the engine plays with it.
    engine_net = cs.ValueNet(str(tmp_path / "value_net.txt"))
    with torch.no_grad():
        logits = model(*value_net.as_tensors(cs.value_inputs(states)))
    np.testing.assert_allclose(engine_net.distribution(states), torch.softmax(logits, 1).numpy(),
                               rtol=0, atol=1e-5)
    np.testing.assert_allclose(engine_net.expected(states), value_net.expected_score(model, states),
                               rtol=0, atol=1e-5)
    # compare_values holds out the same ends and reads the file through the engine's code.
    compare_values.main(["--data", *shards, "--weights", f"net={tmp_path / 'value_net.txt'}",
                         "--seed", "3"])
    last = capsys.readouterr().out.splitlines()[-1].split(" | ")
    assert last[3] == train_value.percent(rows[15]["learned"])
    reply = subprocess.run([os.environ["CURLING_ENGINE"], "--search", "strong", "--eval", "learned",
                            "--weights", str(tmp_path / "value_net.txt"), "--workers", "1",
                            "--seed", "1", "--playouts", "50"],
                           input=b"GO", capture_output=True, timeout=60)
    last_line = reply.stdout.splitlines()[-1]
    assert reply.returncode == 0 and last_line.startswith(b"BESTSHOT "), reply


def test_a_seeded_run_is_repeated_exactly_on_any_number_of_threads(shards, tmp_path):
    texts = []
    for out, threads in (("a", "1"), ("b", "2")):
        args = train_value.parse(["--data", *shards, "--out", str(tmp_path / out),
                                  "--epochs", "2", "--seed", "5", "--threads", threads])
        train_value.run(args, log=lambda line: None)
        texts.append((tmp_path / out / "value_net.txt").read_text())
    assert texts[0] == texts[1]


@pytest.mark.parametrize("held_out, seed", [(0.2, 1), (0.5, 2), (0.1, 3), (0.9, 4)])
def test_the_held_out_split_never_divides_an_end(shards, held_out, seed):
    data = train_value.load(shards)
    assert data["end"].max() + 1 == 250  # (file, game, end_number): the files' ends are apart
    held_ends, train_order = train_value.split_ends(data["end"], held_out, seed)
    held = held_ends[data["end"]]
    for e in range(250):
        assert len(set(held[data["end"] == e])) == 1
    assert held_ends.sum() == round(held_out * 250)
    assert sorted(train_order) == list(np.flatnonzero(~held_ends))


@pytest.mark.parametrize("lam", [0.0, 0.5, 1.0])
def test_td_targets_run_each_end_backwards_from_its_score(shards, lam):
    data = train_value.load(shards[:1])
    trainer = train_value.Trainer(data, train_value.parse(
        ["--data", shards[0], "--out", "unused", "--td-lambda", str(lam)]))
    model = value_net.ValueNet()
    targets = trainer.td_targets(model).numpy()
    predicted = torch.softmax(trainer.logits(model, np.arange(len(data["shot"]))), 1).numpy()
    score = np.eye(17)[np.clip(data["score"], -8, 8) + 8]
    for first in range(0, 48, 16):  # three ends of sixteen rows, shot by shot
        expected = score[first + 15]
        for row in range(first + 15, first - 1, -1):
            if row < first + 15:
                expected = (1 - lam) * predicted[row + 1] + lam * expected
            np.testing.assert_allclose(targets[row], expected, atol=1e-6)
    assert (data["next"][15::16] == -1).all()


def test_a_file_given_twice_is_refused(shards):
    with pytest.raises(train_value.DataError, match="a file is given twice"):
        train_value.load([shards[0], shards[1], str(pathlib.Path(shards[0]).parent / "."
                                                    / pathlib.Path(shards[0]).name)])


def test_a_shot_without_spread_has_no_share_and_the_report_stays_json(tmp_path):
    # The hammer scores 2 in every position before shot 4 (shot_number 3): nothing to explain.
    rows = shard(40, seed=7)
    at = rows["state"]["shot_number"] == 3
    states = rows["state"][at].astype(cs.STATE_DTYPE)
    rows["end_score"][at] = 2 * train_value.hammer_scores(states, np.ones(at.sum(), int))
    path = tmp_path / "flat.npy"
    np.save(path, rows)
    args = train_value.parse(["--data", str(path), "--out", str(tmp_path / "out"),
                              "--epochs", "1"])
    _, by_shot = train_value.run(args, log=lambda line: None)
    assert np.isnan(by_shot[3]["learned"]["r2"])
    report = json.loads((tmp_path / "out" / "report.json").read_text(),
                        parse_constant=lambda name: pytest.fail(f"{name} in the JSON"))
    assert report["by_shot"][3]["learned"]["r2"] is None


@pytest.mark.parametrize("shot, side_to_move, end_score, hammers", [
    (0, 0, 3, -3),   # side 0 throws slot 0: side 1 has the hammer
    (0, 1, 3, 3),
    (7, 0, 2, 2),    # side 0 throws slot 7, an odd one: side 0 has the hammer
    (7, 1, 2, -2),
    (15, 1, -1, 1),
])
def test_the_end_score_is_the_hammers(shot, side_to_move, end_score, hammers):
    states = np.zeros(1, cs.STATE_DTYPE)
    states["shot_number"], states["side_to_move"] = shot, side_to_move
    assert train_value.hammer_scores(states, np.array([end_score]))[0] == hammers


def bad_rows():
    rows = shard(2, seed=9)
    rows["state"]["shot_number"][5] = 16
    return rows


@pytest.mark.parametrize("content, message", [
    (b"not numpy at all", "not a readable .npy file"),
    (np.zeros(4, np.float32), "expected a 1-d array with the fields"),
    (np.zeros((2, 16), ROW_DTYPE), "expected a 1-d array"),
    (np.zeros(3, [("state", "<f4", 46), ("game", "<i8"), ("end_score", "<i4"),
                  ("game_score", "<i4")]), "'state' is not curling_sim.STATE_DTYPE"),
    (np.zeros(3, [("state", cs.STATE_DTYPE), ("game", "<i8"), ("end_score", "<f4"),
                  ("game_score", "<i4")]), "'end_score' is not an integer"),
    (bad_rows(), "row 5 (and 0 more) is not a position before a shot"),
])
def test_a_malformed_data_file_is_a_clear_error(tmp_path, content, message):
    path = tmp_path / "bad.npy"
    if isinstance(content, bytes):
        path.write_bytes(content)
    else:
        np.save(path, content)
    with pytest.raises(train_value.DataError, match=message.replace("(", r"\(")
                       .replace(")", r"\)")):
        train_value.load([str(path)])
    with pytest.raises(SystemExit, match="train_value: .*bad.npy"):
        train_value.main(["--data", str(path), "--out", str(tmp_path / "out")])


def test_the_weights_file_format(tmp_path):
    torch.manual_seed(0)
    model = value_net.ValueNet([4], [])
    with torch.no_grad():  # values whose shortest text is not float32's nine digits
        model.phi[0].weight[0] = torch.tensor([0.1, 1e-8, -3.4e38])
    path = tmp_path / "w.txt"
    value_net.write_weights(model, path)
    lines = path.read_text().split("\n")
    assert lines[:5] == ["curling-value-net 1", "stone-inputs 3", "global-inputs 28",
                         "outputs 17", "layer phi 4 3"]
    assert lines[10] == "layer rho 17 36" and lines[-2:] == ["end", ""]
    assert len(lines) == 5 + 4 + 1 + 1 + 17 + 1 + 1 + 1 and "" not in lines[:-1]
    # Nine digits: every weight reads back as the very float32 written.
    rows = np.array([line.split() for line in lines[5:9]], dtype=np.float32)
    assert np.array_equal(rows, model.phi[0].weight.detach().numpy())


def test_r_squared_by_shot_and_its_interval():
    rng = np.random.default_rng(0)
    score = rng.integers(-3, 4, 400).astype(float)
    shot = np.repeat([15, 16], 200)
    end = np.tile(np.arange(200), 2)
    rows = train_value.r2_by_shot(score, shot, end, {"exact": score,
                                                     "mean": np.full(400, score.mean())}, 1)
    assert [r["positions"] for r in rows] == [0] * 14 + [200, 200]
    assert rows[15]["exact"] == {"r2": 1.0, "low": 1.0, "high": 1.0}
    mean = rows[14]["mean"]  # the overall mean is near each shot's own: R^2 a little below 0
    assert -0.05 < mean["r2"] <= 0 and mean["low"] < mean["r2"] <= mean["high"]
    assert rows[15]["difference"]["r2"] == pytest.approx(1 - rows[15]["mean"]["r2"])


def test_the_ceiling_table_of_room_study(tmp_path):
    path = tmp_path / "room.md"
    path.write_text("Some text.\n\n"
                    "| shot | positions | ceiling share (95 %) | room: ceiling - R^2 (95 %) |\n"
                    "|---:|---:|---|---|\n"
                    "| 1 | 150 | +0.3 % [-1.7, +2.4] | +5.4 [+2.5, +8.7] |\n"
                    "| 16 | 150 | +48.4 % [+41.0, +54.6] | +10.1 [+6.4, +14.5] |\n"
                    "\nAnother table.\n\n| shot | ceiling |\n|---|---|\n| 2 | none |\n")
    assert train_value.read_ceiling(path) == pytest.approx(
        {1: (0.003, -0.017, 0.024), 16: (0.484, 0.41, 0.546)})
    path.write_text("| shot | ceiling |\n|---|---|\n| 3 | high |\n")
    with pytest.raises(train_value.DataError, match="room.md:3: expected 'x % \\[low, high\\]'"):
        train_value.read_ceiling(path)


def test_without_torch_the_command_says_how_to_install_it():
    # A None entry in sys.modules makes `import torch` fail as if it were not installed.
    hide = ("import runpy, sys; sys.modules['torch'] = None; sys.argv = ['train_value.py']; "
            f"runpy.run_path({str(LEARN / 'train_value.py')!r}, run_name='__main__')")
    run = subprocess.run([sys.executable, "-c", hide], capture_output=True, text=True)
    assert run.returncode == 1
    assert "PyTorch is not installed" in run.stderr
    assert "scripts/install-deps --learning" in run.stderr
