"""Exceptions and warnings of orvsim.

Every failure of the engine raises one of these classes, carrying the
engine's status code and its whole message. The codes are those of
docs/entry_points.md.
"""
from __future__ import annotations

import re
from typing import List, Optional, Tuple


class OrvsimError(Exception):
    """Base of every orvsim error: `.status` is the engine's code (0 when the
    error is found by orvsim itself), `.message` the whole message."""

    def __init__(self, message: str, status: int = 0):
        super().__init__(message)
        self.message = message
        self.status = status

    def __str__(self) -> str:
        return self.message


class InputError(OrvsimError):
    """A model file that cannot be read or written (status 6), or that the
    reader rejects (status 8). `.path` is the file, `.line` the line number
    of the first rejected line (None when the message names none), and
    `.problems` every rejected line as (line number, reason) pairs in file
    order, the first being `.line` (empty when the message names no line)."""

    def __init__(self, message: str, status: int = 8, path: Optional[str] = None,
                 line: Optional[int] = None, problems: Optional[List[Tuple[int, str]]] = None):
        super().__init__(message, status)
        self.path = path
        self.line = line
        self.problems = problems or []


class UnknownElementError(OrvsimError, KeyError):
    """An identifier that names no element of that kind (status 3)."""

    def __str__(self) -> str:  # KeyError would print the repr
        return self.message


class UnknownAttributeError(OrvsimError, KeyError):
    """An attribute or column name that the element kind does not have (status 4)."""

    def __str__(self) -> str:
        return self.message


class NoModelError(OrvsimError):
    """No model is loaded, or the network's model was replaced by another
    load (one model per process) or closed."""


class NoResultsError(OrvsimError):
    """Results are needed and there are none, or they were replaced by
    another run or another load."""


class SimulationError(OrvsimError):
    """The simulation did not complete (status 9); the previous results stay."""


class InvalidValueError(OrvsimError, ValueError):
    """A value out of range or malformed (status 5 or 7)."""


class SimulationWarning(UserWarning):
    """A run that completed with warnings: unbalanced instants, negative
    pressures, unstable devices, incomplete quality results."""


# Engine status code -> class.
_BY_STATUS = {
    1: NoModelError,
    2: NoResultsError,
    3: UnknownElementError,
    4: UnknownAttributeError,
    5: InvalidValueError,
    6: InputError,
    7: InvalidValueError,
    8: InputError,
    9: SimulationError,
}

# "file:line: reason" as the reader writes it; a path may itself hold colons.
_FILE_LINE = re.compile(r"^(?:line \d+: )?(?P<path>.+?):(?P<line>\d+): ")


def error_for(status: int, message: str, path: Optional[str] = None) -> OrvsimError:
    """The exception for an engine failure; input errors get their file and line."""
    cls = _BY_STATUS.get(status, OrvsimError)
    if cls is InputError:
        line, problems = None, []
        found = _FILE_LINE.match(message)
        if found and status == 8:
            path, line = path or found["path"], int(found["line"])
            # The reader lists every bad line, one a line of the message.
            for text in message.splitlines():
                each = _FILE_LINE.match(text)
                if each:
                    problems.append((int(each["line"]), text[each.end():]))
        return InputError(message, status, path, line, problems)
    return cls(message, status)
