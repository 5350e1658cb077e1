"""Shots per second from Python through curling_sim, beside the C++ figures of the same run.

Draws to the tee on an empty sheet and hits (power 16) into a house of eight stones, each with
noise 0, with noise 0.3 from the threads' own generators (unseeded) and with noise 0.3 and one
seed per shot (seeded): one by one (simulate in a Python loop), batched on one thread and batched
on every core (simulate_many over arrays of N states and shots). The batches write into output
arrays allocated once and reused from run to run (out=), as a learning loop would; the last column
is the same batches into new arrays (the default), whose fresh pages the kernel zeroes when they
are first written. The C++ figures are the medians of simulator_bench (Google Benchmark, one
core) on the same shots, run first.

CPU time is the process's (all threads); wall time is inflated when other work shares the
machine, so CPU time per shot is the figure to compare with C++. "cores used" is CPU / wall of
the batch on every core (2 on an idle two-core machine), "speed-up" its wall time against the
batch on one thread. A shared machine may give the process less than every core whatever its
threads (Linux schedules sessions fairly, see /proc/sys/kernel/sched_autogroup_enabled), so the
CPU time of each thread in one batch is shown too: the work is spread over the threads.

    /usr/bin/python3 bench/python_throughput.py [--build build/release] [--repeat 5]
"""

import argparse
import json
import os
import statistics
import subprocess
import sys
import threading
import time

import numpy as np

HOUSE_OF_EIGHT = [(2.375, 4.88), (2.0, 5.3), (2.8, 4.6), (2.3, 6.2), (1.6, 4.0), (3.2, 5.5),
                  (2.6, 3.6), (1.9, 7.4)]

# (name, C++ benchmark, noise, seeded) for each shot kind; rows per batch and per loop.
MODES = [("noise 0", "{plain}/noise_x10:0", 0.0, False),
         ("noise 0.3, unseeded", "{plain}/noise_x10:3", 0.3, False),
         ("noise 0.3, seeded", "BM_SeededShot/hit:{hit}", 0.3, True)]
KINDS = [("draw, empty sheet", "BM_DrawEmptySheet", 0, 200_000, 20_000),
         ("hit, house of eight", "BM_HitIntoHouseOfEight", 1, 20_000, 4_000)]


def cpp_figures(bench, repeat):
    """Median CPU and wall time per call (microseconds) of each simulator_bench benchmark."""
    output = subprocess.run(
        [bench, "--benchmark_filter=BM_(DrawEmptySheet|HitIntoHouseOfEight|SeededShot)",
         "--benchmark_format=json", f"--benchmark_repetitions={repeat}",
         "--benchmark_report_aggregates_only=true"],
        check=True, capture_output=True, text=True).stdout
    scale = {"ns": 1e-3, "us": 1.0, "ms": 1e3}
    figures = {}
    for run in json.loads(output)["benchmarks"]:
        # One repetition reports the run itself, more report their median.
        if run.get("aggregate_name") == "median" or (repeat == 1 and run["run_type"] == "iteration"):
            unit = scale[run["time_unit"]]
            figures[run["run_name"]] = (run["cpu_time"] * unit, run["real_time"] * unit)
    return figures


def measure(run, rows, repeat):
    """Median CPU and wall microseconds per row of `run()` over `repeat` runs."""
    cpu, wall = [], []
    for _ in range(repeat):
        c0, w0 = time.process_time(), time.perf_counter()
        run()
        cpu.append((time.process_time() - c0) / rows * 1e6)
        wall.append((time.perf_counter() - w0) / rows * 1e6)
    return statistics.median(cpu), statistics.median(wall)


def reused_outputs(cs, rows):
    """Output arrays for out=, every page already written once, as a loop that reuses them has."""
    out = (np.zeros(rows, cs.STATE_DTYPE), np.zeros(rows, cs.SHOT_DTYPE), np.zeros(rows, np.int32))
    for array in out:
        array.view(np.uint8)[:] = 0  # np.zeros leaves fresh pages untouched until then
    return out


