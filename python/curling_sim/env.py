"""CurlingEnv: one end of curling per episode, in the reset/step form of the common
reinforcement-learning interface (without depending on any such library)."""

import numpy as np

from ._core import STATE_DTYPE, create_hit_shot, simulate


def release_of(action):
    """The release of an action: (vx, vy, curl) as it is, or a target (x, y, curl, power) through
    create_hit_shot (power 0 is the draw to (x, y))."""
    values = tuple(action)
    if len(values) == 3:
        return values
    if len(values) == 4:
        x, y, curl, power = values
        return create_hit_shot(x, y, curl, power)
    raise ValueError(f"an action is (vx, vy, curl) or (x, y, curl, power), got {action!r}")


class CurlingEnv:
    """One end per episode: the agent plays side `agent_side` against `opponent`, every shot
    with the execution error `noise` (seeded from the episode's generator, so that
    reset(seed=...) replays an episode exactly).

    opponent: None (the agent plays both sides), a callable that takes the state (a
        STATE_DTYPE record) and returns an action, or an EngineOpponent (a curling-engine
        process). An opponent with a new_game() method has it called by every reset.
    reset(seed=None, options=None) -> (observation, info). options={"state": record} starts
        from that state instead of an empty sheet with side 0 to move in end 0; the opponent
        then plays until it is the agent's turn.
    step(action) -> (observation, reward, terminated, truncated, info). The action, a release
        (vx, vy, curl) or a target (x, y, curl, power), is played, then the opponent's shots
        until the agent's turn or the end of the end.
    observation: {"stones": float32 array (16, 2), sheet metres, (0, 0) out of play; slots of the
        parity of "shot" belong to the side to move, "shot": the next shot of the end, 0 to 15}.
    reward: 0 until the end is over, then its score for the side that moved in this step
        (the agent's side against an opponent), positive when that side scored.
    terminated: the end is over. truncated: always False (an end has a fixed length).
    info: {"state": the state record, "executed": the releases played in the step, "score":
        the end's score so far for the side that moved}.
    """

    def __init__(self, opponent=None, *, noise=0.3, agent_side=0):
        if agent_side not in (0, 1):
            raise ValueError("agent_side must be 0 or 1")
        self.opponent = opponent
        self.noise = float(noise)
        self.agent_side = agent_side
        self.state = None
        self._end = 0
        self._rng = np.random.default_rng()

    def reset(self, seed=None, options=None):
        if seed is not None:
            self._rng = np.random.default_rng(seed)
        start = (options or {}).get("state")
        if start is None:
            self.state = np.zeros((), STATE_DTYPE)
        else:
            self.state = np.array(start, dtype=STATE_DTYPE).reshape(())
        self._end = int(self.state["end_number"])
        if hasattr(self.opponent, "new_game"):
            self.opponent.new_game()
        executed = self._opponent_turns()
        return self._observation(), self._info(self.agent_side, executed)

    def step(self, action):
        if self.state is None or self._over():
            raise RuntimeError("the episode is over: call reset()")
        mover = int(self.state["side_to_move"])
        executed = [self._play(release_of(action))]
        executed += self._opponent_turns()
        terminated = self._over()
        reward = float(self._score_for(mover)) if terminated else 0.0
        return self._observation(), reward, terminated, False, self._info(mover, executed)

    def close(self):
        close = getattr(self.opponent, "close", None)
        if close is not None:
            close()

    def _over(self):
        return int(self.state["end_number"]) != self._end

    def _play(self, release):
        seed = int(self._rng.integers(0, 2**31 - 1))
        self.state, executed = simulate(self.state, release, self.noise, seed)
        return executed

    def _opponent_turns(self):
        executed = []
        while (self.opponent is not None and not self._over()
               and int(self.state["side_to_move"]) != self.agent_side):
            executed.append(self._play(release_of(self.opponent(self.state.copy()))))
        return executed

    def _score_for(self, side):
        score = int(self.state["end_scores"][self._end]) if 0 <= self._end < 10 else 0
        return score if side == 0 else -score

    def _observation(self):
        return {"stones": self.state["stones"].copy(), "shot": int(self.state["shot_number"])}

    def _info(self, mover, executed):
        return {"state": self.state.copy(), "executed": executed, "score": self._score_for(mover)}
