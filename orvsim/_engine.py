"""The process's one engine, as orvsim uses it: opened once, every failure
turned into an exception with the engine's whole message, and the model
serial that tells a Network its model was replaced.

Only this module and the readers beside it call `_pyorvsim`.
"""
from __future__ import annotations

import threading
import weakref
from typing import Callable, Optional, TypeVar

import _pyorvsim as sim

from .errors import OrvsimError, error_for

NODE, BRANCH, TANK = 2, 1, 3
_PIECE = 48  # length of the module's text outputs

T = TypeVar("T")

# One engine per process: calls from several threads of one process (a Dask
# worker with several threads, say) take turns.
lock = threading.RLock()
_opened = False
# Objects holding engine results; warned before the engine's results change.
_result_holders: "weakref.WeakSet" = weakref.WeakSet()


def text(raw: bytes, length: Optional[int] = None) -> str:
    """A fixed-length text output of the module as a str."""
    if length is not None:
        raw = raw[:max(length, 0)]
    return raw.decode("latin-1").rstrip()


def open_engine() -> None:
    global _opened
    with lock:
        if not _opened:
            version = sim.inimel()
            if version <= 0:
                raise OrvsimError(f"the engine did not open (status {-version})", -version)
            sim.batchmode(1)
            if not variable("NFAILURES"):
                raise OrvsimError(f"the engine {version} is older than orvsim: it lacks the variables "
                                  "NFAILURES and MODELSERIAL; install the engine built with this package")
            _opened = True


def variable(name: str) -> str:
    """Whole text of a system variable, read in pieces of the module's length."""
    pieces, offset = [], 0
    while True:
        raw, length = sim.getvar(f"{name} {offset}" if offset else name)
        pieces.append(raw[:max(length, 0)].decode("latin-1"))
        if length < _PIECE:
            return "".join(pieces)
        offset += _PIECE


def failures() -> int:
    return int(variable("NFAILURES") or 0)


def last_failure(path: Optional[str] = None) -> OrvsimError:
    status = int(variable("LASTSTATUS") or 0)
    return error_for(status, variable("LASTERROR"), path)


def checked(call: Callable[[], T], path: Optional[str] = None) -> T:
    """Runs a module call whose failure is not visible in its value (reads
    that give zeros or NaN): raises the failure the engine recorded."""
    with lock:
        before = failures()
        value = call()
        if failures() != before:
            raise last_failure(path)
        return value


def status_checked(status: int, path: Optional[str] = None) -> None:
    """Raises the engine's failure for a non-zero status (a negative count
    carries the negated status)."""
    if status != 0:
        raise last_failure(path)


def command(line: str, path: Optional[str] = None) -> None:
    """Runs one command line; raises on failure."""
    with lock:
        if _changes_results(line):
            release_results()
        status_checked(sim.cmd(line), path)


def _changes_results(line: str) -> bool:
    word = line.split(None, 1)[0].upper() if line.strip() else ""
    return word in ("LOAD", "UNLOAD", "SIMULATE", "RUN")


def model_serial() -> int:
    return int(variable("MODELSERIAL") or 0)


def hold_results(holder) -> None:
    """Registers an object whose `_release()` must run before the engine's
    results are replaced."""
    _result_holders.add(holder)


def release_results() -> None:
    for holder in list(_result_holders):
        holder._release()
    _result_holders.clear()


def quote(word: str) -> str:
    """A command word, quoted when it holds blanks or quotes."""
    if word and not any(c in word for c in ' \t"'):
        return word
    return '"' + word.replace('"', '""') + '"'
