"""The summary of a sweep's rows: flock --summarize's tables as DataFrames, and row files
that flock reads."""

import io
import os

import pandas as pd

from . import _checks
from . import _core

SUMMED = [figure for figure in _core.figures() if figure["summary"] is not None]
_FIXED = _core.rows_header().strip().split(",")
_TEXT_COLUMNS = {"sensors": str, "setup": str, "along": str, "first": str, "second": str}


def _provenance(rows):
    return rows.attrs.get("provenance") or f"# flock {_core.version}\n# command: rows from Python\n"


def _text(rows):
    """A DataFrame of rows as flock writes their file: provenance, header, rows."""
    missing = [column for column in _FIXED if column not in rows.columns]
    if missing:
        raise ValueError(f"rows: not a sweep's rows, no column {', '.join(missing)}")
    columns = _FIXED + [column for column in rows.columns if column not in _FIXED]
    return _provenance(rows) + rows[columns].to_csv(index=False, lineterminator="\n")


def _texts(rows):
    items = [rows] if isinstance(rows, (pd.DataFrame, str, os.PathLike)) else rows
    if not isinstance(items, (list, tuple)) or not items:
        raise TypeError("rows must be a DataFrame of a sweep's rows, a row file or a list of them")
    texts = []
    for number, item in enumerate(items, 1):
        if isinstance(item, pd.DataFrame):
            texts.append((f"DataFrame {number}", _text(item)))
            continue
        path = _checks.text("rows", item)
        if not os.path.isfile(path):
            raise FileNotFoundError(2, "rows: no such file", path)
        with open(path, encoding="utf-8", errors="surrogateescape") as file:
            texts.append((path, file.read()))
    return texts


def _read(text):
    return pd.read_csv(io.StringIO(text), dtype=_TEXT_COLUMNS, keep_default_na=False, na_values=[""])


def summarize(rows):
    """The per-setting table and the paired differences of a sweep's rows, as
    `flock --summarize` computes them: (settings, pairs), each a DataFrame.

    `rows` is sweep()'s DataFrame, a row file, or a list of them, merged as
    `flock --summarize` merges files (a run held twice, or a setup of one name with
    other contents in two files, is refused with a ValueError). The settings table
    has one row per agents, sensors, seconds and the settings that vary, in the order
    of their first run: the runs, each figure's mean, sd and 95 % interval (FIGURE,
    FIGURE_sd, FIGURE_low, FIGURE_high) and the failures. The pairs are those of
    `flock --pairs`: settings that differ only in their sensors or only in their setup
    (`along`), the mean paired difference (first - second) over their common seeds,
    its interval and in how many seeds the first did better (FIGURE_wins). Intervals
    are as computed; flock's printed table holds them within what each figure can be.
    The printed table itself is the settings table's attrs["text"].
    """
    merged, pairs_text, printed = _core.summarize(_texts(rows))
    merged = _read(merged)
    extra = [column for column in merged.columns if column not in _FIXED]
    varying = [column for column in extra if merged[column].nunique() > 1]
    keys = ["agents", "sensors", "seconds", *varying]
    table = []
    for key, group in merged.groupby(keys, sort=False):
        line = dict(zip(keys, key))
        line["runs"] = len(group)
        for figure in SUMMED:
            name = figure["name"]
            _, mean, sd, low, high = _core.spread(group[name].tolist())
            line.update({name: mean, f"{name}_sd": sd, f"{name}_low": low, f"{name}_high": high})
        line["failures"] = int(group["failures"].sum())
        table.append(line)
    columns = [*keys, "runs"]
    for figure in SUMMED:
        columns += [figure["name"] + part for part in ("", "_sd", "_low", "_high")]
    settings = pd.DataFrame(table, columns=[*columns, "failures"])
    settings.attrs["text"] = printed
    return settings, _read(pairs_text)


def write_rows(rows, path):
    """Writes a sweep's rows as `flock --sweep --csv` writes them, provenance first, so
    that `flock --summarize` reads them; the file is replaced through a temporary."""
    if not isinstance(rows, pd.DataFrame):
        raise TypeError(f"rows must be a DataFrame of a sweep's rows, not {type(rows).__name__}")
    text = _text(rows)
    _core.summarize([("the rows given", text)])  # only rows flock can read
    _core.replace_file(os.path.abspath(_checks.text("path", path)), text)
