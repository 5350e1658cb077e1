"""CurlingEnv over whole ends: against a Python callable, in self-play, and against engine
processes through the protocol (the match tests' engine, and the real one, labelled slow)."""

import os

import numpy as np
import pytest

import curling_sim as cs

TEE_DRAW = (2.375, 4.88, 1, 0)  # a target: draw to the tee


def play_out(env, action, **reset):
    """Steps with `action` until the end is over; returns the steps and the last step's tuple."""
    env.reset(**reset)
    steps = []
    while not steps or not steps[-1][2]:
        steps.append(env.step(action))
    return steps


def test_an_end_against_a_callable():
    seen = []

    def opponent(state):
        seen.append((int(state["shot_number"]), int(state["side_to_move"])))
        return (2.2, 5.2, 0, 0)

    steps = play_out(cs.CurlingEnv(opponent, noise=0.3), TEE_DRAW, seed=1)
    assert len(steps) == 8 and seen == [(shot, 1) for shot in range(1, 16, 2)]
    assert all(reward == 0.0 and not term for _, reward, term, _, _ in steps[:-1])
    observation, reward, terminated, truncated, info = steps[-1]
    state = info["state"]
    assert (int(state["end_number"]), int(state["shot_number"])) == (1, 0)
    assert reward == info["score"] == state["end_scores"][0] and not truncated
    assert observation["stones"].shape == (16, 2) and observation["shot"] == 0
    assert len(info["executed"]) == 2  # the agent's shot 14 and the opponent's shot 15


def test_self_play_rewards_the_side_that_moved_and_replays_from_a_seed():
    env = cs.CurlingEnv(noise=0.3)
    first = play_out(env, TEE_DRAW, seed=11)
    again = play_out(env, TEE_DRAW, seed=11)
    assert len(first) == 16
    assert [s[0]["stones"].tobytes() for s in first] == [
        s[0]["stones"].tobytes() for s in again]
    # Side 1 delivers shot 15: its reward is the end's score seen from side 1.
    assert first[-1][1] == -first[-1][4]["state"]["end_scores"][0]
    with pytest.raises(RuntimeError):
        env.step(TEE_DRAW)


@pytest.fixture
def test_engine():
    path = os.environ.get("CURLING_TEST_ENGINE")
    if not path:
        pytest.skip("CURLING_TEST_ENGINE is not set")
    return path


def test_an_end_against_an_engine_process_one_command_per_read(test_engine, tmp_path):
    transcript = tmp_path / "transcript"
    # The engine pauses before every read: commands written before it read the last would merge.
    engine = cs.EngineOpponent([test_engine, "--transcript", str(transcript),
                                "--read-delay-ms", "3"], time_limit=10)
    env = cs.CurlingEnv(engine, noise=0.0, agent_side=1)
    steps = play_out(env, (2.0, 6.0, 0, 0))
    pid = engine.pid
    env.close()
    assert len(steps) == 8 and not os.path.exists(f"/proc/{pid}")
    # The engine's draws to the tee were played: with noise 0 its stones rest there.
    stones = steps[-1][4]["state"]["stones"]
    assert np.hypot(*(stones[0] - (2.375, 4.88))) < 1e-3
    lines = transcript.read_text().splitlines()
    assert lines[0] == "ISREADY" and len(lines) == 1 + 8 * 4
    for move, shot in enumerate(range(0, 16, 2)):
        position, setstate, score, go = lines[1 + 4 * move:5 + 4 * move]
        assert len(position.split(" ")) == 33 and position.startswith("POSITION ")
        assert (setstate, go) == (f"SETSTATE {shot} 0 0 0", "GO")
        assert score.startswith("SCORE ")


@pytest.mark.parametrize("mode", ["draw", "diagnostics", "split"])
def test_a_later_end_sends_the_earlier_ends_and_reads_past_diagnostics(test_engine, tmp_path, mode):
    """Diagnostic lines before the reply and a reply in two writes are read as the reply."""
    transcript = tmp_path / "transcript"
    state = np.zeros((), cs.STATE_DTYPE)
    state["end_number"], state["shot_number"], state["side_to_move"] = 3, 5, 1
    state["end_scores"][:4] = (2, 0, -1, 0)
    with cs.EngineOpponent([test_engine, "--mode", mode, "--delay-ms", "20", "--transcript",
                            str(transcript)], time_limit=10) as engine:
        action = engine(state)
        assert action == engine(state)  # the same answer again: nothing was left unread
    lines = transcript.read_text().splitlines()
    assert lines[1:8] == ["SETSTATE 0 0 0 1", "SCORE 2", "SETSTATE 0 1 0 1", "SCORE 0",
                          "SETSTATE 0 2 0 1", "SCORE -1", "POSITION " + " ".join(["0"] * 32)]
    assert lines[8:11] == ["SETSTATE 5 3 0 1", "SCORE 0", "GO"]
    assert action[2] == 1 and action[1] < 0  # the test engine's draw to the tee, curl for shot 5


@pytest.mark.parametrize("mode, limit, reason", [
    ("garbage", 10, "invalid reply to GO"), ("bad-curl", 10, "invalid reply to GO"),
    ("exit", 10, r"exited \(.+\) while"),
    ("silent", 2, "no reply to GO within 2 s"),
    ("no-ready", 2, "no reply to ISREADY within 2 s")])
def test_engine_faults_are_engine_errors(test_engine, mode, limit, reason):
    engine = cs.EngineOpponent([test_engine, "--mode", mode], time_limit=limit)
    env = cs.CurlingEnv(engine, agent_side=1)
    with pytest.raises(cs.EngineError, match=reason):
        env.reset()
    assert engine.pid is None


@pytest.mark.slow
def test_the_real_engine_plays_a_shot():
    with cs.EngineOpponent(os.environ["CURLING_ENGINE"], time_limit=30) as engine:
        observation, info = cs.CurlingEnv(engine, agent_side=1).reset(seed=2)
    assert observation["shot"] == 1 and len(info["executed"]) == 1
    assert np.isfinite(info["executed"][0][:2]).all()
