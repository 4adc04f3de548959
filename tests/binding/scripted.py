"""Python control API of the scripted engine (tests/scripted_engine).

The scripted engine is a test build of ``libOrvelle_SIM_x64.so`` with the same
84 entry points as the real engine (engine/include/orvelle_sim.h). Each call is
recorded with its arguments, and returns the values programmed for its entry
point. The binding's tests load it instead of the real engine:

    LD_LIBRARY_PATH=$(bash tests/scripted_engine/build.sh) python -m pytest tests/binding

Getting the engine
------------------
In tests use the ``engine`` fixture of conftest.py (a fresh, reset engine per
test). Elsewhere: ``eng = scripted.engine()`` returns the scripted engine the
process has loaded (it imports ``_pyorvsim`` first so that the library is the
one the binding is bound to) and raises ``NotScripted`` when the process has the
real engine instead.

Programming results
-------------------
    eng.program("GetIdElem", ret=3, sid=b"N12")        # sticky default
    eng.program_once("GetNextTableEntry", item=b"PVC", ncount=4, lnitem=3)
    eng.program_once("GetNextTableEntry", item=b"PE", ncount=2, lnitem=2)

Keywords are ``ret`` (the function value) and the header's names of the entry
point's OUTPUT parameters:

- scalar outputs (``int*``, ``int8_t*``, ``float*``, ``double*``): a number
  (int, float, bool, numpy scalar); a real given for an int output is
  truncated toward zero, an integer is narrowed like a C cast (modulo 2**32,
  or 2**8 for int8), a float output gets the number rounded to float32;
- text outputs (``char*``): bytes (or str, encoded latin-1), written as given
  from the buffer's start, at most the buffer length passed by the caller; the
  rest of the buffer is left as the caller prepared it (so ``b"AB"`` into an
  18-blank buffer gives ``b"AB" + 16 blanks``); NUL bytes are written too;
- array outputs (``vect``, ``selbuf``, ``vec_tim``, ``vec_val``, ``tabres`` ...):
  a sequence of numbers (list, tuple, numpy array), written from element 0 up to
  the element count the call passes (``*nbval``, ``*nbelt``, ``*nvecx``, ``*lres``,
  ``*lres * *nqtl`` ...), never more; elements beyond the list are left alone;
  a 2-D numpy array is taken in column-major order, like ``tabres`` (lres, nqtl);
- ``ret``: a number; an int entry point returns it narrowed to int32 like an
  int output (ret=0x10005 returns 65541, whose low 16 bits are 5), a float one
  rounded to float32 (nan and inf allowed).

An unknown entry point, an input parameter, an unknown name or a value of the
wrong sort raises ``ValueError`` and changes nothing.

Two levels per entry point:

- ``program(entry, **values)`` merges values into the entry point's sticky
  program, used by every call;
- ``program_once(entry, **values)`` appends a one-shot program to the entry
  point's FIFO; each call consumes the first one (if any) and applies it over
  the sticky program (its keys win, missing keys come from the sticky program).
  ``program_seq(entry, [dict, dict, ...])`` queues several at once.

An unprogrammed entry point returns 0 (0.0) and writes nothing. ``reset()``
clears the log and every program; ``unprogram(entry)`` clears one entry point's
programs; ``pending(entry=None)`` counts the queued one-shots not yet consumed.

Reading the call log
--------------------
    eng.calls()                  # [Call(name, args), ...] in call order
    eng.calls("NodeValbyID")     # only that entry point's calls
    eng.last("NodeValbyID")      # args dict of its last call (AssertionError if none)
    eng.last()                   # args dict of the last call of any entry point
    eng.names()                  # ["VBOpenMelisto", "CmdExec", ...]
    eng.count("CmdExec")         # number of calls
    eng.clear_log()

``Call`` is a named tuple ``(name, args)``. ``args`` is a dict keyed by the
header's parameter names, in header order, holding the INPUT arguments and the
trailing text lengths, for example

    NodeValbyID  -> {"sid": b"N1", "sattr": b"P", "lsid": 2, "lsattr": 1}
    cMelKeyword  -> {"dict": 3, "lsout": 24}

- ``const int*`` and ``const int16_t*``: int; ``const float*`` / ``const
  double*`` scalars: float (a float32 argument is the exact float32 value);
- input texts: bytes, exactly ``[p, p + len)`` of the caller's buffer (never
  read past the length; a negative length gives b""); ``cShearStr``'s ``sid``:
  the bytes up to its NUL; at most 1 MiB is recorded;
- input arrays whose count is another argument: a list of their first
  ``count`` values (ints for int arrays, floats for float arrays); nothing is
  read for a count <= 0 (empty list); at most 100000 elements:
  ``qtl`` (*nqtl), ``bufres`` (*lres), ``tval``/``dval`` (*nbval), ``shl`` of
  cSHLTableEntry (2 floats); ``shl`` of cAddSHL/cModSHL is a plain int;
- trailing lengths (``lsid``, ``lsout`` ...): int;
- a null pointer input: None;
- output parameters (``int*``, ``char*``, ``float*``, output arrays ...) are not
  in the dict at all.

``eng.signatures()`` gives {entry: [(param, kind, count), ...]} with kind
letters i/h/f/d/s (inputs: int, int16, float, double, text), I/B/F/D/S
(outputs: int, int8, float, double, text), l (text length), and count the
array count expression or None.
"""

