"""Decision makers from Python: tala's interpreter and a view of the decision maker it holds."""

import os

import numpy as np
import pandas as pd

from . import _checks
from . import _core

Failure = _core.Failure


class Tala:
    """An interpreter of the object-level language with the decision library, as `tala` runs it.

    data: folders added to the search path of the file word and finalize (tala --data);
    seed: seeds the process's one random generator now (tala --seed); quiet: leaves out
    the decision library's own chatter (tala --quiet).
    """

    def __init__(self, data=None, seed=None, quiet=False):
        self._interpreter = _core.Interpreter()
        self.quiet = bool(quiet)
        folders = [] if data is None else _checks.listed("data", data, scalar_types=(str, os.PathLike))
        self.folders = []
        for folder in folders:
            path = _checks.text("data", folder)
            if not os.path.isdir(path):
                raise FileNotFoundError(2, "data: no such folder", path)
            self._interpreter.add_folder(path)
            self.folders.append(path)
        if seed is not None:
            _core.seed(_checks.whole("seed", seed, 0, 2**32 - 1))

    def run(self, command):
        """Runs one command and returns what it printed. A failure, which tala prints as
        "Error: ...", raises Failure with its message (and `output`, the text before it)."""
        text, failure = self._interpreter.run(_checks.text("command", command), self.quiet)
        if failure is not None:
            error = Failure(failure)
            error.output = text
            raise error
        return text

    def file(self, path):
        """Runs a script file as `tala FILE` does and returns what it printed."""
        path = _checks.text("path", path)
        if not os.path.exists(path):
            raise FileNotFoundError(2, "no such script file", path)
        return self.run(self._interpreter.file_command(path))

    def __repr__(self):
        return f"<quantumflock.Tala, search folders {self.folders!r}>"


class DecisionMaker:
    """A view of the decision maker a Tala interpreter holds in the global `name`.

    Each call reads the decision maker as it is then: a script may have changed or
    freed it since.
    """

    def __init__(self, tala, name="QDM"):
        if not isinstance(tala, Tala):
            raise TypeError(f"tala must be a quantumflock.Tala, not {type(tala).__name__}")
        if not isinstance(name, str):
            raise TypeError(f"name must be a string, not {type(name).__name__}")
        self.tala = tala
        self.name = name

    @property
    def _interpreter(self):
        return self.tala._interpreter

    def state(self):
        """psi.0, the state vector, as a numpy complex array (a copy)."""
        return np.asarray(_core.state(self._interpreter, self.name))

    def odds(self, space=0):
        """The probability of each action of the space, read without a measurement: a
        Series indexed by the actions' names."""
        space = _checks.whole("space", space, 0)
        odds = _core.odds(self._interpreter, self.name, space)
        return pd.Series([p for _, p in odds], index=[name for name, _ in odds], name="probability", dtype=float)

    def describe(self):
        """What vex::qdm::describe prints: memory size, spaces, sensors, system size, state."""
        return _core.describe(self._interpreter, self.name)

    def score(self, rules="rules", trials=100, steps=None):
        """Plays each rule of the training set in the global `rules` `trials` times, as
        vex::qdm::score does: one row per rule, space and action with how often it was
        decided, its share and the rule's intended weight."""
        rules = _rules(rules)
        trials = _checks.whole("trials", trials, 1)
        if steps is not None:
            steps = _checks.whole("steps", steps, 1)
        table = pd.DataFrame(_core.score(self._interpreter, self.name, rules, trials, steps),
                             columns=["rule", "label", "space", "action", "decided", "intended", "steps"])
        table.insert(5, "share", table["decided"] / trials)
        return table

    def train(self, rules="rules", generations=300, repetitions=4, population=20, limit=20, progress=None,
              seed=None):
        """Trains the sensors over the training set in the global `rules` as vex::train
        does, and returns the fitness history: one row per generation (best, mean, worst
        and the best individual's fitness per rule). What training printed is in the
        table's attrs["output"].

        progress(done, generations, line) is called as training goes on; answering False
        stops it after the current generation, as Ctrl-C does (which then raises
        KeyboardInterrupt); the decision maker keeps the best sensors found.
        `seed` seeds the random generator first.
        """
        rules = _rules(rules)
        counts = {name: _checks.whole(name, value, 1) for name, value in
                  [("generations", generations), ("repetitions", repetitions), ("population", population),
                   ("limit", limit)]}
        if progress is not None and not callable(progress):
            raise TypeError(f"progress must be callable, not {type(progress).__name__}")
        if seed is not None:
            _core.seed(_checks.whole("seed", seed, 0, 2**32 - 1))
        output, history, labels = _core.train(self._interpreter, self.name, rules, counts["generations"],
                                              counts["repetitions"], counts["population"], counts["limit"],
                                              progress, self.tala.quiet)
        columns = ["generation", "best", "mean", "worst", *(f"rule {i}" for i in range(len(labels)))]
        table = pd.DataFrame([[g + 1, best, mean, worst, *rule_fitness]
                              for g, (best, mean, worst, rule_fitness) in enumerate(history)], columns=columns)
        table.attrs["output"] = output
        table.attrs["rules"] = list(labels)
        return table

    def __repr__(self):
        return f"<quantumflock.DecisionMaker {self.name!r} of {self.tala!r}>"


def _rules(rules):
    if not isinstance(rules, str):
        raise TypeError(f"rules must be the name of a global vex::TrainingSet, not {type(rules).__name__}")
    return rules
