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
# The world settings, in the order of the rows' columns: name -> default value.
SETTINGS = {setting["name"]: setting["default"] for setting in _core.world_settings()}


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


def _settings(settings, lists=False):
    """The settings as {name: [values]}, each checked against the setting's range."""
    if settings is None:
        return {}
    if not isinstance(settings, dict):
        raise TypeError(f"settings must be a dict of setting name to value, not {type(settings).__name__}")
    checked = {}
    for name, values in settings.items():
        if name not in SETTINGS:
            raise ValueError(f"settings: no setting '{name}'; the known ones are {', '.join(SETTINGS)}")
        values = _checks.listed(f"settings['{name}']", values) if lists else [values]
        checked[name] = [_checks.number(f"settings['{name}']", value) for value in values]
        for value in checked[name]:
            _core.check_setting(name, value)
        if len(set(checked[name])) != len(checked[name]):
            raise ValueError(f"settings['{name}']: a value is given twice")
    return checked


def _setup(value):
    """(label, absolute path) of a setup script; the data folder's own for None."""
    if value is None:
        return _core.default_setup, ""
    label = _checks.text("setup", value)
    return label, _checks.existing_file("setup", label)


def _flight_ask(seed, agents, seconds, sensors, folder, world=(), setup=""):
    ask = _core.FlightAsk()
    ask.settings = [(name, value) for name, value in world if value != SETTINGS[name]]
    ask.setup = setup
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
    "setup" (the sensors the setup script loads), "random" or a sensor file; setup a
    setup script in place of the data folder's; settings the world settings by name
    (SETTINGS lists them with their defaults); data is the data folder (default: the
    working folder, else the package's data). With
    `every` (seconds) it returns (figures, series): the series a DataFrame with one row
    per period, its end time and the figures of that period. Raises Failure when the
    flock cannot fly, with flock's message.
    """
    _checks.refuse_unknown("flight", others, _FLIGHT_ARGUMENTS)
    world = [(name, values[0]) for name, values in _settings(settings).items()]
    ask = _flight_ask(seed, agents, seconds, _sensors(sensors), data_folder(data), world, _setup(setup)[1])
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


def rows_frame(lines, grid=False):
    """The DataFrame of row lines, as pandas reads a sweep's CSV file."""
    text = _core.rows_header(grid) + "".join(line + "\n" for line in lines)
    return pd.read_csv(io.StringIO(text), dtype={"sensors": str, "setup": str})


def _plan(seeds, agents, sensors, seconds, folder, setups=None, world=None):
    """Every run of the grid: setups outermost, then each swept setting in the table's
    order, seconds, agents and sensors, with the seeds innermost (for a sweep without
    setups or settings, flock --sweep's order). A grid's rows name their setup and
    every setting."""
    world = world or {}
    grid = setups is not None or bool(world)
    setups = setups or [_setup(None)]
    names = [name for name in SETTINGS if name in world]  # in the table's order, as flock's grid
    runs = []
    axes = itertools.product(setups, *(world[name] for name in names), seconds, agents, sensors, seeds)
    for index, (setup, *values) in enumerate(axes):
        length, count, entry, seed = values[-4:]
        run = _core.RunAsk()
        run.run = index
        run.label = entry[0]
        run.flight = _flight_ask(seed, count, length, entry, folder, list(zip(names, values[:-4])), setup[1])
        run.grid = grid
        run.setup_label = setup[0]
        runs.append(run)
    return runs


def _spec(run):
    """A run as plain values, for a worker in another process."""
    f = run.flight
    return (run.run, run.label, run.grid, run.setup_label, f.agents, f.sensors, f.sensor_file, f.seed, f.seconds,
            f.data_folder, f.settings, f.setup)


def _run_on_worker(job):
    """Flies one run in this process: what a Dask task does. Answers (line, minds' text);
    the line is "!" and why when the run failed."""
    run = _core.RunAsk()
    run.run, run.label, run.grid, run.setup_label = job[:4]
    ask = _core.FlightAsk()
    ask.agents, ask.sensors, ask.sensor_file, ask.seed, ask.seconds, ask.data_folder, ask.settings, ask.setup = job[4:]
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

    seeds, agents, sensors, seconds, setups (setup scripts) and each setting of
    `settings` (name -> a value or a list) may be lists: the grid is every combination,
    ordered by setups, settings, seconds, agents, sensors and seeds (innermost). The
    rows of a sweep over setups or settings name the setup and every setting's value,
    as flock's do. Each run flies in
    a child process of its own, `jobs` at once (default: one per usable core), or, with
    `client` (a distributed.Client), as a task on the cluster's workers. A progress bar
    shows with tqdm installed and `progress` true. Ctrl-C stops the sweep and its
    children. Runs that failed raise SweepFailure, which holds the others' rows.
    """
    _checks.refuse_unknown("sweep", others, _SWEEP_ARGUMENTS)
    world = _settings(settings, lists=True)
    setup_list = None if setups is None else [_setup(s) for s in _checks.listed("setups", setups)]
    if setup_list is not None and len({label for label, _ in setup_list}) != len(setup_list):
        raise ValueError("setups: a setup is given twice")
    seconds_list = [_checks.number("seconds", s) for s in _checks.listed("seconds", seconds)]
    seed_list = [_checks.whole("seeds", seed, 0, 2**32 - 1) for seed in _checks.listed("seeds", seeds)]
    if 0 in seed_list:  # the C generator seeds 0 as 1: one flight would count as two samples
        raise ValueError("seeds: seed 0 flies as seed 1 does; start at 1")
    if len(set(seed_list)) != len(seed_list):
        raise ValueError("seeds: a seed is given twice")
    agent_list = _checks.listed("agents", agents)
    sensor_list = [_sensors(entry) for entry in _checks.listed("sensors", sensors)]
    folder = data_folder(data)
    total = len(seed_list) * len(agent_list) * len(sensor_list) * len(seconds_list) * len(setup_list or [0])
    for values in world.values():
        total *= len(values)
    if total > _core.max_runs:
        raise ValueError(f"the sweep has {total} runs, more than {_core.max_runs}")
    runs = _plan(seed_list, agent_list, sensor_list, seconds_list, folder, setup_list, world)
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
    rows = rows_frame([line for line in lines if line is not None], grid=runs[0].grid)
    given = dict(seeds=seed_list, agents=agent_list, sensors=[label for label, _, _ in sensor_list],
                 seconds=seconds_list, setups=None if setup_list is None else [label for label, _ in setup_list],
                 settings=world or None)
    command = "quantumflock.sweep(" + ", ".join(f"{k}={v!r}" for k, v in given.items() if v is not None) + ")"
    setup_files = setup_list or [(_core.default_setup, os.path.join(folder, _core.default_setup))]
    rows.attrs["provenance"] = _core.provenance(command, setup_files,
                                                list(dict.fromkeys((label, file) for label, source, file in sensor_list
                                                                   if source == "file")))
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
