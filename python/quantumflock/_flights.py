"""Flights and sweeps: the flights flock --headless flies, and the rows of flock --sweep."""

import io
import itertools
import os
import sys

import pandas as pd

from . import _checks
from . import _core

try:
    from tqdm.auto import tqdm
except ImportError:  # no progress bar without tqdm
    tqdm = None

Failure = _core.Failure

FIGURES = [figure["name"] for figure in _core.figures()]
COUNTS = {figure["name"] for figure in _core.figures() if figure["count"]}
# World settings the flock knows; a setting is refused unless it is one of these.
SETTINGS = ()


class SweepFailure(Failure):
    """Runs of a sweep failed: `failures` holds (run, why) of each, `rows` the rows of the others."""

    def __init__(self, message, rows=None, failures=()):
        super().__init__(message)
        self.rows = rows
        self.failures = list(failures)


class NoSensorFile(FileNotFoundError, ValueError):
    """Sensors that are neither setup, random nor an existing file."""


def data_folder(data=None):
    """The folder whose setup script the flock reads: `data` when given, else the working
    folder, the package's own data or the data of the sources it was built from."""
    given = "" if data is None else _checks.text("data", data)
    if given and not os.path.isdir(given):
        raise FileNotFoundError(2, "data: no such folder", given)
    package_data = os.path.join(os.path.dirname(os.path.abspath(__file__)), "data")
    folder, problem = _core.find_data(given, [package_data, _core.source_data_folder])
    if folder is None:
        raise FileNotFoundError(2, problem, given or os.getcwd())
    return folder


def _sensors(value):
    """(label, source, file) of one entry of `sensors`."""
    label = _checks.text("sensors", value)
    if label in ("setup", "random"):
        return label, label, ""
    if not os.path.exists(label):
        raise NoSensorFile(2, "sensors: neither setup, random nor a sensor file", label)
    return label, "file", _checks.existing_file("sensors", label)


def _settings(settings):
    if settings is None:
        return {}
    if not isinstance(settings, dict):
        raise TypeError(f"settings must be a dict of setting name to value, not {type(settings).__name__}")
    for name in settings:
        if name not in SETTINGS:
            known = ", ".join(SETTINGS) if SETTINGS else "none yet"
            raise ValueError(f"settings: no setting '{name}'; the known ones are {known}")
    return dict(settings)


def _flight_ask(seed, agents, seconds, sensors, folder):
    ask = _core.FlightAsk()
    ask.seed = _checks.whole("seed", seed, 0, 2**32 - 1)
    ask.agents = _checks.whole("agents", agents, 1, _core.max_agents)
    ask.seconds = _checks.number("seconds", seconds, above=0, high=_core.max_seconds)
    if ask.agents * ask.seconds > _core.max_agent_seconds:
        raise ValueError(f"agents x seconds must be at most {_core.max_agent_seconds:g}, "
                         f"not {ask.agents} x {ask.seconds:g}")
    _, ask.sensors, ask.sensor_file = sensors
    ask.data_folder = folder
    return ask


class _DistinctLines:
    """Writes each distinct line of the minds' text once, as the programs do."""

    def __init__(self):
        self.seen = set()

    def write(self, text):
        for line in text.splitlines():
            if line and line not in self.seen and len(self.seen) < 1000:
                self.seen.add(line)
                print(line, file=sys.stderr)


def _figures(values):
    return {name: int(value) if name in COUNTS else value for name, value in values.items()}


def flight(seed=1, agents=_core.default_agents, seconds=60, sensors="setup", setup=None, data=None, settings=None,
           every=None, **others):
    """Flies the flock as `flock --headless` does and returns its figures as a dict.

    seed, agents and seconds are flock's --seed, --agents and --seconds; sensors is
    "setup" (the sensors the setup script loads), "random" or a sensor file; data is
    the data folder (default: the working folder, else the package's data). With
    `every` (seconds) it returns (figures, series): the series a DataFrame with one row
    per period, its end time and the figures of that period. Raises Failure when the
    flock cannot fly, with flock's message.
    """
    _checks.refuse_unknown("flight", others, _FLIGHT_ARGUMENTS)
    _settings(settings)
    if setup is not None:
        raise ValueError("setup: only the data folder's own setup script can be flown")
    ask = _flight_ask(seed, agents, seconds, _sensors(sensors), data_folder(data))
    if every is not None:
        ask.every = _checks.number("every", every, above=0, high=ask.seconds)
    figures, periods, minds = _core.fly(ask)
    _DistinctLines().write(minds)
    figures = _figures(figures)
    if every is None:
        return figures
    series = pd.DataFrame([{"time": end, **_figures(values)} for end, values in periods],
                          columns=["time", *FIGURES])
    return figures, series


_FLIGHT_ARGUMENTS = ("seed", "agents", "seconds", "sensors", "setup", "data", "settings", "every")
_SWEEP_ARGUMENTS = ("seeds", "agents", "sensors", "setups", "settings", "seconds", "jobs", "client", "progress",
                    "data")


def rows_frame(lines):
    """The DataFrame of row lines, as pandas reads a sweep's CSV file."""
    text = _core.rows_header + "".join(line + "\n" for line in lines)
    return pd.read_csv(io.StringIO(text), dtype={"sensors": str})


def _plan(seeds, agents, sensors, seconds, folder):
    """Every run of the grid in flock --sweep's order: agents, then sensors, then seeds."""
    runs = []
    for index, (count, entry, seed) in enumerate(itertools.product(agents, sensors, seeds)):
        run = _core.RunAsk()
        run.run = index
        run.label = entry[0]
        run.flight = _flight_ask(seed, count, seconds, entry, folder)
        runs.append(run)
    return runs


