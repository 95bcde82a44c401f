#!/usr/bin/env python3
"""Times the package against the programs: a flight from Python against the same
flight by `flock --headless` (the overhead should stay under 5 %), a sweep at jobs=2
against jobs=1 (at least 1.8 times on an idle 2-core machine), and a sweep's cost per
run on a local Dask cluster of two worker processes (under 50 ms).

Usage: python3 bench/python_sweep.py [BUILD-DIR]   (default: build)
The package is taken from BUILD-DIR/python unless it is installed.
"""

import os
import pathlib
import subprocess
import sys
import time

source = pathlib.Path(__file__).resolve().parents[1]
build = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else source / "build").resolve()
sys.path.insert(0, str(build / "python"))
import quantumflock as qf  # noqa: E402

data = source / "data"
flock = build / "bin" / "flock"


def best_of(times, *works):
    """The shortest of `times` runs of each work, the works taking turns, so that a
    machine busy for a while slows each of them alike."""
    spent = [[] for _ in works]
    for _ in range(times):
        for work, times_of in zip(works, spent):
            start = time.perf_counter()
            work()
            times_of.append(time.perf_counter() - start)
    return [min(times_of) for times_of in spent]


def main():
    flight = dict(seed=1, agents=8, seconds=60)
    command = [str(flock), "--headless", "--seed", "1", "--agents", "8", "--seconds", "60", "--data", str(data)]
    program, python = best_of(10, lambda: subprocess.run(command, capture_output=True, check=True),
                              lambda: qf.flight(data=data, **flight))
    print(f"flight of 60 s, 8 agents: flock --headless {program:.3f} s, flight() {python:.3f} s, "
          f"ratio {python / program:.3f}")

    sweep = dict(seeds=range(1, 21), agents=[8], sensors=["setup"], seconds=60, data=data, progress=False)
    one, two = best_of(2, lambda: qf.sweep(jobs=1, **sweep), lambda: qf.sweep(jobs=2, **sweep))
    print(f"sweep of 20 flights of 60 s: jobs=1 {one:.2f} s, jobs=2 {two:.2f} s, speed-up {one / two:.2f}x")
    load = os.getloadavg()[0]
    if load > 1:
        print(f"(the load average was {load:.1f}: the machine was not idle)")

    from distributed import Client, LocalCluster
    short = dict(seeds=range(1, 41), agents=[1], sensors=["random"], seconds=1 / 60, data=data, progress=False)
    with LocalCluster(n_workers=2, threads_per_worker=1, host="127.0.0.1", dashboard_address=None) as cluster, \
            Client(cluster) as client:
        qf.sweep(client=client, **short)  # workers import the package once
        start = time.perf_counter()
        rows = qf.sweep(client=client, **short)
        wall = time.perf_counter() - start
    flying = rows["wall_seconds"].sum() / 2
    print(f"Dask sweep of {len(rows)} one-frame runs on 2 workers: {wall:.3f} s, "
          f"cost per run {(wall - flying) / len(rows) * 2 * 1000:.1f} ms beyond its flight")


if __name__ == "__main__":
    os.environ.setdefault("PYTHONDONTWRITEBYTECODE", "1")
    main()
