#!/usr/bin/env python3
"""Times the package against the programs: a flight from Python against the same
flight by `flock --headless` (the overhead should stay under 5 %), a sweep at jobs=2
against jobs=1 (at least 1.8 times on an idle 2-core machine), and a sweep's cost per
run on a local Dask cluster of two worker processes (under 50 ms). Beside each wall
time it gives the processor time spent: on a machine that others keep busy the wall
times mostly measure waiting for a core, and Linux gives a session (all of this
program's processes) its share of the processors whatever the number of its jobs.

Usage: /usr/bin/python3 bench/python_sweep.py [BUILD-DIR]   (default: build)
The package is taken from BUILD-DIR/python.
"""

import os
import pathlib
import resource
import subprocess
import sys
import time

source = pathlib.Path(__file__).resolve().parents[1]
build = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else source / "build").resolve()
sys.path.insert(0, str(build / "python"))
import quantumflock as qf  # noqa: E402

data = source / "data"
flock = build / "bin" / "flock"


def processor_seconds():
    """User and system time of this process and of its children that ended."""
    own, children = resource.getrusage(resource.RUSAGE_SELF), resource.getrusage(resource.RUSAGE_CHILDREN)
    return own.ru_utime + own.ru_stime + children.ru_utime + children.ru_stime


def best_of(times, *works):
    """The shortest wall time of `times` runs of each work, and each work's mean
    processor time and mean wall time, the works taking turns, so that a machine busy for a while slows
    each of them alike. On a machine others keep busy the processor times are the
    figures to compare: a wall time there is mostly waiting for a core."""
    spent = [[] for _ in works]
    used = [0.0 for _ in works]
    for _ in range(times):
        for i, work in enumerate(works):
            start, processor = time.perf_counter(), processor_seconds()
            work()
            spent[i].append(time.perf_counter() - start)
            used[i] += (processor_seconds() - processor) / times
    return [(min(times_of), used[i], sum(times_of) / times) for i, times_of in enumerate(spent)]


def main():
    print(f"load average at the start {os.getloadavg()[0]:.1f} on {os.cpu_count()} cores")
    flight = dict(seed=1, agents=8, seconds=60)
    command = [str(flock), "--headless", "--seed", "1", "--agents", "8", "--seconds", "60", "--data", str(data)]
    (program, program_cpu, _), (python, python_cpu, _) = best_of(
        20, lambda: subprocess.run(command, capture_output=True, check=True), lambda: qf.flight(data=data, **flight))
    print(f"flight of 60 s, 8 agents: flock --headless {program:.3f} s, flight() {python:.3f} s, "
          f"ratio {python / program:.3f}")
    print(f"  processor time: flock --headless {program_cpu:.4f} s, flight() {python_cpu:.4f} s, "
          f"ratio {python_cpu / program_cpu:.3f}")

    sweep = dict(seeds=range(1, 21), agents=[8], sensors=["setup"], seconds=60, data=data, progress=False)
    program_sweep = [str(flock), "--sweep", "--seeds", "1-20", "--agents", "8", "--sensors", "setup", "--seconds",
                     "60", "--jobs", "1", "--data", str(data)]
    (one, one_cpu, one_mean), (two, two_cpu, two_mean), (_, program_cpu, _) = best_of(
        3, lambda: qf.sweep(jobs=1, **sweep), lambda: qf.sweep(jobs=2, **sweep),
        lambda: subprocess.run(program_sweep, capture_output=True, check=True))
    print(f"sweep of 20 flights of 60 s: jobs=1 {one:.2f} s, jobs=2 {two:.2f} s, speed-up {one / two:.2f}x")
    print(f"  processor time: jobs=1 {one_cpu:.2f} s ({one_cpu / one_mean:.2f} cores busy), "
          f"jobs=2 {two_cpu:.2f} s ({two_cpu / two_mean:.2f} cores busy), flock --sweep --jobs 1 {program_cpu:.2f} s")
    load = os.getloadavg()[0]
    if load > 1 or two_cpu / two_mean < 1.6:
        # Linux shares the processors between sessions (autogroups) before processes:
        # on a machine others keep busy, a second job gets no more time than one.
        print(f"(the load average was {load:.1f}: the machine was not idle, and two jobs could not have "
              f"two cores)")

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
    print(f"load average at the end {os.getloadavg()[0]:.1f}")


if __name__ == "__main__":
    os.environ.setdefault("PYTHONDONTWRITEBYTECODE", "1")
    main()
