"""The learned network and the engine's evaluators from Python, on batches of states."""

import pathlib

import numpy as np
import pytest

import curling_sim as cs

WEIGHTS = pathlib.Path(__file__).resolve().parents[2] / "src" / "search" / "eval" / "value_net_weights.txt"


def batch(n, seed=7):
    rng = np.random.default_rng(seed)
    states = np.zeros(n, cs.STATE_DTYPE)
    states["shot_number"] = rng.integers(1, 15, n)  # the shot after is still in the end
    states["end_number"] = rng.integers(0, 10, n)
    states["side_to_move"] = rng.integers(0, 2, n)
    states["end_scores"] = rng.integers(-2, 3, (n, 10))
    states["stones"] = rng.uniform((1.0, 3.0), (3.8, 8.0), (n, 16, 2)) * (rng.random((n, 16, 1)) < 0.6)
    return states


def test_a_batch_from_the_compiled_in_network_or_its_file_and_a_refused_file(tmp_path):
    states = batch(40)
    p = cs.ValueNet().distribution(states)
    assert p.shape == (40, 17) and p.dtype == np.float64
    np.testing.assert_allclose(p.sum(axis=1), 1.0, atol=1e-9)
    np.testing.assert_allclose(cs.ValueNet().expected(states), p @ np.arange(-8, 9), atol=1e-9)
    np.testing.assert_array_equal(cs.ValueNet(str(WEIGHTS)).distribution(states[3]), p[3:4])
    bad = tmp_path / "bad.txt"
    bad.write_text(WEIGHTS.read_text().replace("global-inputs 28", "global-inputs 27"))
    with pytest.raises(ValueError, match=r"bad\.txt: line 3: "):
        cs.ValueNet(str(bad))


@pytest.mark.parametrize("evaluator", ["outcome", "fitted", "learned", "screen"])
@pytest.mark.parametrize("objective", ["points", "game"])
def test_every_evaluator_values_a_batch_for_either_side(evaluator, objective):
    before = batch(30)
    after = before.copy()
    after["shot_number"] += 1
    sides = np.arange(30) % 2
    values = cs.evaluate(before, after, sides, objective=objective, evaluator=evaluator)
    assert values.shape == (30,) and np.isfinite(values).all()
    assert cs.evaluate(before[4], after[4], 0, objective, evaluator)[0] == cs.evaluate(before, after, 0, objective, evaluator)[4]
    if evaluator == "learned" and objective == "points":  # the hammer's expected score, for the side
        hammer = np.where(after["shot_number"] % 2 == 1, after["side_to_move"], 1 - after["side_to_move"])
        expected = cs.ValueNet().expected(after)
        np.testing.assert_allclose(values, np.where(hammer == sides, expected, -expected))


@pytest.mark.parametrize("bad", [dict(side=2), dict(side=[0, 1]), dict(side=0, objective="win"),
                                 dict(side=0, evaluator="deep"), dict(side=0, evaluator="fitted", net=cs.ValueNet())])
def test_evaluate_refuses_bad_arguments(bad):
    with pytest.raises(ValueError):
        cs.evaluate(batch(3), batch(3), **bad)
