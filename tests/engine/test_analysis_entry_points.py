"""The analysis entry points through the C interface: argument checks, buffers
never written past their end, walks, and the state they keep between calls."""
import ctypes as C

import pytest

from api_harness import (BAD_ARGUMENT, BRANCH, GUARD, NO_MODEL, NO_RESULTS, NODE, OK,  # noqa: F401
                         TANK, TOWN, UNKNOWN_ATTRIBUTE, UNKNOWN_NAME, L, engine, library, ref, town)

F = C.c_float
NOT_AVAILABLE = 10


@pytest.fixture(autouse=True)
def _implemented(library):
    if library.cSetIndCal(ref(0.5, F), ref(1.0, F), ref(2.0, F)) == NOT_AVAILABLE:
        pytest.skip("the analysis entry points are not in this library yet")


def floats(values, guard=4):
    """A float array holding values, followed by `guard` sentinel floats."""
    arr = (F * (len(values) + guard))(*values, *([-999.0] * guard))
    return arr


def guard_intact(arr, n):
    return all(v == -999.0 for v in list(arr)[n:])


def text(s):
    return s.encode()


# --- statistics -----------------------------------------------------------------

def quantiles(eng, typ, attr, levels, numbers, room=None):
    room = len(numbers) if room is None else room
    q = floats(levels, 0)
    idx = (C.c_int * max(len(numbers), 1))(*numbers)
    out = floats([0.0] * (room * len(levels)))
    a = text(attr)
    status = eng.lib.cQuantiles(ref(typ), a, ref(len(levels)), q, ref(room), idx, out, L(len(a)))
    return status, out


def test_quantile_table_is_column_major_and_bounded(town):
    status, out = quantiles(town, NODE, "P", [0.0, 1.0], [3, 8])
    assert status == OK and guard_intact(out, 4)
    _, _, j3 = town.series(NODE, "J3", "P")
    _, _, j8 = town.series(NODE, "J8", "P")
    assert list(out)[:4] == [min(j3), min(j8), max(j3), max(j8)]
    for bad in ([NODE, "P", [0.5], [99]], [NODE, "P", [1.5], [3]], [7, "P", [0.5], [3]]):
        status, out = quantiles(town, *bad)
        assert status == BAD_ARGUMENT and list(out)[:1] == [0.0]
    assert quantiles(town, NODE, "Q", [0.5], [3])[0] == UNKNOWN_ATTRIBUTE
    q, a = floats([0.5], 0), text("P")
    assert town.lib.cQuantiles(ref(NODE), a, ref(1), q, ref(-1), None, None, L(1)) == BAD_ARGUMENT
    assert town.lib.cQuantiles(ref(NODE), a, ref(1), q, ref(2), None, floats([0, 0]), L(1)) == BAD_ARGUMENT


def test_selection_statistics_fill_the_rows_they_have(town):
    town.ok("SELECT S NODE LIST J3 J8", "SELECT NONE NODE WHERE P > 10000")
    sel, a, op = text("S"), text("P"), text("<")
    q = floats([0.0, 1.0], 0)
    out = floats([0.0] * 6)  # three rows for two members
    assert town.lib.cSQuantiles(sel, a, ref(2), q, ref(3), out, L(1), L(1)) == OK
    _, ref_out = quantiles(town, NODE, "P", [0.0, 1.0], [3, 8])
    assert [out[0], out[1], out[3], out[4]] == list(ref_out)[:4]
    assert out[2] == 0.0 and out[5] == 0.0 and guard_intact(out, 6)
    small = floats([0.0])
    assert town.lib.cSQuantiles(sel, a, ref(2), q, ref(1), small, L(1), L(1)) == BAD_ARGUMENT
    assert guard_intact(small, 1) and small[0] == 0.0
    dur = floats([0.0, 0.0])
    assert town.lib.cSDuree_Cumulee(sel, a, op, ref(1000.0, F), ref(2), dur, L(1), L(1), L(1)) == OK
    assert list(dur)[:2] == [24.0, 24.0] and guard_intact(dur, 2)
    none = text("NONE")
    assert town.lib.cSDuree_Cumulee(none, a, op, ref(1.0, F), ref(0), dur, L(4), L(1), L(1)) == BAD_ARGUMENT
    nope = text("NOPE")
    assert town.lib.cSDuree_Cumulee(nope, a, op, ref(1.0, F), ref(2), dur, L(4), L(1), L(1)) == UNKNOWN_NAME
    for bad_op in (b"~", b"", b"=>"):
        assert town.lib.cSDuree_Cumulee(sel, a, bad_op, ref(1.0, F), ref(2), dur, L(1), L(1),
                                        L(len(bad_op))) == BAD_ARGUMENT


