"""tools/self_play_data: whole games of seeded self-play, every position before a shot with the
end's and the game's final score, in one .npy file that repeats exactly and splits into shards."""
import os
import subprocess

import numpy as np
import pytest

import curling_sim as cs

PROGRAM = os.environ.get("CURLING_SELF_PLAY_DATA", "self_play_data")


def play(path, *options):
    subprocess.run([PROGRAM, "--playouts", "8", "--out", str(path), *options], check=True,
                   capture_output=True)
    return np.load(path)


def raw(rows):
    """The records as the file holds them, padding and all."""
    return rows.view(np.dtype((np.void, rows.dtype.itemsize)))


def test_every_position_of_every_end_with_what_followed_it(tmp_path):
    games, ends = 3, 2
    rows = play(tmp_path / "a.npy", "--games", str(games), "--ends", str(ends), "--seed", "7")
    state = rows["state"]
    assert state.dtype == cs.STATE_DTYPE and rows.shape == (games * ends * 16,)
    after, _ = cs.simulate(state[0], (0.0, -2.4, 1), 0.3, 1)
    assert after["shot_number"] == 1
    for game in range(games):
        of_game = rows[rows["game"] == game].reshape(ends, 16)
        first_side = game % 2  # side 1 opens the odd games
        total = 0
        for end, end_rows in enumerate(of_game):
            s = end_rows["state"]
            assert list(s["shot_number"]) == list(range(16))
            assert set(s["end_number"]) == {10 - ends + end}
            assert list(s["side_to_move"]) == [(first_side + shot) % 2 for shot in range(16)]
            for shot in range(16):  # the sheet holds only the stones of the end's shots so far
                assert not s["stones"][shot, shot:].any()
            points = end_rows["end_score"][0]
            assert set(end_rows["end_score"]) == {points}
            total += points
            if end + 1 < ends:
                # The next end records this one's score and opens with the side that scored.
                assert set(of_game[end + 1]["state"]["end_scores"][:, 10 - ends + end]) == {points}
                first_side = 0 if points > 0 else 1 if points < 0 else first_side
        assert set(of_game["game_score"].ravel()) == {total}
        assert not of_game["state"]["end_scores"][..., :10 - ends].any()


def test_shards_together_hold_the_unsharded_run_and_a_seed_repeats(tmp_path):
    run = ("--games", "3", "--ends", "1", "--seed", "5")
    whole = play(tmp_path / "whole.npy", *run)
    again = play(tmp_path / "again.npy", *run)
    assert (tmp_path / "whole.npy").read_bytes() == (tmp_path / "again.npy").read_bytes()
    other = play(tmp_path / "other.npy", "--games", "3", "--ends", "1", "--seed", "6")
    assert other.tobytes() != whole.tobytes()
    shards = [play(tmp_path / f"shard-{i}.npy", *run, "--shard", f"{i}/2") for i in range(2)]
    assert [sorted(set(s["game"])) for s in shards] == [[0, 2], [1]]
    # Compared as whole records: numpy's indexing of a record with padding leaves the padding
    # unset, while the files' padding must match too.
    for game in range(3):
        shard = shards[game % 2]
        assert (raw(shard)[shard["game"] == game].tobytes() ==
                raw(whole)[whole["game"] == game].tobytes())
    assert again.shape == whole.shape == (48,)


@pytest.mark.parametrize("options, status", [
    (["--out", "x.npy"], 2),  # no --playouts
    (["--playouts", "8"], 2),  # no --out
    (["--playouts", "0", "--out", "x.npy"], 2),
    (["--playouts", "8", "--out", "x.npy", "--ends", "11"], 2),
    (["--playouts", "8", "--out", "x.npy", "--search", "strong,nosuch"], 2),
    (["--playouts", "8", "--out", "x.npy", "--shard", "2/2"], 2),
    (["--playouts", "8", "--out", "x.npy", "--noise", "-0.1"], 2),
    (["--playouts", "8", "--out", "x.npy", "--games"], 2),
    (["--playouts", "8", "--out", "x.npy", "--colour", "red"], 2),
    (["--playouts", "8", "--out", "no/such/folder/x.npy"], 1),
    (["--playouts", "8", "--games", "2", "--out", "/dev/full"], 1),
])
def test_bad_options_and_failed_writes_leave_no_file(tmp_path, options, status):
    done = subprocess.run([PROGRAM, *options], cwd=tmp_path, capture_output=True, text=True)
    assert done.returncode == status
    assert ("usage:" in done.stderr) == (status == 2)
    assert not (tmp_path / "x.npy").exists()
