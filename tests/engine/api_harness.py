"""ctypes access to the engine library for the entry-point and command tests.

The library is, in order of preference: the file named by ORV_ENGINE_LIB; the
one installed beside _pyorvsim; else it is built from engine/ alone
(devtools/engine_build.py; the rest of the project need not build).

Helpers keep the calling conventions in one place: texts go as bytes plus a
trailing 64-bit length, outputs are read back with their guard bytes checked.
"""
import ctypes as C
import importlib.util
import os
from pathlib import Path

import pytest

REPO = Path(__file__).resolve().parents[2]
TOWN = REPO / "examples" / "town.inp"
GUARD = b"\xa5" * 8
L = C.c_int64
NAN_TEXT = "nan"

# Status codes (docs/entry_points.md).
OK, NO_MODEL, NO_RESULTS, UNKNOWN_NAME, UNKNOWN_ATTRIBUTE, BAD_ARGUMENT = 0, 1, 2, 3, 4, 5
FILE_ERROR, COMMAND_ERROR, INPUT_ERROR, SIMULATION_FAILED, NOT_AVAILABLE = 6, 7, 8, 9, 10
BRANCH, NODE, TANK = 1, 2, 3


def _installed_library():
    found = importlib.util.find_spec("_pyorvsim")
    if found is None or not found.origin:
        return None
    candidate = Path(found.origin).parent / "libOrvelle_SIM_x64.so"
    return candidate if candidate.exists() else None


def _built_library():
    import engine_build
    return engine_build.build("Orvelle_SIM_x64")


def library_path():
    if os.environ.get("ORV_ENGINE_LIB"):
        return Path(os.environ["ORV_ENGINE_LIB"])
    return _installed_library() or _built_library()


_FLOAT_RESULTS = ("NodeValbyID", "LinkValbyID", "MeanValbyID", "TankValbyID", "GetUnitCoef")


def load_library():
    lib = C.CDLL(str(library_path()))
    for name in _FLOAT_RESULTS:
        getattr(lib, name).restype = C.c_float
    return lib


def ref(v, ctype=C.c_int):
    return C.byref(ctype(v))


class Engine:
    """The engine library with helpers for the calling conventions."""

    def __init__(self, lib):
        self.lib = lib

    # --- texts ---------------------------------------------------------------
    @staticmethod
    def text(s):
        return s.encode() if isinstance(s, str) else s

    def out_text(self, n):
        """A buffer of n bytes (pre-filled with 'x') followed by guard bytes."""
        buf = C.create_string_buffer(b"x" * n + GUARD, n + len(GUARD))
        return buf

    @staticmethod
    def read_text(buf, n):
        raw = buf.raw
        assert raw[n:n + len(GUARD)] == GUARD, "write past the end of an output text"
        return raw[:n]

    # --- commands ------------------------------------------------------------
    def cmd(self, line):
        b = self.text(line)
        return self.lib.CmdExec(b, L(len(b)))

    def ok(self, *lines):
        for line in lines:
            status = self.cmd(line)
            assert status == OK, f"{line!r} -> {status}: {self.var('LASTERROR')}"

    def var(self, name, size=48):
        b = self.text(name)
        out = self.out_text(size)
        ln = C.c_int(-1)
        status = self.lib.sGetSysVar(b, out, C.byref(ln), L(len(b)), L(size))
        text = self.read_text(out, size)
        assert text[ln.value:] == b" " * (size - ln.value)
        return text[:ln.value].decode() if status == OK else None

    def last_error(self):
        return self.var("LASTERROR", 400)

    # --- lookups ---------------------------------------------------------------
    def count(self, typelt):
        return self.lib.GetNbObjects(ref(typelt))

    def index(self, typelt, sid):
        b = self.text(sid)
        num = C.c_int(-7)
        status = self.lib.GetElementIndex(ref(typelt), b, C.byref(num), L(len(b)))
        return status, num.value

    def ident(self, typelt, num):
        out = self.out_text(48)
        n = self.lib.GetIdElem(ref(typelt), ref(num), out, L(48))
        return self.read_text(out, 48)[:n].decode(), n

    def value(self, entry, sid, attr):
        b, a = self.text(sid), self.text(attr)
        return getattr(self.lib, entry)(b, a, L(len(b)), L(len(a)))

    def attr_index(self, symbol):
        b = self.text(symbol)
        return self.lib.GetIndexAttr(b, L(len(b)))

    def by_number(self, entry, num, symbol):
        value = C.c_float(-123.0)
        status = getattr(self.lib, entry)(ref(num), ref(self.attr_index(symbol), C.c_int16),
                                          C.byref(value))
        return status, value.value

    def set_attr(self, entry, num, symbol, val):
        return getattr(self.lib, entry)(ref(num), ref(self.attr_index(symbol), C.c_int16),
                                        ref(val, C.c_float))

    def all_values(self, typelt, attr, nbval=None):
        nbval = self.count(typelt) if nbval is None else nbval
        vect = (C.c_float * max(nbval, 1))()
        a = self.text(attr)
        n = self.lib.cGetAll(ref(typelt), a, ref(nbval), vect, L(len(a)))
        return n, list(vect)[:max(n, 0)]

    def series(self, typelt, sid, attr, nbval=None, interval=0.0):
        nbval = self.lib.GetNbValProfilResultat() if nbval is None else nbval
        tim = (C.c_float * max(nbval, 1))()
        val = (C.c_float * max(nbval, 1))()
        b, a = self.text(sid), self.text(attr)
        n = self.lib.TSValbyId(ref(typelt), b, a, ref(nbval), tim, val, ref(interval, C.c_float),
                               L(len(b)), L(len(a)))
        return n, list(tim)[:max(n, 0)], list(val)[:max(n, 0)]


@pytest.fixture(scope="session")
def library():
    # A library that does not build or load is a failure, not a skip.
    return load_library()


@pytest.fixture
def engine(library):
    """A freshly opened engine without a model."""
    eng = Engine(library)
    assert library.VBOpenMelisto() == 20261201
    yield eng
    library.VBCloseMelisto()


@pytest.fixture
def town(engine):
    """The example town network, loaded and simulated."""
    engine.ok(f'LOAD "{TOWN}"', "SIMULATE")
    return engine