def test_statistics_need_results(engine):
    engine.ok(f'LOAD "{TOWN}"')
    idx, out = (C.c_int * 1)(1), floats([0.0])
    a, op = text("P"), text(">")
    assert engine.lib.cDuree_Cumulee(ref(NODE), a, op, ref(0.0, F), ref(1), idx, out, L(1), L(1)) == NO_RESULTS


# --- demand codes and tables ---------------------------------------------------------

def walk(eng, entry, size=18, with_value=True):
    """Next items until the walk refuses; (name, value, count, length) each."""
    items = []
    while True:
        buf = eng.out_text(size)
        value, count, length = F(-1), C.c_int(-1), C.c_int(-1)
        args = [buf] + ([C.byref(value)] if with_value else []) + [C.byref(count), C.byref(length), L(size)]
        if entry == "GetNextCsmPair":
            args = [buf, C.byref(value), C.byref(length), L(size)]
        status = getattr(eng.lib, entry)(*args)
        raw = eng.read_text(buf, size)
        if status != OK:
            assert status == BAD_ARGUMENT and raw == b" " * size and length.value == 0
            return items
        items.append((raw[:length.value].decode(), round(value.value, 4), count.value, length.value))
        assert len(items) < 100


def test_node_demand_pairs_walk(town):
    sid, code = text("J3"), text("COM")
    csm = F(-1)
    assert town.lib.CSNodebyID(sid, code, C.byref(csm), L(2), L(3)) == OK and csm.value == 2.0
    assert town.lib.CSNodebyID(sid, b"IND", C.byref(csm), L(2), L(3)) == OK and csm.value == 0.0
    assert town.lib.CSNodebyID(sid, b"XYZ", C.byref(csm), L(2), L(3)) == UNKNOWN_NAME
    assert walk(town, "GetNextCsmPair") == []  # not started
    nb, sz = C.c_int(-5), C.c_int(-5)
    assert town.lib.GetNbCsmPair(sid, C.byref(nb), C.byref(sz), L(2)) == OK
    assert (nb.value, sz.value) == (2, 3)
    assert [(n, v) for n, v, _, _ in walk(town, "GetNextCsmPair")] == [("DOM", 4.5), ("COM", 2.0)]
    assert town.lib.GetNbCsmPair(b"NOPE", C.byref(nb), C.byref(sz), L(4)) == UNKNOWN_NAME
    assert nb.value == 0


def test_code_walk_and_short_item_buffers(town):
    nbc = C.c_int(-5)
    assert town.lib.GetUsedCodes(ref(1), C.byref(nbc)) == OK and nbc.value == 3
    assert walk(town, "GetNextCodeCSMNodeCount") == [("COM", 4.5, 2, 3), ("DOM", 17.0, 5, 3),
                                                     ("IND", 6.0, 1, 3)]
    assert town.lib.GetUsedCodes(ref(0), C.byref(nbc)) == OK and nbc.value == 4
    assert walk(town, "GetNextCodeCSMNodeCount", size=2)[1] == ("CO", 4.5, 2, 2)


def test_table_walk(town):
    nbc = C.c_int(-5)
    t = text("diameter")
    assert town.lib.GetNbTableEntry(t, ref(0), C.byref(nbc), L(len(t))) == OK and nbc.value == 4
    assert [(n, c) for n, _, c, _ in walk(town, "GetNextTableEntry", with_value=False)] == [
        ("100", 2), ("150", 4), ("200", 2), ("300", 2)]
    assert town.lib.GetNbTableEntry(b"NOPE", ref(1), C.byref(nbc), L(4)) == UNKNOWN_NAME
    assert nbc.value == 0
    assert town.lib.GetNbTableEntry(b"ZONE", ref(1), C.byref(nbc), L(4)) == BAD_ARGUMENT


