"""The learned value of a position: the network, and its weights file "curling-value-net 1".

The network reads curling_sim.value_inputs (src/search/eval/value_inputs.h), seen from the side
with the hammer. phi (Linear layers, ReLU after each) maps every stone in play to a vector; the
vectors are summed over the hammer's stones and, apart, over the other side's (out-of-play stones
add nothing, a side without stones gives zeros); rho (Linear layers, ReLU after all but the last)
maps [hammer sum, other sum, globals] to 17 logits, whose softmax p_k is the probability that the
hammer scores k - 8 in the end. learn/README.md documents the weights file the engine loads.
"""

import numpy as np
import torch

import curling_sim as cs

FORMAT = "curling-value-net 1"
STONE_INPUTS = 3
GLOBAL_INPUTS = 28
OUTPUTS = 17
MAX_SCORE = (OUTPUTS - 1) // 2  # the outputs are the hammer's scores -8 to 8
SCORES = torch.arange(-MAX_SCORE, MAX_SCORE + 1, dtype=torch.float32)


class ValueNet(torch.nn.Module):
    """phi widths (the last is the pooled width) and rho's hidden widths; float32."""

    def __init__(self, phi_sizes=(32, 16), rho_sizes=(64,)):
        super().__init__()
        if not phi_sizes:
            raise ValueError("phi needs at least one layer")
        phi_widths = [STONE_INPUTS, *phi_sizes]
        rho_widths = [2 * phi_sizes[-1] + GLOBAL_INPUTS, *rho_sizes, OUTPUTS]
        self.phi = torch.nn.ModuleList(
            torch.nn.Linear(a, b) for a, b in zip(phi_widths, phi_widths[1:]))
        self.rho = torch.nn.ModuleList(
            torch.nn.Linear(a, b) for a, b in zip(rho_widths, rho_widths[1:]))

    def forward(self, stones, groups, globals_):
        """The 17 logits of each position: stones (N, 16, 3), groups (N, 16), globals (N, 28)."""
        h = stones
        for layer in self.phi:
            h = torch.relu(layer(h))
        hammer = (h * (groups == 0).unsqueeze(-1)).sum(dim=1)
        other = (h * (groups == 1).unsqueeze(-1)).sum(dim=1)
        x = torch.cat([hammer, other, globals_], dim=1)
        for i, layer in enumerate(self.rho):
            x = layer(x)
            if i + 1 < len(self.rho):
                x = torch.relu(x)
        return x


def as_tensors(inputs):
    """curling_sim.value_inputs' three arrays as tensors."""
    stones, groups, globals_ = inputs
    return (torch.from_numpy(np.ascontiguousarray(stones, dtype=np.float32)),
            torch.from_numpy(np.ascontiguousarray(groups, dtype=np.int8)),
            torch.from_numpy(np.ascontiguousarray(globals_, dtype=np.float32)))


def expected_from_logits(logits):
    """The expected score for the hammer: sum over k of softmax(logits)_k (k - 8)."""
    return (torch.softmax(logits, dim=1) * SCORES).sum(dim=1)


@torch.no_grad()
def expected_score(model, states, batch=65536):
    """The network's expected end score for the hammer of each state (N,) as float32."""
    model.eval()
    stones, groups, globals_ = as_tensors(cs.value_inputs(states))
    out = [expected_from_logits(model(stones[i:i + batch], groups[i:i + batch],
                                      globals_[i:i + batch]))
           for i in range(0, len(stones), batch)]
    return torch.cat(out).numpy() if out else np.zeros(0, np.float32)


def _number(w):
    """A float32 as text that reads back as the same float32 (9 significant digits suffice)."""
    if not np.isfinite(w):
        raise ValueError("a weight is not finite")
    return "%.9g" % w


def write_weights(model, path):
    """Writes the model as "curling-value-net 1": a header, then each layer in the order it is
    applied (phi, then rho) as "layer KIND OUT IN", OUT rows of W and one row of b; then "end"."""
    lines = [FORMAT, f"stone-inputs {STONE_INPUTS}", f"global-inputs {GLOBAL_INPUTS}",
             f"outputs {OUTPUTS}"]
    for kind, layers in (("phi", model.phi), ("rho", model.rho)):
        for layer in layers:
            w = layer.weight.detach().numpy().astype(np.float32)
            b = layer.bias.detach().numpy().astype(np.float32)
            lines.append(f"layer {kind} {w.shape[0]} {w.shape[1]}")
            lines += [" ".join(_number(v) for v in row) for row in w]
            lines.append(" ".join(_number(v) for v in b))
    lines.append("end")
    with open(path, "w", encoding="ascii", newline="\n") as f:
        f.write("\n".join(lines) + "\n")
