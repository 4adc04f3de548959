"""Simulation run, time span, result series (natural and resampled),
extremes, demand series by code and zone, device series and the walk over
unstable devices."""
import ctypes as C

import pytest

from api_harness import (BAD_ARGUMENT, BRANCH, NODE, NO_RESULTS, TANK, TOWN, UNKNOWN_NAME,  # noqa: F401
                         L, engine, library, ref, town)
from reference_run import reference_steps

DOM = [0.5, 0.4, 0.6, 1.3, 1.5, 1.2, 1.0, 1.1, 1.4, 1.6, 1.0, 0.6]  # 2-hour steps
DOM_BASE = {"J2": 3.0, "J3": 4.5, "J4": 3.5, "J6": 4.0, "J8": 2.0}


def test_time_span_follows_the_simulation(town, tmp_path):
    steps = sorted(reference_steps(TOWN, tmp_path))
    assert town.lib.GetNbTimeSteps() == len(steps) == town.lib.GetNbValProfilResultat()
    tmin, tmax = C.c_float(-1), C.c_float(-1)
    assert town.lib.GetDateMinMax(C.byref(tmin), C.byref(tmax)) == len(steps)
    assert (tmin.value, tmax.value) == (0.0, 24.0)
    n, hours, _ = town.series(NODE, "J1", "P")
    assert n == len(steps)
    assert hours == pytest.approx([t / 3600 for t in steps], abs=1e-4)


def test_natural_series_holds_the_value_of_every_step(town):
    n, hours, values = town.series(BRANCH, "P2", "Q")
    for h, v in zip(hours, values):
        town.ok(f"INSTANT {h!r}")
        assert town.value("LinkValbyID", "P2", "Q") == v


def test_resampled_series_holds_each_value_until_the_next_step(town):
    _, hours, values = town.series(TANK, "T1", "LV")
    n, rh, rv = town.series(TANK, "T1", "LV", nbval=100, interval=0.5)
    assert n == 49 and rh == pytest.approx([k * 0.5 for k in range(49)])
    for t, v in zip(rh, rv):
        last = max(i for i, h in enumerate(hours) if h <= t + 1e-6)
        assert v == values[last], t
    # A short room gets the first values; a non-positive or NaN interval is natural.
    n, rh2, _ = town.series(TANK, "T1", "LV", nbval=3, interval=0.5)
    assert (n, rh2) == (3, [0.0, 0.5, 1.0])
    for interval in (0.0, -2.0, float("nan")):
        assert town.series(TANK, "T1", "LV", interval=interval)[1] == hours


def test_extremes_over_all_steps(town):
    count = town.count(NODE)
    arrays = [(C.c_float * count)() for _ in range(5)]
    tmin, vmin, tmax, vmax, vmoy = arrays
    assert town.lib.cGetAllMinMax(ref(NODE), b"P", ref(count), *arrays, L(1)) == count
    for num in range(1, count + 1):
        sid = town.ident(NODE, num)[0]
        _, hours, values = town.series(NODE, sid, "P")
        k = num - 1
        assert vmin[k] == min(values) and vmax[k] == max(values)
        assert tmin[k] == hours[values.index(min(values))]
        assert tmax[k] == hours[values.index(max(values))]
        assert vmoy[k] == pytest.approx(sum(values) / len(values), rel=1e-5)
        assert town.value("MeanValbyID", sid, "P") == pytest.approx(vmoy[k], rel=1e-5)


def demand_series(eng, code, zone=None):
    c = code.encode()
    nb = C.c_int(-1)
    if zone is None:
        status = eng.lib.NBTSDemand(c, C.byref(nb), L(len(c)))
    else:
        z = zone.encode()
        status = eng.lib.NBTSDemandCZ(c, z, C.byref(nb), L(len(c)), L(len(z)))
    if status:
        return status, None
    tim, val, mode = (C.c_float * nb.value)(), (C.c_float * nb.value)(), C.c_int(-1)
    if zone is None:
        n = eng.lib.TSDemand(c, ref(nb.value), tim, val, C.byref(mode), L(len(c)))
    else:
        n = eng.lib.TSDemandCZ(c, z, ref(nb.value), tim, val, C.byref(mode), L(len(c)), L(len(z)))
    assert n == nb.value and mode.value == 0
    return 0, list(zip(tim, val))


