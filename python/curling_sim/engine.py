"""curling-engine as an opponent: the server side of the engine protocol, as the match runner
speaks it. Each command goes in one write without a line terminator, and the next one only after
the engine has read it (the engine takes one read as one command, so two commands in the pipe at
once would merge into one illegal command)."""

import fcntl
import math
import os
import re
import select
import signal
import struct
import subprocess
import termios
import time

_NUMBER = r"[-+]?(?:\d+\.?\d*|\.\d+)(?:[eE][-+]?\d+)?"
_BESTSHOT = re.compile(rf"BESTSHOT ({_NUMBER}) ({_NUMBER}) ([01])")
_FLOAT_MAX = 3.4028234663852886e38

# How long unfinished output may sit before it counts as the engine's (invalid) answer: engines
# write each reply, and each diagnostic line, in one write.
_SETTLE = 0.3
# How long an engine whose input was closed gets to exit before its process group is killed.
_EXIT_GRACE = 0.5


class EngineError(RuntimeError):
    """The engine did not start, exited, stayed silent past the time limit or gave an invalid
    reply. The process is gone when this is raised; the next call starts a fresh one."""


def _coordinate(value):
    value = float(value)
    return format(value if math.isfinite(value) else 0.0, ".9g")


class EngineOpponent:
    """An engine process (`command`: a string for /bin/sh -c, or a list of arguments) playing one
    side. Called with a state (a STATE_DTYPE record) whose side to move it plays, it sends the
    position, the shot and the scores and returns its answer to GO as (vx, vy, curl). The process
    starts on first use, in a process group of its own that close() ends. `time_limit` is the
    seconds it may take to read a command or to answer."""

    def __init__(self, command, time_limit=60.0):
        self.command = command
        self.time_limit = float(time_limit)
        self._process = None
        self._output = b""
        self._quiet_since = 0.0

    @property
    def pid(self):
        """The running engine's process id, or None."""
        return self._process.pid if self._process else None

    def new_game(self):
        """Starts the engine when it is not running and waits for its READYOK to ISREADY."""
        if self._process is None:
            self._start()
        deadline = time.monotonic() + self.time_limit
        self._send("ISREADY", deadline)
        self._await(lambda text: text == "READYOK", "ISREADY", deadline)

    def __call__(self, state):
        if self._process is None:
            self.new_game()
        deadline = time.monotonic() + self.time_limit
        side = 1 if int(state["side_to_move"]) else 0
        end = int(state["end_number"])
        scores = state["end_scores"]
        # Earlier ends' scores, each stored in the slot of the end SETSTATE names.
        for earlier in range(min(max(end, 0), 10)):
            self._send(f"SETSTATE 0 {earlier} 0 {side}", deadline)
            self._send(f"SCORE {int(scores[earlier])}", deadline)
        stones = state["stones"].ravel()
        self._send("POSITION " + " ".join(_coordinate(v) for v in stones), deadline)
        self._send(f"SETSTATE {int(state['shot_number'])} {end} 0 {side}", deadline)
        self._send(f"SCORE {int(scores[end]) if 0 <= end < 10 else 0}", deadline)
        self._send("GO", deadline, wait_read=False)
        match = self._await(_BESTSHOT.fullmatch, "GO", deadline)
        vx, vy = float(match[1]), float(match[2])
        if abs(vx) > _FLOAT_MAX or abs(vy) > _FLOAT_MAX:
            self._fail(f"invalid reply to GO: {match[0]!r}")
        return (vx, vy, int(match[3]))

    def close(self):
        """Closes the engine's input, gives it a moment to exit, then kills its process group."""
        process, self._process = self._process, None
        self._output = b""
        if process is None:
            return
        process.stdin.close()
        try:
            process.wait(_EXIT_GRACE)
        except subprocess.TimeoutExpired:
            pass
        # The group still exists while the shell is unreaped; kill what it may have left.
        try:
            os.killpg(process.pid, signal.SIGKILL)
        except (ProcessLookupError, PermissionError):
            pass
        process.wait()
        process.stdout.close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def __del__(self):
        try:
            self.close()
        except Exception:  # at interpreter exit the modules close() needs may be gone
            pass

    def _start(self):
        try:
            self._process = subprocess.Popen(
                self.command, shell=isinstance(self.command, str), stdin=subprocess.PIPE,
                stdout=subprocess.PIPE, bufsize=0, start_new_session=True)
        except OSError as error:
            raise EngineError(f"did not start: {error}") from error
        os.set_blocking(self._process.stdin.fileno(), False)
        os.set_blocking(self._process.stdout.fileno(), False)
        self._output = b""

    def _fail(self, reason):
        self.close()
        raise EngineError(reason)

    def _gone(self, during):
        self._process.poll()
        code = self._process.returncode
        how = "closed its pipes" if code is None else f"exit status {code}"
        self._fail(f"exited ({how}) while {during}")

    def _drain(self):
        """Reads what the engine has written; False at the end of its output."""
        while True:
            try:
                chunk = os.read(self._process.stdout.fileno(), 65536)
            except BlockingIOError:
                return True
            if not chunk:
                return False
            self._output += chunk
            self._quiet_since = time.monotonic()

    def _send(self, command, deadline, wait_read=True):
        word = command.split(" ", 1)[0]
        data = command.encode()
        fd = self._process.stdin.fileno()
        try:
            written = os.write(fd, data)
        except (BrokenPipeError, BlockingIOError):
            written = -1
        if written != len(data):
            self._gone(f"sending {word}")
        while wait_read:
            pending = struct.unpack("i", fcntl.ioctl(fd, termios.FIONREAD, b"\0\0\0\0"))[0]
            if pending == 0:
                return
            if not self._drain() or self._process.poll() is not None:
                self._gone(f"reading {word}")
            if time.monotonic() >= deadline:
                self._fail(f"did not read {word} within {self.time_limit:g} s")
            select.select([self._process.stdout], [], [], 0.001)

    def _await(self, matches, word, deadline):
        """Reads until a line, or the unterminated rest, of the output satisfies `matches`;
        lines before it are the engine's diagnostics. Returns what `matches` returned."""
        self._quiet_since = time.monotonic()
        while True:
            open_ = self._drain()
            pieces = self._output.decode(errors="replace").split("\n")
            for piece in pieces:
                found = matches(piece.rstrip("\r"))
                if found:
                    self._output = b""
                    return found
            now = time.monotonic()
            if pieces[-1] and now >= self._quiet_since + _SETTLE:
                self._fail(f"invalid reply to {word}: {pieces[-1][:120]!r}")
            if not open_:
                self._gone(f"waiting for the reply to {word}")
            if now >= deadline:
                self._fail(f"no reply to {word} within {self.time_limit:g} s")
            select.select([self._process.stdout], [], [], min(0.05, max(deadline - now, 0.0)))