def _spec(run):
    """A run as plain values, for a worker in another process."""
    f = run.flight
    return (run.run, run.label, f.agents, f.sensors, f.sensor_file, f.seed, f.seconds, f.data_folder)


def _run_on_worker(spec):
    """Flies one run in this process: what a Dask task does. Answers (line, minds' text);
    the line is "!" and why when the run failed."""
    run = _core.RunAsk()
    run.run, run.label = spec[0], spec[1]
    ask = _core.FlightAsk()
    ask.agents, ask.sensors, ask.sensor_file, ask.seed, ask.seconds, ask.data_folder = spec[2:]
    run.flight = ask
    try:
        return _core.row(run)
    except Exception as failure:  # a failed flight is the run's failure, not the worker's
        return "!" + str(failure), ""


def _progress_bar(total, shown):
    if not shown or tqdm is None:
        return None
    return tqdm(total=total, unit="run", desc="sweep", leave=False, file=sys.stderr)


def _rows_in_children(runs, jobs, bar):
    last = [0]

    def advance(done, total):
        if bar is not None:
            bar.update(done - last[0])
            last[0] = done

    lines, failures, interrupted, broken = _core.rows_in_children(runs, jobs, advance)
    if interrupted:
        raise KeyboardInterrupt
    if broken and not failures:
        failures.append((-1, "the sweep stopped"))
    return lines, list(failures)


def _rows_on_cluster(client, runs, bar, task=_run_on_worker):
    """Each run a task on the client's workers. A run whose worker dies is retried by
    the scheduler; one that keeps killing workers is that run's failure."""
    from distributed import as_completed

    futures = [client.submit(task, _spec(run), pure=False) for run in runs]
    where = {future.key: i for i, future in enumerate(futures)}
    lines = [None] * len(runs)
    failures = []
    minds = _DistinctLines()
    try:
        for future in as_completed(futures):
            i = where[future.key]
            if future.status == "finished":
                line, text = future.result()
                minds.write(text)
                if line.startswith("!"):
                    failures.append((runs[i].run, line[1:]))
                else:
                    lines[i] = line
            else:
                failures.append((runs[i].run, f"{type(future.exception()).__name__}: {future.exception()}"))
            if bar is not None:
                bar.update(1)
    except BaseException:
        client.cancel(futures)
        raise
    return lines, failures


def sweep(seeds=range(1, 31), agents=(_core.default_agents,), sensors=("setup", "random"), setups=None,
          settings=None, seconds=60, jobs=None, client=None, progress=True, data=None, **others):
    """Flies every combination as `flock --sweep` does and returns one DataFrame row per
    run, with the columns and values of its CSV file.

    Runs are ordered by agents, then sensors, then seeds (innermost). Each run flies in
    a child process of its own, `jobs` at once (default: one per usable core), or, with
    `client` (a distributed.Client), as a task on the cluster's workers. A progress bar
    shows with tqdm installed and `progress` true. Ctrl-C stops the sweep and its
    children. Runs that failed raise SweepFailure, which holds the others' rows.
    """
    _checks.refuse_unknown("sweep", others, _SWEEP_ARGUMENTS)
    _settings(settings)
    if setups is not None:
        raise ValueError("setups: only the data folder's own setup script can be swept")
    seed_list = [_checks.whole("seeds", seed, 0, 2**32 - 1) for seed in _checks.listed("seeds", seeds)]
    if len(set(seed_list)) != len(seed_list):
        raise ValueError("seeds: a seed is given twice")
    agent_list = _checks.listed("agents", agents)
    sensor_list = [_sensors(entry) for entry in _checks.listed("sensors", sensors)]
    folder = data_folder(data)
    total = len(seed_list) * len(agent_list) * len(sensor_list)
    if total > _core.max_runs:
        raise ValueError(f"the sweep has {total} runs, more than {_core.max_runs}")
    runs = _plan(seed_list, agent_list, sensor_list, seconds, folder)
    if client is not None and jobs is not None:
        raise ValueError("jobs: a sweep on a client runs on the client's workers; give jobs or client, not both")
    if jobs is None:
        jobs = len(os.sched_getaffinity(0))
    jobs = _checks.whole("jobs", jobs, 1, _core.max_jobs)
    _check_sensor_files(sensor_list, folder)

    bar = _progress_bar(len(runs), progress)
    try:
        if client is not None:
            lines, failures = _rows_on_cluster(client, runs, bar)
        else:
            lines, failures = _rows_in_children(runs, jobs, bar)
    finally:
        if bar is not None:
            bar.close()
    rows = rows_frame([line for line in lines if line is not None])
    if failures:
        failures.sort()
        told = "; ".join(f"run {run}: {why}" for run, why in failures[:5])
        more = f" and {len(failures) - 5} more" if len(failures) > 5 else ""
        raise SweepFailure(f"{len(failures)} of {len(runs)} runs failed: {told}{more}", rows, failures)
    return rows


def _check_sensor_files(sensor_list, folder):
    """Every sensor file must load before the first flight, as flock --sweep asks."""
    for label, source, file in {entry for entry in sensor_list if entry[1] == "file"}:
        ask = _flight_ask(1, 1, 1 / 60, (label, source, file), folder)
        try:
            _core.fly(ask)
        except Failure as failure:
            raise Failure(f"sensors: '{label}' does not load: {failure}") from None
