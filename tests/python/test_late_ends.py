"""lab/late_ends.py: games grouped by engine A's lead after eight ends, from either side."""
import importlib.util
import json
import pathlib

SCRIPT = pathlib.Path(__file__).resolve().parents[2] / "lab" / "late_ends.py"
spec = importlib.util.spec_from_file_location("late_ends", SCRIPT)
late_ends = importlib.util.module_from_spec(spec)
spec.loader.exec_module(late_ends)


def test_groups_by_a_s_lead_whichever_side_a_plays(tmp_path, capsys):
    games = [
        # A is side 0, 4 up after eight ends, then gives up 1 and 2: still wins by 1.
        (["A", "B"], [1, 1, 1, 1, 0, 0, 0, 0, -1, -2], "ahead by 3 or more", (1, -3)),
        # A is side 1: side 0's -3 is A's +3.
        (["B", "A"], [-3, 0, 0, 0, 0, 0, 0, 0, 1, 0], "ahead by 3 or more", (2, -1)),
        (["B", "A"], [2, 1, 0, 0, 0, 0, 0, 0, 0, -1], "behind by 3 or more", (-2, 1)),
        (["A", "B"], [1, -1, 0, 0, 0, 0, 0, 0, 0, 1], "close", (1, 1)),
    ]
    record = tmp_path / "record.jsonl"
    lines = [
        {"type": "match", "seed": 1},
        {"type": "game", "end_scores": [1, 2], "sides": ["A", "B"]},
    ]
    lines += [{"type": "game", "sides": s, "end_scores": scores} for s, scores, _, _ in games]
    record.write_text("".join(json.dumps(line) + "\n" for line in lines))
    rows = late_ends.late_ends([str(record)])
    expected = {group: [] for group in late_ends.GROUPS}
    for _, _, group, row in games:
        expected[group].append(row)
    assert rows == expected  # the unfinished 2-end game is left out
    # A's points in ends 1 to 8 are 4, 3, -3 and 0: an eighth of that a game, +0.125 an end.
    late_ends.main([str(record)])
    assert "ends 1-8: +0.125 " in capsys.readouterr().out.splitlines()[-1]
