"""Model editing: the density table and SHL entries, their version gates and
the density length check."""

import numpy as np
import pytest

import _pyorvsim as m

F32 = np.float32

# call, entry point, gate, result when closed, engine arguments when open
EDITS = {
    "setdensity": (lambda: m.setdensity([1, 2, 3], [4, 5, 0.1]), "cSetDensity", 20150527, 1,
                   {"nbval": 3, "tval": [1.0, 2.0, 3.0], "dval": [4.0, 5.0, float(F32(0.1))]}),
    "addshlentry": (lambda: m.addshlentry("SHL1", [0.5, 0.1], "bend"), "cSHLTableEntry",
                    20150610, 0, {"shlid": b"SHL1", "shl": [0.5, float(F32(0.1))],
                                  "comment": b"bend", "lshlid": 4, "lcomment": 4}),
    "addsingleshl": (lambda: m.addsingleshl("P12", "SHL1", -3), "cAddSHL", 20150527, None,
                     {"sid": b"P12", "shlid": b"SHL1", "shl": -3, "lsid": 3, "lshlid": 4}),
    "updatesingleshl": (lambda: m.updatesingleshl("P12", "SHL1", 7), "cModSHL", 20150527, None,
                        {"sid": b"P12", "shlid": b"SHL1", "shl": 7, "lsid": 3, "lshlid": 4}),
    "removeshl": (lambda: m.removeshl("P12", "SHL1"), "cClearSHL", 20150527, None,
                  {"sid": b"P12", "shlid": b"SHL1", "lsid": 3, "lshlid": 4}),
}


@pytest.mark.parametrize("name", EDITS)
@pytest.mark.parametrize("below", [1, 20150527, 20990000])
def test_closed_gate_returns_the_fixed_result(engine, name, below):
    call, _, gate, closed, _ = EDITS[name]
    m.pyorvsim.vers_orvdll = gate - below
    assert call() == closed
    assert engine.names() == []


@pytest.mark.parametrize("name", EDITS)
def test_open_gate_calls_the_engine(engine, name):
    call, entry, gate, _, args = EDITS[name]
    m.pyorvsim.vers_orvdll = gate
    call()
    assert engine.calls() == [(entry, args)]


def test_open_results(engine):
    m.pyorvsim.vers_orvdll = 20150610
    engine.program("cSetDensity", ret=-4)
    assert m.setdensity([1], [2]) == -4
    engine.program("cSHLTableEntry", ret=5, istat=-9)  # istat is written, the value unused
    assert m.addshlentry("S", [1, 2], "") == -9
    engine.unprogram("cSHLTableEntry")
    assert m.addshlentry("S", [1, 2], "") == 0  # not written: stays 0
    for entry in ("cAddSHL", "cModSHL", "cClearSHL"):
        engine.program(entry, ret=8)
    assert m.addsingleshl("a", "b", 1) is None and m.updatesingleshl("a", "b", 1) is None
    assert m.removeshl("a", "b") is None


@pytest.mark.parametrize("tval,dval,kw,nbval", [
    ([1, 2, 3], [4, 5, 6], {}, 3),
    ([1, 2, 3], [4, 5], {"nbval": 2}, 2),
    ([1, 2, 3], [4, 5], {"nbval": None}, None),
    (np.arange(4, dtype=F32), [9], {"nbval": 1}, 1),
    # A nested list counts all its elements, taken in column-major order.
    ([[1, 2, 3], [4, 5, 6]], [1, 2, 3, 4, 5, 6], {}, 6),
])
def test_setdensity_count(engine, tval, dval, kw, nbval):
    m.pyorvsim.vers_orvdll = 20150527
    if nbval is None:  # nbval of len(tval) = 3 does not fit the two values of dval
        with pytest.raises(ValueError):
            m.setdensity(tval, dval, **kw)
        assert engine.names() == []
        return
    m.setdensity(tval, dval, **kw)
    args = engine.last("cSetDensity")
    passed = np.ravel(np.asarray(tval, dtype=float), order="F")[:nbval]
    assert args["nbval"] == nbval and args["tval"] == passed.tolist()


@pytest.mark.parametrize("version", [0, 20150527])
def test_setdensity_length_check(engine, version):
    m.pyorvsim.vers_orvdll = version
    with pytest.raises(Exception) as excinfo:
        m.setdensity([1, 2], [4, 5, 6], 3)
    assert f"{excinfo.type.__module__}.{excinfo.type.__name__}" == "_pyorvsim.error"
    assert str(excinfo.value) == "(len(tval)>=nbval) failed for 1st keyword nbval: setdensity:nbval=3"
    assert engine.names() == []


@pytest.mark.parametrize("shl", [[1.0], [1.0, 2.0, 3.0], [[1.0, 2.0], [3.0, 4.0]]])
def test_addshlentry_needs_two_values(engine, shl):
    m.pyorvsim.vers_orvdll = 20150610
    with pytest.raises(ValueError, match="dimension|array size|axes"):
        m.addshlentry("S", shl, "c")
    assert engine.names() == []


def test_addshlentry_converts_the_comment_before_shl(engine):
    with pytest.raises(Exception, match="3rd argument `comment'"):
        m.addshlentry("S", [1.0], "\u00e9")


@pytest.mark.parametrize("routine", ["addsingleshl", "updatesingleshl"])
def test_shl_conversion_message(engine, routine):
    m.pyorvsim.vers_orvdll = 20150527
    with pytest.raises(ValueError, match=rf"_pyorvsim\.{routine}\(\) 3rd argument \(shl\)"):
        getattr(m, routine)("P", "S", "x")
    assert engine.names() == []
