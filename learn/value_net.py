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


class WeightsError(ValueError):
    """A weights file that is not a well-formed "curling-value-net 1"."""


def _floats(line, count, where):
    words = line.split(" ")
    if len(words) != count:
        raise WeightsError(f"{where}: {len(words)} numbers, expected {count}")
    try:
        values = np.array([float(p) for p in words], dtype=np.float32)
    except ValueError:
        raise WeightsError(f"{where}: not a number in {line[:40]!r}") from None
    if not np.isfinite(values).all():
        raise WeightsError(f"{where}: a number is not finite")
    return values


def load_weights(path):
    """The ValueNet a "curling-value-net 1" file describes; WeightsError names the first fault."""
    with open(path, encoding="ascii") as f:
        text = f.read()
    if not text.endswith("\n"):
        raise WeightsError(f"{path}: the last line does not end with a line feed")
    lines = text[:-1].split("\n")
    header = [FORMAT, f"stone-inputs {STONE_INPUTS}", f"global-inputs {GLOBAL_INPUTS}",
              f"outputs {OUTPUTS}"]
    for i, expected in enumerate(header):
        if i >= len(lines) or lines[i] != expected:
            raise WeightsError(f"{path}:{i + 1}: expected {expected!r}")
    layers = {"phi": [], "rho": []}
    i = len(header)
    while i < len(lines) and lines[i] != "end":
        where = f"{path}:{i + 1}"
        words = lines[i].split(" ")
        if len(words) != 4 or words[0] != "layer" or words[1] not in layers:
            raise WeightsError(f"{where}: expected 'layer phi|rho OUT IN' or 'end'")
        kind = words[1]
        if kind == "phi" and layers["rho"]:
            raise WeightsError(f"{where}: a phi layer after a rho layer")
        try:
            rows, cols = int(words[2]), int(words[3])
        except ValueError:
            raise WeightsError(f"{where}: the sizes are not integers") from None
        if rows < 1 or cols < 1:
            raise WeightsError(f"{where}: a size below 1")
        if i + rows + 1 >= len(lines):
            raise WeightsError(f"{where}: the file ends inside the layer")
        w = np.stack([_floats(lines[i + 1 + r], cols, f"{path}:{i + 2 + r}")
                      for r in range(rows)])
        b = _floats(lines[i + 1 + rows], rows, f"{path}:{i + 2 + rows}")
        layers[kind].append((w, b))
        i += rows + 2
    if i != len(lines) - 1:
        raise WeightsError(f"{path}: 'end' is not the last line")
    _check_shapes(path, layers)
    phi_sizes = [w.shape[0] for w, _ in layers["phi"]]
    rho_sizes = [w.shape[0] for w, _ in layers["rho"][:-1]]
    model = ValueNet(phi_sizes, rho_sizes)
    with torch.no_grad():
        for module, (w, b) in zip([*model.phi, *model.rho], layers["phi"] + layers["rho"]):
            module.weight.copy_(torch.from_numpy(w))
            module.bias.copy_(torch.from_numpy(b))
    return model


def _check_shapes(path, layers):
    phi, rho = layers["phi"], layers["rho"]
    if not phi or not rho:
        raise WeightsError(f"{path}: needs at least one phi and one rho layer")
    width = STONE_INPUTS
    for kind, chain in (("phi", phi), ("rho", rho)):
        if kind == "rho":
            width = 2 * width + GLOBAL_INPUTS
        for n, (w, _) in enumerate(chain, start=1):
            if w.shape[1] != width:
                raise WeightsError(f"{path}: {kind} layer {n} reads {w.shape[1]} inputs, "
                                   f"the one before gives {width}")
            width = w.shape[0]
    if width != OUTPUTS:
        raise WeightsError(f"{path}: the last rho layer gives {width} outputs, not {OUTPUTS}")
