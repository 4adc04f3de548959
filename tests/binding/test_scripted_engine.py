"""Tests of the scripted engine itself, called directly through ctypes."""

import ctypes
import math
import pathlib
import re
import subprocess
import sys

import pytest

ROOT = pathlib.Path(__file__).resolve().parents[2]
HEADER = ROOT / "engine" / "include" / "orvelle_sim.h"

KIND_OF_TYPE = {
    "const int *": "i", "const int16_t *": "h", "const float *": "f", "const double *": "d",
    "const char *": "s", "int *": "I", "int8_t *": "B", "float *": "F", "double *": "D",
    "char *": "S", "orv_len": "l",
}


def header_entries():
    text = re.sub(r"/\*.*?\*/", "", HEADER.read_text(), flags=re.S)
    out = {}
    for ret, name, params in re.findall(r"ORV_API\s+(int|float)\s+(\w+)\s*\(([^)]*)\)\s*;", text):
        params = " ".join(params.split())
        plist = [] if params in ("", "void") else [p.strip() for p in params.split(",")]
        sig = []
        for p in plist:
            m = re.fullmatch(r"(.*?)\s*(\w+)", p)
            ctype = m.group(1).replace(" *", "*").replace("*", " *")
            sig.append((m.group(2), KIND_OF_TYPE[ctype]))
        out[name] = (ret[0], sig)
    return out


def call(engine, entry, *args):
    """Calls an entry point with ctypes: lengths as int64, everything else an address."""
    fn = getattr(engine._lib, entry)
    sig = engine.signatures()[entry]
    fn.argtypes = [ctypes.c_int64 if kind == "l" else ctypes.c_void_p for _, kind, _ in sig]
    fn.restype = ctypes.c_float if engine.returns(entry) == "f" else ctypes.c_int
    assert len(args) == len(sig)
    return fn(*args)


def ref(ctype, value=0):
    return ctypes.byref(ctype(value))


def test_table_matches_header(engine):
    expected = header_entries()
    got = engine.signatures()
    assert len(expected) == 84 and set(got) == set(expected)
    for name, (ret, sig) in expected.items():
        assert engine.returns(name) == ret, name
        assert [(p, k) for p, k, _ in got[name]] == sig, name
    gen = ROOT / "tests" / "scripted_engine" / "gen_entries.py"
    subprocess.run([sys.executable, str(gen), "--check"], check=True)


def test_records_inputs_by_declared_type(engine):
    buf = ctypes.create_string_buffer(b"N1XYZ")  # only 2 bytes belong to sid
    assert call(engine, "NodeValbyID", buf, b"P", 2, 1) == 0.0
    i16 = ctypes.c_int16(-7)
    call(engine, "SetNodeAttr", ref(ctypes.c_int, 4), ctypes.byref(i16), ref(ctypes.c_float, 0.1))
    call(engine, "GetDistLink", b"L\x00x", ref(ctypes.c_double, 1.25), ref(ctypes.c_double, -2.5),
         None, None, None, None, 3)
    call(engine, "cShearStr", b"P12\x00rest", ref(ctypes.c_float, 0.5), None, None)
    out = ctypes.create_string_buffer(24)
    call(engine, "cMelKeyword", ref(ctypes.c_int, 3), None, out, 24)
    call(engine, "cGetDateref", None, out, 26)
    assert engine.calls() == [
        ("NodeValbyID", {"sid": b"N1", "sattr": b"P", "lsid": 2, "lsattr": 1}),
        ("SetNodeAttr", {"index": 4, "iattr": -7, "val": float(ctypes.c_float(0.1).value)}),
        ("GetDistLink", {"sid": b"L\x00x", "xp": 1.25, "yp": -2.5, "lsid": 3}),
        ("cShearStr", {"sid": b"P12", "v": 0.5}),
        ("cMelKeyword", {"dict": 3, "lsout": 24}),
        ("cGetDateref", {"size": None, "lsdate": 26}),
    ]
    assert engine.last("NodeValbyID")["sid"] == b"N1"
    assert engine.names()[-1] == "cGetDateref" and engine.count() == 6 and engine.count("cShearStr") == 1