from __future__ import annotations

import ctypes
import json
import os
import pathlib
from typing import Any, Dict, List, NamedTuple, Optional

LIB_NAME = "libOrvelle_SIM_x64.so"
RUN_HINT = ("run the binding tests with the scripted engine first on the library path:\n"
            "    LD_LIBRARY_PATH=$(bash tests/scripted_engine/build.sh) python -m pytest tests/binding")


class NotScripted(RuntimeError):
    """The process's libOrvelle_SIM_x64.so is not the scripted engine."""


class Call(NamedTuple):
    name: str
    args: Dict[str, Any]


def mapped_engine_paths() -> List[str]:
    """Paths of the libOrvelle_SIM_x64.so files mapped into this process."""
    paths: List[str] = []
    try:
        with open("/proc/self/maps") as f:
            for line in f:
                parts = line.split(None, 5)
                if len(parts) < 6:
                    continue
                path = parts[5].strip()
                if path.endswith(" (deleted)"):
                    path = path[: -len(" (deleted)")]
                if os.path.basename(path) == LIB_NAME and path not in paths:
                    paths.append(path)
    except OSError:
        pass
    return paths


def _mapped_ranges(path: str):
    ranges = []
    with open("/proc/self/maps") as f:
        for line in f:
            parts = line.split(None, 5)
            if len(parts) == 6 and parts[5].strip().startswith(path):
                lo, hi = parts[0].split("-")
                ranges.append((int(lo, 16), int(hi, 16)))
    return ranges


def _is_scripted(lib: ctypes.CDLL) -> bool:
    try:
        lib.scripted_engine_marker
    except AttributeError:
        return False
    return True


def _encode(value: Any) -> str:
    """One program item's tag and payload."""
    if isinstance(value, (bytes, bytearray, memoryview)):
        return "t " + bytes(value).hex()
    if isinstance(value, str):
        return "t " + value.encode("latin-1").hex()
    if getattr(value, "ndim", None) == 0:  # numpy scalars and 0-d arrays
        return "n " + _number(value.item())
    if hasattr(value, "__len__") or hasattr(value, "__iter__"):
        if hasattr(value, "ravel") and callable(value.ravel):  # numpy arrays, column-major order
            value = value.ravel(order="F").tolist()
        return "a" + "".join(" " + _number(v) for v in value)
    return "n " + _number(value)


def _number(v: Any) -> str:
    if isinstance(v, bool):
        return "1" if v else "0"
    if isinstance(v, int):
        return str(v)
    try:
        import numpy as np  # optional

        if isinstance(v, np.integer):
            return str(int(v))
        if isinstance(v, np.bool_):
            return "1" if v else "0"
    except ImportError:
        pass
    if isinstance(v, (bytes, str)) or v is None:
        raise ValueError(f"not a number: {v!r}")
    return repr(float(v))


def _decode_value(tag: str, value: Any) -> Any:
    if value is None:
        return None
    if tag == "t":
        return value.encode("latin-1")
    return value


