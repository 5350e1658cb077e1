"""curling_sim: the project's curling simulator from Python.

The simulator's records are numpy structured dtypes with the C layouts (STATE_DTYPE, 184 bytes;
SHOT_DTYPE, 12 bytes), so arrays of them are passed to the C functions in place. Single calls
(create_shot, create_hit_shot, simulate) and batched ones (create_shots, simulate_many, the
latter on every core without the GIL) come from the extension, with the sheet's fixed points
(TEE_X, TEE_Y, HOUSE_RADIUS, STONE_RADIUS) and the engine's features of a position for its fitted
mid-end value (end_features) and of its learned value (value_inputs), its learned network
(ValueNet: the score distribution and expected score of a batch of states) and every evaluator of
its searches (evaluate); CurlingEnv plays one end per
episode in the usual reset/step form against a Python callable or a curling-engine process.
"""

from ._core import (
    HOUSE_RADIUS,
    SHOT_DTYPE,
    STATE_DTYPE,
    STONE_RADIUS,
    TEE_X,
    TEE_Y,
    ValueNet,
    create_hit_shot,
    create_shot,
    create_shots,
    end_features,
    evaluate,
    fitted_value,
    simulate,
    simulate_many,
    value_inputs,
)
from .engine import EngineError, EngineOpponent
from .env import CurlingEnv

__all__ = [
    "HOUSE_RADIUS",
    "SHOT_DTYPE",
    "STATE_DTYPE",
    "STONE_RADIUS",
    "TEE_X",
    "TEE_Y",
    "CurlingEnv",
    "ValueNet",
    "EngineError",
    "EngineOpponent",
    "create_hit_shot",
    "create_shot",
    "create_shots",
    "end_features",
    "evaluate",
    "fitted_value",
    "simulate",
    "simulate_many",
    "value_inputs",
]