def test_records_arrays_up_to_their_counts(engine):
    qtl = (ctypes.c_float * 3)(0.1, 0.5, 0.9)
    bufres = (ctypes.c_int * 4)(5, 6, 7, 8)
    tabres = (ctypes.c_float * 6)()
    call(engine, "cQuantiles", ref(ctypes.c_int, 2), b"P", ref(ctypes.c_int, 2), qtl,
         ref(ctypes.c_int, 3), bufres, tabres, 1)
    call(engine, "cQuantiles", ref(ctypes.c_int, 2), b"P", ref(ctypes.c_int, -1), qtl,
         ref(ctypes.c_int, 0), None, tabres, 1)
    tval = (ctypes.c_float * 2)(10, 20)
    call(engine, "cSetDensity", ref(ctypes.c_int, 2), tval, (ctypes.c_float * 2)(1.5, 2.5))
    call(engine, "cSHLTableEntry", b"S1", (ctypes.c_float * 2)(0.25, 4), b"note", None, 2, 4)
    call(engine, "cAddSHL", b"L1", b"S1", ref(ctypes.c_int, 9), 2, 2)
    q1, q2, d, shl, add = (c.args for c in engine.calls())
    assert q1 == {"typres": 2, "sattr": b"P", "nqtl": 2, "qtl": [pytest.approx(0.1), 0.5], "lres": 3,
                  "bufres": [5, 6, 7], "lsattr": 1}
    assert q1["qtl"][0] == ctypes.c_float(0.1).value
    assert q2["qtl"] == [] and q2["bufres"] is None
    assert d == {"nbval": 2, "tval": [10.0, 20.0], "dval": [1.5, 2.5]}
    assert shl == {"shlid": b"S1", "shl": [0.25, 4.0], "comment": b"note", "lshlid": 2, "lcomment": 4}
    assert add == {"sid": b"L1", "shlid": b"S1", "shl": 9, "lsid": 2, "lshlid": 2}


def test_programs_sticky_and_once(engine):
    engine.program("GetNextTableEntry", ret=7, lnitem=1)
    engine.program_once("GetNextTableEntry", item=b"PVC", ncount=4, lnitem=3)
    engine.program_seq("GetNextTableEntry", [dict(item=b"PE", ret=0)])
    assert engine.pending("GetNextTableEntry") == 2 and engine.pending() == 2
    results = []
    for _ in range(3):
        item = ctypes.create_string_buffer(b" " * 18)
        ncount, lnitem = ctypes.c_int(-1), ctypes.c_int(-1)
        ret = call(engine, "GetNextTableEntry", item, ctypes.byref(ncount), ctypes.byref(lnitem), 18)
        results.append((ret, item.value, ncount.value, lnitem.value))
    assert results == [(7, b"PVC" + b" " * 15, 4, 3), (0, b"PE" + b" " * 16, -1, 1), (7, b" " * 18, -1, 1)]
    assert engine.pending() == 0
    engine.program("NodeValbyID", ret=float("nan"))
    assert math.isnan(call(engine, "NodeValbyID", b"N", b"P", 1, 1))
    engine.program("GetUnitCoef", ret=0.1)
    assert call(engine, "GetUnitCoef", b"P", 1) == ctypes.c_float(0.1).value
    exists = ctypes.c_int8(5)
    engine.program("cChangeWorkFolder", exists=-1)
    call(engine, "cChangeWorkFolder", b"/tmp", ctypes.byref(exists), 4)
    assert exists.value == -1
    engine.unprogram("cChangeWorkFolder")
    exists.value = 5
    assert call(engine, "cChangeWorkFolder", b"/tmp", ctypes.byref(exists), 4) == 0 and exists.value == 5
    engine.program_seq("GetIndexAttr", [dict(ret=0x10005), dict(ret=2**32 + 5), dict(ret=0xFFFFFFFF), dict(ret=-3.9)])
    assert [call(engine, "GetIndexAttr", b"P", 1) for _ in range(4)] == [0x10005, 5, -1, -3]
    engine.reset()
    assert engine.calls() == [] and call(engine, "GetUnitCoef", b"P", 1) == 0.0