def test_walks_end_with_another_model(town):
    nbc = C.c_int()
    assert town.lib.GetUsedCodes(ref(0), C.byref(nbc)) == OK
    town.ok(f'LOAD "{TOWN}"')
    assert walk(town, "GetNextCodeCSMNodeCount") == []


# --- shear stress and density ------------------------------------------------------------

def shear(eng, sid, v):
    s, ds = F(-1), F(-1)
    status = eng.lib.cShearStr(sid, ref(v, F), C.byref(s), C.byref(ds))
    return status, s.value, ds.value


def test_shear_stress_and_density_table(town):
    status, s, ds = shear(town, b"P1\0", 1.2)
    assert status == OK and s == pytest.approx(4.04458, rel=1e-4) and ds == pytest.approx(6.2421, rel=1e-4)
    assert shear(town, b"P1\0", -1.2)[1:] == (s, ds)
    assert shear(town, b"PU1\0", 1.0)[0] == BAD_ARGUMENT
    assert shear(town, b"NOPE\0", 1.0)[0] == UNKNOWN_NAME
    assert shear(town, b"P1" * 3000, 1.0)[0] == BAD_ARGUMENT  # no NUL in reach
    t, d = floats([35.0, 5.0], 0), floats([980.0, 1000.0], 0)
    assert town.lib.cSetDensity(ref(2), t, d) == OK
    assert shear(town, b"P1\0", 1.2)[1] == pytest.approx(s * 0.99, rel=1e-5)
    dup = floats([5.0, 5.0], 0)
    assert town.lib.cSetDensity(ref(2), dup, d) == BAD_ARGUMENT
    assert town.lib.cSetDensity(ref(-1), t, d) == BAD_ARGUMENT
    assert town.lib.cSetDensity(ref(1), None, d) == BAD_ARGUMENT
    assert shear(town, b"P1\0", 1.2)[1] == pytest.approx(s * 0.99, rel=1e-5)  # unchanged
    assert town.lib.cSetDensity(ref(0), None, None) == OK
    assert shear(town, b"P1\0", 1.2)[1] == pytest.approx(s, rel=1e-6)


# --- SHL -------------------------------------------------------------------------------------

def shl_entry(eng, sid, k, dref, comment="bend"):
    istat = C.c_int(-1)
    a, c = text(sid), text(comment)
    ret = eng.lib.cSHLTableEntry(a, floats([k, dref], 0), c, C.byref(istat), L(len(a)), L(len(c)))
    assert ret == istat.value
    return ret


def shl(eng, entry, sid, shlid, n=None):
    a, b = text(sid), text(shlid)
    if entry == "cClearSHL":
        return eng.lib.cClearSHL(a, b, L(len(a)), L(len(b)))
    return getattr(eng.lib, entry)(a, b, ref(n), L(len(a)), L(len(b)))


def test_shl_entries_change_the_minor_loss_of_branches(town):
    k = lambda: town.value("LinkValbyID", "P1", "K")  # noqa: E731
    assert shl_entry(town, "RED", 0.2, 150) == OK
    assert shl(town, "cAddSHL", "P1", "red", 1) == OK and k() == pytest.approx(3.2)
    assert shl(town, "cAddSHL", "P1", "RED", 1) == BAD_ARGUMENT
    assert shl(town, "cModSHL", "P1", "RED", 2) == OK and k() == pytest.approx(6.4)
    assert shl(town, "cModSHL", "P1", "RED", 0) == BAD_ARGUMENT and k() == pytest.approx(6.4)
    assert shl(town, "cModSHL", "P2", "RED", 1) == UNKNOWN_NAME
    assert shl(town, "cAddSHL", "PU1", "RED", 1) == BAD_ARGUMENT
    assert shl(town, "cAddSHL", "NOPE", "RED", 1) == UNKNOWN_NAME
    assert shl(town, "cAddSHL", "P1", "NOPE", 1) == UNKNOWN_NAME
    assert shl_entry(town, "RED", -1, 150) == BAD_ARGUMENT and k() == pytest.approx(6.4)
    assert shl_entry(town, "", 1, 0) == BAD_ARGUMENT
    assert shl(town, "cClearSHL", "P1", "RED") == OK and k() == 0.0
    assert shl(town, "cClearSHL", "P1", "RED") == UNKNOWN_NAME


