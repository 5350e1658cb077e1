"""lab/end_value_study.py: finished ends read from the hammer's side, and the held-out fit."""
import importlib.util
import os
import pathlib
import re
import subprocess

import numpy as np

SCRIPT = pathlib.Path(__file__).resolve().parents[2] / "lab" / "end_value_study.py"
spec = importlib.util.spec_from_file_location("end_value_study", SCRIPT)
study = importlib.util.module_from_spec(spec)
spec.loader.exec_module(study)


def test_the_held_out_fit_explains_a_linear_score_and_not_noise():
    rng = np.random.default_rng(1)
    x = np.c_[np.ones(200), rng.normal(size=(200, 3))]
    half = np.arange(200) % 2
    assert study.held_out_r2(x, x @ np.array([0.5, 1.0, -2.0, 0.3]), half) > 0.99
    assert study.held_out_r2(x, rng.normal(size=200), half) < 0.02


def test_the_study_reads_the_features_the_search_is_fitted_on(tmp_path):
    # A short match of two seeded engines, fitted on all its ends by tools/end_value and by the
    # study's own reading of the record: the same weights, so the study's present features are
    # the search's.
    record = tmp_path / "match.jsonl"
    engine = os.environ["CURLING_ENGINE"]
    subprocess.run([os.environ["CURLING_MATCH"], "--games", "2", "--ends", "4", "--seed", "3",
                    "--record", str(record), f"{engine} --playouts 300 --seed 5",
                    f"{engine} --search strong --playouts 300 --seed 6"],
                   check=True, capture_output=True)
    printed = subprocess.run([os.environ["CURLING_END_VALUE"], str(record)], check=True,
                             capture_output=True, text=True).stdout
    weights = [[float(w) for w in re.findall(r"[-+]\d+\.\d+", line.split("//")[0])]
               for line in printed.splitlines() if line.rstrip().endswith("positions")]
    ends = study.ends_of([str(record)])
    assert len(ends) == 8
    y = np.array([e[0] for e in ends], dtype=float)
    for k in range(15):
        x = np.array([study.present(*e[2][k]) for e in ends], dtype=float)
        np.testing.assert_allclose(study.fit(x, y), weights[k + 1], atol=2e-4,
                                   err_msg=f"{k + 1} played")