def thread_cpu_seconds(run):
    """Runs `run()` while sampling the CPU time of each thread of the process (Linux /proc):
    which threads worked, and how much, even when the machine's scheduler gives the process less
    than every core. Returns the seconds each thread spent in `run()`, those of 10 ms or more."""
    tick = os.sysconf("SC_CLK_TCK")

    def threads():
        seconds = {}
        for task in os.listdir("/proc/self/task"):
            try:
                with open(f"/proc/self/task/{task}/stat") as stat:
                    fields = stat.read().rsplit(")", 1)[1].split()
            except OSError:
                continue  # the thread ended between the listing and the read
            seconds[task] = (int(fields[11]) + int(fields[12])) / tick  # utime + stime
        return seconds

    before, latest, done = threads(), {}, threading.Event()

    def sample():
        while not done.is_set():
            latest.update(threads())
            done.wait(0.01)

    sampler = threading.Thread(target=sample)
    sampler.start()
    run()
    done.set()
    sampler.join()
    worked = (s - before.get(task, 0.0) for task, s in latest.items())
    return sorted((s for s in worked if s >= 0.01), reverse=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    parser.add_argument("--build", default=os.path.join(root, "build", "release"))
    parser.add_argument("--repeat", type=int, default=5)
    parser.add_argument("--scale", type=float, default=1.0, help="multiplies the row counts")
    args = parser.parse_args()
    sys.path.insert(0, os.path.join(args.build, "python"))
    import curling_sim as cs

    print(f"load average {os.getloadavg()[0]:.1f}, {os.cpu_count()} cores; medians of "
          f"{args.repeat} runs; microseconds per shot, CPU / wall")
    cpp = cpp_figures(os.path.join(args.build, "bench", "simulator_bench"), args.repeat)
    header = ("shot", "C++ loop", "Python 1 by 1", "batch 1 thread", "batch all cores",
              "cores used", "speed-up", "batch CPU / C++, 1 thread / all cores",
              "into new arrays: CPU / C++, 1 thread / all cores")
    print(" | ".join(header))
    for kind, plain, hit, rows, loop_rows in KINDS:
        rows, loop_rows = int(rows * args.scale), int(loop_rows * args.scale)
        state = np.zeros((), cs.STATE_DTYPE)
        if hit:
            state["shot_number"] = 8
            state["stones"][:8] = HOUSE_OF_EIGHT
            shot = cs.create_hit_shot(2.375, 4.88, 0, 16)
        else:
            shot = cs.create_shot(2.375, 4.88, 1)
        states = np.repeat(state.reshape(1), rows)
        shots = np.repeat(np.array([shot], cs.SHOT_DTYPE), rows)
        out = reused_outputs(cs, rows)
        for mode, cpp_name, noise, seeded in MODES:
            seeds = np.arange(rows, dtype=np.int32) if seeded else None
            loop_seeds = range(loop_rows) if seeded else [-1] * loop_rows

            def one_by_one():
                for seed in loop_seeds:
                    cs.simulate(state, shot, noise, seed)

            def batch(threads, into=out):
                return lambda: cs.simulate_many(states, shots, noise, seeds, threads, into)

            cpp_cpu, cpp_wall = cpp[cpp_name.format(plain=plain, hit=hit)]
            single = measure(one_by_one, loop_rows, args.repeat)
            one_thread = measure(batch(1), rows, args.repeat)
            all_cores = measure(batch(0), rows, args.repeat)
            new_one_thread = measure(batch(1, None), rows, args.repeat)
            new_all_cores = measure(batch(0, None), rows, args.repeat)
            print(" | ".join([
                f"{kind}, {mode}",
                f"{cpp_cpu:.2f} / {cpp_wall:.2f}",
                f"{single[0]:.2f} / {single[1]:.2f}",
                f"{one_thread[0]:.2f} / {one_thread[1]:.2f}",
                f"{all_cores[0]:.2f} / {all_cores[1]:.2f}",
                f"{all_cores[0] / all_cores[1]:.2f}",
                f"{one_thread[1] / all_cores[1]:.2f}",
                f"{one_thread[0] / cpp_cpu:.2f} / {all_cores[0] / cpp_cpu:.2f}",
                f"{new_one_thread[0] / cpp_cpu:.2f} / {new_all_cores[0] / cpp_cpu:.2f}"]))
        if hit:
            noise = np.full(10 * rows, 0.3)
            busy = thread_cpu_seconds(lambda: cs.simulate_many(state, shot, noise, None, 0))
            print(f"CPU seconds of each thread in one batch of {10 * rows} unseeded hits on "
                  f"every core: " + ", ".join(f"{s:.2f}" for s in busy))


if __name__ == "__main__":
    main()