def test_writes_never_overflow(engine):
    engine.program("sGetSysVar", sval=b"ABCDEFGH", len_val=8, ret=1)
    sval = ctypes.create_string_buffer(b"." * 10)
    len_val = ctypes.c_int()
    call(engine, "sGetSysVar", b"V", sval, ctypes.byref(len_val), 1, 4)
    assert sval.raw == b"ABCD......\x00" and len_val.value == 8
    engine.program("GetAttr", sout=b"P\x00")
    sout = ctypes.create_string_buffer(b"  X")
    call(engine, "GetAttr", ref(ctypes.c_int, 1), sout, 2)
    assert sout.raw == b"P\x00X\x00"
    engine.program("cGetAll", vect=[1, 2, 3, 4, 5])
    vect = (ctypes.c_float * 4)(-1, -1, -1, -1)
    call(engine, "cGetAll", ref(ctypes.c_int, 1), b"Q", ref(ctypes.c_int, 3), vect, 1)
    assert list(vect) == [1, 2, 3, -1]
    engine.program("cSQuantiles", tabres=list(range(1, 20)))
    tabres = (ctypes.c_float * 8)(*[-1] * 8)
    call(engine, "cSQuantiles", b"S", b"P", ref(ctypes.c_int, 3), None, ref(ctypes.c_int, 2), tabres, 1, 1)
    assert list(tabres) == [1, 2, 3, 4, 5, 6, -1, -1]
    engine.program("LinkXYZV", xb=[0.5, 1.5], zb=[2])
    xb, zb = (ctypes.c_double * 3)(-1, -1, -1), (ctypes.c_float * 3)(-1, -1, -1)
    call(engine, "LinkXYZV", b"L", b"V", ref(ctypes.c_int, 3), xb, None, zb, None, 1, 1)
    assert list(xb) == [0.5, 1.5, -1] and list(zb) == [2, -1, -1]
    call(engine, "LinkXYZV", b"L", b"V", ref(ctypes.c_int, -2), xb, None, zb, None, 1, 1)  # nothing read or written


def test_every_entry_point_survives_null_pointers(engine):
    for entry, sig in engine.signatures().items():
        values = {p: ([1.0, 2.0] if count else (b"X" if kind == "S" else 1)) for p, kind, count in sig
                  if kind in "IBFDS"}
        if values:
            engine.program(entry, ret=2, **values)
        call(engine, entry, *[(-5 if kind == "l" else None) for _, kind, _ in sig])
    assert engine.count() == 84


def test_bad_programs_raise(engine):
    for entry, kw in [("NoSuchEntry", {"ret": 1}), ("GetIdElem", {"typelt": 1}), ("GetIdElem", {"sidx": b""}),
                      ("GetIdElem", {"sid": 3}), ("cGetAll", {"vect": 1}), ("GetNbObjects", {"ret": b"1"})]:
        with pytest.raises(ValueError):
            engine.program(entry, **kw)
    with pytest.raises(ValueError):
        engine.calls("NoSuchEntry")
    assert engine.pending() == 0


def test_binding_reaches_this_engine(engine):
    _pyorvsim = pytest.importorskip("_pyorvsim")
    engine.program("GetNbObjects", ret=42)
    assert _pyorvsim.nbobjects(2) == 42
    assert engine.calls() == [("GetNbObjects", {"typelt": 2})]


def test_vers_orvdll_holds_32_bit_ints_only(engine):
    _pyorvsim = pytest.importorskip("_pyorvsim")
    group = _pyorvsim.pyorvsim
    for value in (20240101, -2**31, 2**31 - 1):
        group.vers_orvdll = value
        assert group.vers_orvdll == value
    # Beyond 32 bits the assignment is refused, as for every int argument,
    # instead of wrapping to a negative version that closes every gate.
    for beyond in (2**31, -2**31 - 1, 2**40, float(2**31), [2**31]):
        with pytest.raises(OverflowError):
            group.vers_orvdll = beyond
        assert group.vers_orvdll == 2**31 - 1
    assert engine.names() == []
