"""The quantum flock from Python: flights and sweeps as `flock --headless` and
`flock --sweep` fly them, their summaries as `flock --summarize` makes them, and the
decision makers of `tala`.

    import quantumflock
    quantumflock.flight(seed=1)                      # the figures, a dict
    rows = quantumflock.sweep(seeds=range(1, 11))    # one DataFrame row per run
    settings, pairs = quantumflock.summarize(rows)

The process has one random generator: calls that draw from it hold one lock, and
parallel flights run in processes (the sweep's children, or Dask workers).
"""

from ._core import Failure, version as __version__
from ._decision import DecisionMaker, Tala
from ._flights import FIGURES, SETTINGS, SweepFailure, data_folder, flight, rows_frame, sweep
from ._summary import summarize, write_rows

__all__ = ["Failure", "SweepFailure", "Tala", "DecisionMaker", "flight", "sweep", "summarize", "data_folder",
           "rows_frame", "write_rows", "FIGURES", "SETTINGS"]
