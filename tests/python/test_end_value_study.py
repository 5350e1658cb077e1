"""bench/end_value_study.py: finished ends read from the hammer's side, and the held-out fit."""
import importlib.util
import json
import pathlib

BENCH = pathlib.Path(__file__).resolve().parents[2] / "bench" / "end_value_study.py"
spec = importlib.util.spec_from_file_location("end_value_study", BENCH)
study = importlib.util.module_from_spec(spec)
spec.loader.exec_module(study)

EMPTY = [[0.0, 0.0]] * 16


def test_the_running_score_before_the_last_shot_predicts_an_end_decided_by_it(tmp_path):
    # Each end's score is fixed after shot 15 and the last shot changes nothing; before shot 15
    # every position is the same. Ends alternate the hammer's side and record the running score
    # for side 0, so a reading that forgets to turn it round for side 1 predicts nothing.
    lines = [{"type": "match", "seed": 1}]
    for end in range(80):
        hammer, score = end % 2, (end * 7) % 5 - 2
        for shot in range(1, 17):
            running = (score if hammer == 0 else -score) if shot >= 15 else 0
            lines.append({"type": "shot", "game": 1, "end": end, "shot": shot,
                          "side": hammer if shot % 2 == 0 else 1 - hammer,
                          "engine": "A" if hammer == 0 else "B", "after": EMPTY,
                          "running_score": running})
    # An end left unfinished is not read.
    lines += [{"type": "shot", "game": 2, "end": 1, "shot": s, "side": s % 2, "engine": "A",
               "after": EMPTY, "running_score": 1} for s in range(1, 11)]
    record = tmp_path / "record.jsonl"
    record.write_text("".join(json.dumps(line) + "\n" for line in lines))

    ends = study.ends_of([str(record)])
    assert len(ends) == 80
    assert [e[0] for e in ends[:5]] == [-2, 0, 2, -1, 1]
    rows = study.study(ends)
    assert all(r > 0.99 for r in rows[14][:2])  # after shot 15: present and richer
    assert all(abs(r) < 0.05 for row in rows[:14] for r in row[:2])
