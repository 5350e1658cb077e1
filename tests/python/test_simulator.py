"""curling_sim against the C library it wraps: the same bits, batches equal to single calls,
ValueError for bad input and a status for states outside the simulator's limits."""

import ctypes
import os

import numpy as np
import pytest

import curling_sim as cs


class CShot(ctypes.Structure):
    _fields_ = [("vx", ctypes.c_float), ("vy", ctypes.c_float), ("curl", ctypes.c_bool)]


@pytest.fixture(scope="module")
def clib():
    """The simulator library called directly through its C interface."""
    lib = ctypes.CDLL(os.environ.get("CURLING_SIMULATOR_LIB", "libcurling_simulator.so"))
    lib.Simulation.argtypes = [ctypes.c_void_p, CShot, ctypes.c_float, ctypes.POINTER(CShot),
                               ctypes.c_int]
    lib.CreateHitShot.argtypes = [CShot, ctypes.c_float, ctypes.POINTER(CShot)]
    return lib


def state_with(shot=0, end=0, side=0, stones=()):
    state = np.zeros((), cs.STATE_DTYPE)
    state["shot_number"], state["end_number"], state["side_to_move"] = shot, end, side
    if stones:
        state["stones"][:len(stones)] = stones
    return state


HOUSE_OF_EIGHT = [(2.375, 4.88), (2.0, 5.3), (2.8, 4.6), (2.3, 6.2), (1.6, 4.0), (3.2, 5.5),
                  (2.6, 3.6), (1.9, 7.4)]


@pytest.mark.parametrize("state, target, noise, seed", [
    (state_with(), (2.375, 4.88, 1, 0), 0.0, -1),
    (state_with(), (2.0, 6.0, 0, 0), 0.3, 7),
    (state_with(8, stones=HOUSE_OF_EIGHT), (2.375, 4.88, 0, 16), 0.3, 12345),
    (state_with(15, 9, 1, HOUSE_OF_EIGHT), (2.6, 3.6, 1, 8), 0.3, 2**31 - 1),
])
def test_simulate_is_the_c_call_bit_for_bit(clib, state, target, noise, seed):
    x, y, curl, power = target
    c_shot = CShot()
    assert clib.CreateHitShot(CShot(x, y, curl), power, ctypes.byref(c_shot)) == 0
    shot = cs.create_hit_shot(x, y, curl, power)
    assert shot == (c_shot.vx, c_shot.vy, int(c_shot.curl))

    after, executed = cs.simulate(state, shot, noise, seed)
    record, c_executed = state.copy(), CShot()
    assert clib.Simulation(record.ctypes.data, c_shot, noise, ctypes.byref(c_executed), seed) == 0
    assert after.tobytes() == record.tobytes()
    assert executed == (c_executed.vx, c_executed.vy, int(c_executed.curl))


def test_fields_are_the_records_fields():
    after, _ = cs.simulate(state_with(), cs.create_shot(2.375, 4.88, 1), 0.0)
    assert np.hypot(*(after["stones"][0] - (2.375, 4.88))) < 1e-3
    assert (after["shot_number"], after["side_to_move"], after["end_scores"][0]) == (1, 1, 1)


def random_batch(n, rng):
    states = np.zeros(n, cs.STATE_DTYPE)
    states["shot_number"] = rng.integers(0, 16, n)
    states["end_number"] = rng.integers(0, 10, n)
    states["side_to_move"] = rng.integers(0, 2, n)
    states["stones"] = rng.uniform((0.5, 3.0), (4.2, 9.0), (n, 16, 2)) * (rng.random((n, 16, 1)) < 0.5)
    targets = np.column_stack([rng.uniform(1.0, 3.7, n), rng.uniform(3.5, 8.0, n),
                               rng.integers(0, 2, n), rng.choice([0.0, 4.0, 16.0], n)])
    return states, targets, rng.integers(0, 2**31 - 1, n)


def test_batches_equal_single_calls():
    rng = np.random.default_rng(5)
    states, targets, seeds = random_batch(300, rng)
    shots = cs.create_shots(targets)
    for i in range(0, 300, 37):
        assert tuple(shots[i].item()) == cs.create_hit_shot(*targets[i])
    assert tuple(cs.create_shots(targets[:1, :3])[0].item()) == cs.create_shot(*targets[0, :3])

    after, executed, status = cs.simulate_many(states, shots, 0.3, seeds, 2)
    assert not status.any()
    for i in range(300):
        single, single_executed = cs.simulate(states[i], shots[i], 0.3, int(seeds[i]))
        assert after[i].tobytes() == single.tobytes()
        assert tuple(executed[i].item()) == single_executed

    # Shots as numbers, reversed views (negative strides), one state and shot with many seeds.
    as_numbers = np.column_stack([shots["vx"], shots["vy"], shots["curl"]])
    again = cs.simulate_many(states[::-1], as_numbers[::-1], 0.3, seeds[::-1], 1)[0]
    assert again.tobytes() == after[::-1].tobytes()
    one_state = cs.simulate_many(states[0], shots[0], np.float32(0.3), seeds[:20])[0]
    assert one_state.tobytes() == b"".join(
        cs.simulate(states[0], shots[0], 0.3, int(s))[0].tobytes() for s in seeds[:20])