def test_demand_series_by_code_and_zone(town):
    status, series = demand_series(town, "DOM")
    assert status == 0
    total = sum(DOM_BASE.values())
    for hours, value in series:
        factor = DOM[int(hours // 2) % 12]
        assert value == pytest.approx(100 * total * factor, rel=1e-5), hours  # hundredths of LPS
    town.ok("ZONE north LIST J2 J3 J7")
    status, series = demand_series(town, "dom", "NORTH")
    assert status == 0
    for hours, value in series:
        assert value == pytest.approx(100 * 7.5 * DOM[int(hours // 2) % 12], rel=1e-5)
    assert demand_series(town, "XXX")[0] == UNKNOWN_NAME
    assert demand_series(town, "DOM", "nowhere")[0] == UNKNOWN_NAME


def device_series(eng, sid, code, nbval=None, interval=0.0):
    b, c = sid.encode(), code.encode()
    nb = C.c_int(-1)
    status = eng.lib.NBTSDevice(b, c, C.byref(nb), L(len(b)), L(len(c)))
    nbval = nb.value if nbval is None else nbval
    tim, val, mode = (C.c_float * max(nbval, 1))(), (C.c_float * max(nbval, 1))(), C.c_int(-1)
    c4 = c.ljust(4)[:4]
    n = eng.lib.TSDevice(b, c4, ref(nbval), ref(interval, C.c_float), tim, val, C.byref(mode),
                         L(len(b)), L(4))
    return status, n, mode.value, list(val)[:max(n, 0)]


def test_device_series(town):
    status, n, mode, values = device_series(town, "PU1", "")
    assert (status, mode) == (0, 1) and n == town.lib.GetNbTimeSteps()
    assert set(values) == {0.0, 1.0}  # the tank controls switch the pump
    assert device_series(town, "PU1", "S")[3] == values
    _, _, mode, flows = device_series(town, "V1", "Q")
    assert mode == 2 and flows == town.series(BRANCH, "V1", "Q")[2]
    assert device_series(town, "P1", "Q")[0] == UNKNOWN_NAME  # a pipe is no device
    assert device_series(town, "PU1", "DI")[0] != 0  # not a result
    assert device_series(town, "PU1", "S", nbval=-1)[1] == -BAD_ARGUMENT


def test_unstable_device_walk_ends_with_a_failure(town):
    nb = C.c_int(-1)
    assert town.lib.GetNbSimErrDevice(C.byref(nb)) == 0
    seen = []
    for _ in range(nb.value):
        out, typelt, ln = town.out_text(18), C.c_int(), C.c_int()
        assert town.lib.GetNextSimErrDevice(out, C.byref(typelt), C.byref(ln), L(18)) == 0
        seen.append(town.read_text(out, 18)[:ln.value].decode())
        assert typelt.value == BRANCH
    assert len(set(seen)) == len(seen)
    out, typelt, ln = town.out_text(18), C.c_int(9), C.c_int(9)
    assert town.lib.GetNextSimErrDevice(out, C.byref(typelt), C.byref(ln), L(18)) == UNKNOWN_NAME
    assert (town.read_text(out, 18), typelt.value, ln.value) == (b" " * 18, 0, 0)


def test_series_need_results(engine):
    engine.ok(f'LOAD "{TOWN}"')
    assert engine.series(NODE, "J1", "P", 5)[0] == -NO_RESULTS
    nb = C.c_int(-1)
    assert engine.lib.GetNbSimErrDevice(C.byref(nb)) == NO_RESULTS and nb.value == 0
    assert engine.lib.NBTSDemand(b"DOM", C.byref(nb), L(3)) == NO_RESULTS
    # Model data reads need no results.
    assert engine.value("LinkValbyID", "P1", "L") == 800.0
