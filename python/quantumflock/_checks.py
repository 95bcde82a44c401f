"""Argument checks shared by the package: each names the parameter it refuses."""

import math
import numbers
import os


class UnknownArgument(ValueError, TypeError):
    """A keyword the function does not take (a ValueError, and a TypeError as Python's own)."""


def refuse_unknown(function, others, known):
    if others:
        names = ", ".join(sorted(others))
        raise UnknownArgument(f"{function}() has no argument {names}; it takes {', '.join(known)}")


def whole(name, value, low=None, high=None):
    if isinstance(value, bool) or not isinstance(value, numbers.Integral):
        raise TypeError(f"{name} must be a whole number, not {type(value).__name__}")
    value = int(value)
    if (low is not None and value < low) or (high is not None and value > high):
        raise ValueError(f"{name} must be from {low} to {high}, not {value}" if high is not None
                         else f"{name} must be {low} or more, not {value}")
    return value


def number(name, value, above=None, high=None):
    if isinstance(value, bool) or not isinstance(value, numbers.Real):
        raise TypeError(f"{name} must be a number, not {type(value).__name__}")
    value = float(value)
    if not math.isfinite(value):
        raise ValueError(f"{name} must be a finite number, not {value}")
    if (above is not None and not value > above) or (high is not None and value > high):
        raise ValueError(f"{name} must be above {above:g} and at most {high:g}, not {value:g}")
    return value


def text(name, value):
    if not isinstance(value, (str, os.PathLike)):
        raise TypeError(f"{name} must be a string or a path, not {type(value).__name__}")
    return os.fspath(value)


def listed(name, value, scalar_types=(str, numbers.Number, os.PathLike)):
    """A single value as a list of one; lists, tuples and ranges as lists."""
    if isinstance(value, scalar_types) and not isinstance(value, bool):
        return [value]
    if isinstance(value, (list, tuple, range)) or type(value).__name__ in ("ndarray", "Series", "Index"):
        items = list(value)
        if not items:
            raise ValueError(f"{name} must not be empty")
        return items
    raise TypeError(f"{name} must be a value or a list of values, not {type(value).__name__}")


def existing_file(name, value):
    path = text(name, value)
    if not os.path.exists(path):
        raise FileNotFoundError(2, f"{name}: no such file", path)
    if not os.path.isfile(path):
        raise ValueError(f"{name}: '{path}' is not a regular file")
    return os.path.abspath(path)