def garbage_outputs(n):
    """Output arrays for out=, every byte 0xAB: a row the batch does not write whole shows."""
    out = (np.empty(n, cs.STATE_DTYPE), np.empty(n, cs.SHOT_DTYPE), np.empty(n, np.int32))
    for array in out:
        array.view(np.uint8)[:] = 0xAB
    return out


def test_batches_into_given_arrays_equal_new_ones():
    rng = np.random.default_rng(6)
    states, targets, seeds = random_batch(300, rng)
    states[7]["shot_number"] = 16  # one row outside the limits: NaN release, negative status
    shots = cs.create_shots(targets)
    expected = cs.simulate_many(states, shots, 0.3, seeds)
    out = garbage_outputs(300)
    returned = cs.simulate_many(states, shots, 0.3, seeds, 2, out)
    assert all(r is o for r, o in zip(returned, out))
    assert [o.tobytes() for o in out] == [e.tobytes() for e in expected]

    # The states may be the output array itself, or a view of it backwards (padding included).
    for given in (slice(None), slice(None, None, -1)):
        records = np.zeros(300, cs.STATE_DTYPE)
        records[given] = states
        cs.simulate_many(records[given], shots, 0.3, seeds, 2, (records, *garbage_outputs(300)[1:]))
        assert records.tobytes() == expected[0].tobytes()

    # One value for every input: played once per row of out.
    out = garbage_outputs(50)
    cs.simulate_many(states[0], shots[0], 0.0, None, 0, out)
    assert out[0].tobytes() == np.repeat(cs.simulate(states[0], shots[0], 0.0)[0].reshape(1),
                                         50).tobytes()


def test_rows_outside_the_limits_get_a_status_and_stay_as_given():
    # np.stack packs the dtype (no padding): the module takes it as the same fields.
    states = np.stack([state_with(), state_with(shot=16), state_with(end=10), state_with(side=2),
                       state_with(shot=-1)])
    shot = cs.create_shot(2.375, 4.88, 1)
    after, executed, status = cs.simulate_many(states, np.array(shot), 0.0)
    assert status[0] == 0 and (status[1:] < 0).all()
    assert (after[1:] == states[1:].astype(cs.STATE_DTYPE)).all()
    assert np.isnan(executed["vx"][1:]).all() and executed["vx"][0] == shot[0]


STATES = np.zeros(3, cs.STATE_DTYPE)
SHOTS = cs.create_shots(np.array([[2.375, 4.88, 1]] * 3))
OUT = (np.zeros(3, cs.STATE_DTYPE), np.zeros(3, cs.SHOT_DTYPE), np.zeros(3, np.int32))
READ_ONLY = np.zeros(3, cs.STATE_DTYPE)
READ_ONLY.flags.writeable = False


@pytest.mark.parametrize("call", [
    lambda: cs.simulate_many(np.zeros(3, [("x", "f8")]), SHOTS, 0.0),
    lambda: cs.simulate_many(np.zeros((2, 2), cs.STATE_DTYPE), SHOTS[0], 0.0),
    lambda: cs.simulate_many(STATES, np.zeros((3, 2)), 0.0),
    lambda: cs.simulate_many(STATES, SHOTS[:2], 0.0),
    lambda: cs.simulate_many(STATES, SHOTS, np.zeros(4)),
    lambda: cs.simulate_many(STATES, SHOTS, "0.3"),
    lambda: cs.simulate_many(STATES, SHOTS, 0.3, np.ones(3) * 0.5),
    lambda: cs.simulate_many(STATES, SHOTS, 0.3, 2**40),
    lambda: cs.simulate_many(STATES, SHOTS, 0.3, threads=-1),
    lambda: cs.simulate_many(STATES, SHOTS, 0.3, out=OUT[:2]),
    lambda: cs.simulate_many(STATES, SHOTS, 0.3, out=(READ_ONLY, *OUT[1:])),
    lambda: cs.simulate_many(STATES, SHOTS, 0.3, out=(OUT[0], OUT[1], np.zeros(3, np.int64))),
    lambda: cs.simulate_many(STATES, SHOTS, 0.3, out=(np.stack(list(OUT[0])), *OUT[1:])),
    lambda: cs.simulate_many(STATES, SHOTS, 0.3, out=(OUT[0], OUT[1], np.zeros(6, np.int32)[::2])),
    lambda: cs.simulate_many(STATES, SHOTS, 0.3, out=(OUT[0], OUT[1], np.zeros(4, np.int32))),
    lambda: cs.simulate_many(STATES[:2], SHOTS[0], 0.3, out=OUT),
    lambda: cs.simulate_many(STATES, SHOTS, 0.3, out=(OUT[0], OUT[1], OUT[0].view(np.int32)[:3])),
    lambda: cs.simulate(STATES, SHOTS[0], 0.0),
    lambda: cs.simulate(np.zeros(1, [("a", "i4")]), SHOTS[0], 0.0),
    lambda: cs.simulate(STATES[0], (1.0, 2.0), 0.0),
    lambda: cs.simulate(STATES[0], ("a", "b", "c"), 0.0),
    lambda: cs.simulate(state_with(end=12), SHOTS[0], 0.0),
    lambda: cs.simulate(STATES[0], SHOTS[0], 0.0, seed=2**31),
    lambda: cs.create_shot(float("nan"), 4.88, 1),
    lambda: cs.create_shots(np.zeros((3, 5))),
])
def test_bad_input_is_a_value_error(call):
    with pytest.raises(ValueError):
        call()
