"""The summary of a sweep's rows: flock --summarize's two tables as DataFrames."""

import os

import pandas as pd

from . import _checks
from . import _core
from ._flights import SETTINGS

_FIGURES = _core.figures()
SUMMED = [figure for figure in _FIGURES if figure["summary"] is not None]
_SETTING = ["agents", "sensors", "seconds"]
_PAIRED = ["agents", "seconds"]


def _read(rows):
    if isinstance(rows, pd.DataFrame):
        return rows.copy()
    files = _checks.listed("rows", rows, scalar_types=(str, os.PathLike))
    frames = []
    for file in files:
        path = _checks.text("rows", file)
        if not os.path.exists(path):
            raise FileNotFoundError(2, "rows: no such file", path)
        frame = pd.read_csv(path, comment="#", dtype={"sensors": str})
        frame["origin"] = path
        frames.append(frame)
    return pd.concat(frames, ignore_index=True)


def _merged(rows):
    """The rows in run order; a run held twice is refused, as flock --summarize refuses it."""
    missing = [column for column in ["run", *_SETTING, "seed", *(f["name"] for f in _FIGURES)]
               if column not in rows.columns]
    if missing:
        raise ValueError(f"rows: not a sweep's rows, no column {', '.join(missing)}")
    if "setup" in rows.columns:  # rows without the grid's columns flew the defaults
        rows = rows.fillna({"setup": _core.default_setup, **SETTINGS})
    rows = rows.sort_values("run", kind="stable").reset_index(drop=True)
    twice = rows["run"].duplicated()
    if twice.any():
        run = rows.loc[twice.idxmax(), "run"]
        raise ValueError(f"rows: run {run} is held twice")
    return rows


def _groups(rows, keys):
    """Each distinct value of `keys` with its rows, in the order of their first run."""
    return [(key, group) for key, group in rows.groupby(keys, sort=False)]


def summarize(rows):
    """The per-setting table and the paired differences of a sweep's rows, as
    `flock --summarize` computes them: (settings, pairs), each a DataFrame.

    `rows` is sweep()'s DataFrame or one or more row files. The settings table has one
    row per agents, sensors, seconds (and setup and world settings, where the rows name
    them; those not at their default are columns) with the runs, each figure's mean, sd and 95 %
    interval (FIGURE, FIGURE_sd, FIGURE_low, FIGURE_high) and the failures; the pairs
    one row per two sensors flown with all else the same: the mean paired
    difference over their common seeds (first - second), its interval and in how many
    seeds the first did better (FIGURE_wins).
    """
    rows = _merged(_read(rows))
    grid = ["setup", *SETTINGS] if "setup" in rows.columns else []
    shown = ["setup"] * bool(grid) + [name for name in grid[1:] if (rows[name] != SETTINGS[name]).any()]
    settings = []
    groups = _groups(rows, _SETTING + grid)
    for key, group in groups:
        line = dict(zip(_SETTING + grid, key))
        line["runs"] = len(group)
        for figure in SUMMED:
            _, mean, sd, low, high = _core.spread(group[figure["name"]].tolist())
            name = figure["name"]
            line.update({name: mean, f"{name}_sd": sd, f"{name}_low": low, f"{name}_high": high})
        line["failures"] = int(group["failures"].sum())
        settings.append(line)

    pairs = []
    for i, (key, first) in enumerate(groups):
        held = (key[0], key[2], *key[3:])  # agents, seconds and the grid's values
        for other, second in groups[i + 1:]:
            if held != (other[0], other[2], *other[3:]):
                continue
            by_seed = second.drop_duplicates("seed").set_index("seed")
            common = first[first["seed"].isin(by_seed.index)]
            if common.empty:
                continue
            line = {"agents": key[0], "seconds": key[2], **dict(zip(grid, key[3:])), "first": key[1],
                    "second": other[1], "seeds": len(common)}
            for figure in SUMMED:
                name = figure["name"]
                differences = (common[name].to_numpy() - by_seed.loc[common["seed"], name].to_numpy()).tolist()
                _, mean, _, low, high = _core.spread(differences)
                better = [d > 0 if figure["higher_is_better"] else d < 0 for d in differences]
                line.update({name: mean, f"{name}_low": low, f"{name}_high": high, f"{name}_wins": sum(better)})
            pairs.append(line)
    pair_columns = [*_PAIRED, *shown, "first", "second", "seeds"]
    for figure in SUMMED:
        pair_columns += [figure["name"], f"{figure['name']}_low", f"{figure['name']}_high", f"{figure['name']}_wins"]
    setting_columns = [*_SETTING, *shown, "runs"]
    for figure in SUMMED:
        setting_columns += [figure["name"], f"{figure['name']}_sd", f"{figure['name']}_low", f"{figure['name']}_high"]
    setting_columns.append("failures")
    return pd.DataFrame(settings, columns=setting_columns), pd.DataFrame(pairs, columns=pair_columns)
