"""The learned value's inputs as the engine computes them: seen from the side with the hammer."""

import numpy as np
import pytest

import curling_sim as cs

R = cs.HOUSE_RADIUS
SHOTS, FEATURES = 16, 9  # the shot's one-hot, then the fitted value's features


def state(shot, end, side, scores, stones):
    s = np.zeros((), cs.STATE_DTYPE)
    s["shot_number"], s["end_number"], s["side_to_move"] = shot, end, side
    s["end_scores"][:len(scores)] = scores
    for slot, xy in stones.items():
        s["stones"][slot] = xy
    return s


@pytest.mark.parametrize("s, hammer_lead, ends_left", [
    # Side 1 to move at shot 5 throws the odd slots: side 1 has the hammer and is 1 behind.
    (state(5, 7, 1, [2, -1, 0, 0, 0, 0, 0, 3], {0: (cs.TEE_X, cs.TEE_Y), 1: (cs.TEE_X + R, cs.TEE_Y)}),
     -1, 2),
    # Side 1 to move at shot 4 throws the even slots: side 0 has the hammer, 20 up, in the last end.
    (state(4, 9, 1, [20], {0: (cs.TEE_X, cs.TEE_Y), 1: (cs.TEE_X + R, cs.TEE_Y)}), 20, 0),
])
def test_inputs_are_the_hammers_view(s, hammer_lead, ends_left):
    stones, groups, glob = cs.value_inputs(s)
    assert stones.shape == (1, 16, 3) and groups.shape == (1, 16) and glob.shape == (1, SHOTS + FEATURES + 3)
    # Odd slots are the hammer's (group 0), whoever is to move; slots out of play are -1 and zero.
    assert groups[0].tolist() == [1, 0] + [-1] * 14
    np.testing.assert_allclose(stones[0, :2], [[0, 0, 0], [1, 0, 1]], atol=1e-6)
    assert not stones[0, 2:].any()
    shot_hot = np.zeros(SHOTS)
    shot_hot[s["shot_number"]] = 1
    np.testing.assert_array_equal(glob[0, :SHOTS], shot_hot)
    np.testing.assert_allclose(glob[0, SHOTS:SHOTS + FEATURES], cs.end_features(s)[0], rtol=1e-6)
    lead = np.clip(hammer_lead, -8, 8) / 4
    np.testing.assert_allclose(glob[0, -3:], [lead, ends_left / 9, ends_left == 0], rtol=1e-6)


def test_a_batch_is_its_rows():
    rng = np.random.default_rng(5)
    states = np.zeros(50, cs.STATE_DTYPE)
    states["shot_number"] = rng.integers(0, 16, 50)
    states["end_number"] = rng.integers(0, 10, 50)
    states["side_to_move"] = rng.integers(0, 2, 50)
    states["end_scores"] = rng.integers(-3, 4, (50, 10))
    states["stones"] = rng.uniform((0.5, 3.0), (4.2, 9.0), (50, 16, 2)) * (rng.random((50, 16, 1)) < 0.5)
    batch = cs.value_inputs(states)
    for i in (0, 17, 49):
        for whole, row in zip(batch, cs.value_inputs(states[i])):
            np.testing.assert_array_equal(whole[i], row[0])
    with pytest.raises(ValueError):
        cs.value_inputs(np.zeros((2, 2)))


def test_fitted_value_is_the_hammers():
    # The same stones with either side to move: the hammer's stone on the tee is worth more to
    # the hammer than the other side's stone there.
    mine = [state(8, 2, side, [], {1: (cs.TEE_X, cs.TEE_Y)}) for side in (0, 1)]
    theirs = [state(8, 2, side, [], {0: (cs.TEE_X, cs.TEE_Y)}) for side in (0, 1)]
    values = cs.fitted_value(np.stack(mine + theirs))
    assert values[0] == values[1] and values[2] == values[3] and values[0] > values[2]