def test_shl_entry_needs_a_model(engine):
    assert shl_entry(engine, "RED", 0.2, 150) == NO_MODEL


# --- measurements and calibration ------------------------------------------------------------

def test_measured_series_through_the_interface(town, tmp_path):
    csv = tmp_path / "m.csv"
    csv.write_text("NODE,J3,P,0,30\nNODE,J3,P,1,32\nNODE,J3,P,2,31\n")
    sid, a = text("J3"), text("P")
    count = lambda typ, s, at: town.lib.NbMesbyId(ref(typ), s, at, L(len(s)), L(len(at)))  # noqa: E731
    assert count(NODE, sid, a) == 0
    town.ok(f'MEASURE "{csv}"')
    assert count(NODE, sid, a) == 3
    assert count(NODE, b"NOPE", a) == -UNKNOWN_NAME
    assert count(NODE, sid, b"Q") == -UNKNOWN_ATTRIBUTE
    assert count(9, sid, a) == -BAD_ARGUMENT
    tim, val = floats([0.0, 0.0]), floats([0.0, 0.0])
    n = town.lib.TSMesbyId(ref(NODE), sid, a, ref(2), tim, val, ref(0.0, F), L(2), L(1))
    assert n == 2 and list(tim)[:2] == [0.0, 1.0] and list(val)[:2] == [30.0, 32.0]
    assert guard_intact(tim, 2) and guard_intact(val, 2)
    tim, val = floats([0.0] * 5), floats([0.0] * 5)
    n = town.lib.TSMesbyId(ref(NODE), sid, a, ref(5), tim, val, ref(0.5, F), L(2), L(1))
    assert n == 5 and list(val)[:5] == [30.0, 31.0, 32.0, 31.5, 31.0]
    assert town.lib.TSMesbyId(ref(NODE), sid, a, ref(-1), tim, val, ref(0.0, F), L(2), L(1)) == -BAD_ARGUMENT
    assert town.lib.TSMesbyId(ref(NODE), sid, a, ref(2), None, val, ref(0.0, F), L(2), L(1)) == -BAD_ARGUMENT
    val_, cls = F(-1), C.c_int(-1)
    assert town.lib.GetIndCal(ref(NODE), sid, C.byref(val_), C.byref(cls), L(2)) == OK
    assert cls.value in (3, 4) and val_.value > 1
    assert town.lib.GetIndCal(ref(NODE), b"J1", C.byref(val_), C.byref(cls), L(2)) == OK
    assert (val_.value, cls.value) == (0.0, 0)


def test_thresholds_and_summary(town, tmp_path):
    assert town.lib.cSetIndCal(ref(1.0, F), ref(0.5, F), ref(2.0, F)) == BAD_ARGUMENT
    assert town.lib.cSetIndCal(ref(-1.0, F), ref(0.5, F), ref(2.0, F)) == BAD_ARGUMENT
    assert town.lib.cSetIndCal(ref(float("nan"), F), ref(0.5, F), ref(2.0, F)) == BAD_ARGUMENT
    out = [C.c_int(-1), C.c_int(-1), F(-1), F(-1), F(-1), F(-1)]
    assert town.lib.Kalibra_Summary(*map(C.byref, out)) == NO_RESULTS
    assert [o.value for o in out] == [0, 0, 0, 0, 0, 0]
    _, hours, values = town.series(NODE, "J3", "P")
    csv = tmp_path / "m.csv"
    csv.write_text("".join(f"NODE,J3,P,{h!r},{v + 0.3!r}\n" for h, v in zip(hours, values)))
    town.ok(f'MEASURE "{csv}"', "CALIBRATE ITERATIONS 5")
    assert town.lib.Kalibra_Summary(*map(C.byref, out)) == OK
    iters, iter100, fmin, f100, f0, lam = (o.value for o in out)
    assert f0 == pytest.approx(0.09 * len(hours), rel=1e-3)
    assert 0 <= iters <= 5 and fmin <= f0 and iter100 in (-1, *range(iters + 1)) and lam > 0