class ScriptedEngine:
    """Handle on the scripted engine library loaded in this process."""

    def __init__(self, path: str):
        self.path = path
        lib = ctypes.CDLL(path)
        if not _is_scripted(lib):
            raise NotScripted(f"{path} is not the scripted engine; " + RUN_HINT)
        self._lib = lib
        i64 = ctypes.c_int64
        lib.scripted_reset.restype = None
        lib.scripted_clear_log.restype = None
        lib.scripted_log_size.restype = i64
        lib.scripted_log_json.restype = i64
        lib.scripted_log_json.argtypes = [i64, ctypes.c_char_p, i64]
        lib.scripted_program.restype = ctypes.c_int
        lib.scripted_program.argtypes = [ctypes.c_char_p, ctypes.c_char_p, ctypes.c_int]
        lib.scripted_unprogram.restype = ctypes.c_int
        lib.scripted_unprogram.argtypes = [ctypes.c_char_p]
        lib.scripted_pending.restype = i64
        lib.scripted_pending.argtypes = [ctypes.c_char_p]
        lib.scripted_last_error.restype = i64
        lib.scripted_last_error.argtypes = [ctypes.c_char_p, i64]
        lib.scripted_signatures_json.restype = i64
        lib.scripted_signatures_json.argtypes = [ctypes.c_char_p, i64]
        table = json.loads(self._text(lib.scripted_signatures_json))
        if table["error"]:
            raise RuntimeError("scripted engine table: " + table["error"])
        self._signatures = {
            e["name"]: [(p["name"], p["kind"], p.get("count")) for p in e["params"]]
            for e in table["entries"]
        }
        self._returns = {e["name"]: e["ret"] for e in table["entries"]}

    # -- helpers ---------------------------------------------------------
    @staticmethod
    def _text(fn, *args) -> str:
        n = fn(*args, None, 0)
        buf = ctypes.create_string_buffer(max(n, 1))
        m = fn(*args, buf, n)
        assert m == n, "scripted engine text changed between two reads"
        return buf.raw[:n].decode("latin-1")

    def _check_entry(self, entry: str) -> None:
        if entry not in self._signatures:
            raise ValueError(f"no entry point named {entry!r}")

    def in_process(self) -> bool:
        """True when this handle is the library instance mapped from self.path."""
        addr = ctypes.cast(self._lib.scripted_engine_marker, ctypes.c_void_p).value
        return any(lo <= addr < hi for lo, hi in _mapped_ranges(os.path.realpath(self.path)))

    # -- control ---------------------------------------------------------
    def reset(self) -> None:
        """Clears the call log and every program."""
        self._lib.scripted_reset()

    def clear_log(self) -> None:
        self._lib.scripted_clear_log()

    def _program(self, entry: str, values: Dict[str, Any], once: bool) -> None:
        self._check_entry(entry)
        lines = []
        for key, value in values.items():
            try:
                lines.append(f"{key} {_encode(value)}")
            except (ValueError, TypeError) as exc:
                raise ValueError(f"{entry}: {key}: {exc}") from None
        rc = self._lib.scripted_program(entry.encode(), "\n".join(lines).encode("ascii"), int(once))
        if rc != 0:
            raise ValueError(self._text(self._lib.scripted_last_error))

    def program(self, entry: str, /, **values: Any) -> None:
        """Merges values (ret=..., output=...) into entry's sticky program."""
        self._program(entry, values, False)

    def program_once(self, entry: str, /, **values: Any) -> None:
        """Queues a one-shot program for entry's next unprogrammed-by-queue call."""
        self._program(entry, values, True)

    def program_seq(self, entry: str, programs) -> None:
        """Queues one one-shot program per dict of programs, in order."""
        for values in programs:
            self._program(entry, dict(values), True)

    def unprogram(self, entry: Optional[str] = None) -> None:
        """Forgets entry's sticky and queued programs (all entries when None)."""
        if entry is not None:
            self._check_entry(entry)
        self._lib.scripted_unprogram(None if entry is None else entry.encode())

    def pending(self, entry: Optional[str] = None) -> int:
        """Number of queued one-shot programs not yet consumed."""
        if entry is not None:
            self._check_entry(entry)
        return int(self._lib.scripted_pending(None if entry is None else entry.encode()))

    # -- log ---------------------------------------------------------------
    def calls(self, name: Optional[str] = None) -> List[Call]:
        """The recorded calls in order, optionally only those of one entry point."""
        if name is not None:
            self._check_entry(name)
        records = json.loads(self._text(self._lib.scripted_log_json, 0))
        out = []
        for rec in records:
            if name is not None and rec["name"] != name:
                continue
            args = {p: _decode_value(tag, v) for p, tag, v in rec["args"]}
            out.append(Call(rec["name"], args))
        return out

    def last(self, name: Optional[str] = None) -> Dict[str, Any]:
        """The argument dict of the last call (of entry point name)."""
        calls = self.calls(name)
        if not calls:
            raise AssertionError(f"no call of {name or 'any entry point'}; calls: {self.names()}")
        return calls[-1].args

    def names(self) -> List[str]:
        """Entry point names of the recorded calls, in order."""
        return [c.name for c in self.calls()]

    def count(self, name: Optional[str] = None) -> int:
        if name is None:
            return int(self._lib.scripted_log_size())
        return len(self.calls(name))

    def signatures(self) -> Dict[str, list]:
        """{entry: [(param, kind, count expression or None), ...]}."""
        return {k: list(v) for k, v in self._signatures.items()}

    def returns(self, entry: str) -> str:
        """'i' or 'f': the type of entry's function value."""
        self._check_entry(entry)
        return self._returns[entry]


_engine: Optional[ScriptedEngine] = None


def find_library(import_binding: bool = True) -> Optional[str]:
    """The path of the process's libOrvelle_SIM_x64.so, importing _pyorvsim to load
    it when none is mapped yet; when _pyorvsim can't be imported, the first one
    found on LD_LIBRARY_PATH. None when there is none."""
    paths = mapped_engine_paths()
    if not paths and import_binding:
        try:
            import _pyorvsim  # noqa: F401  (loads the library it is bound to)
        except ImportError:
            pass
        paths = mapped_engine_paths()
    if paths:
        return paths[0]
    for d in os.environ.get("LD_LIBRARY_PATH", "").split(":"):
        if d and (pathlib.Path(d) / LIB_NAME).is_file():
            return str(pathlib.Path(d).resolve() / LIB_NAME)
    return None


def engine() -> ScriptedEngine:
    """The scripted engine of this process (cached); NotScripted if the process
    has the real engine or none."""
    global _engine
    if _engine is None:
        path = find_library()
        if path is None:
            raise NotScripted(f"no {LIB_NAME} loaded or found; " + RUN_HINT)
        _engine = ScriptedEngine(path)
    return _engine
