"""Water quality through the engine library: the QUALITY command, SIMULATE
and quality read back as attributes C (nodes) and CB (branches), against orv_quality on the same model."""
import subprocess

import numpy as np
import pytest

from api_harness import NODE, BRANCH, TOWN, engine, library  # noqa: F401
from quality_reference import quality_tool


def tool_run(*args):
    out = subprocess.run([str(quality_tool()), str(TOWN), *args], capture_output=True, text=True, check=True)
    ids, rows = {}, {"N": {}, "L": {}}
    for line in out.stdout.splitlines():
        parts = line.split(",")
        if parts[0] == "ids":
            ids[parts[1]] = parts[2:]
        elif parts[0] in ("N", "L"):
            rows[parts[0]][float(parts[1])] = dict(zip(ids[parts[0]], map(float, parts[2].split())))
    return rows


@pytest.mark.parametrize("command,args", [("QUALITY AGE", ["--age"]), ("QUALITY TRACE R1", ["--trace", "R1"])])
def test_series_of_attribute_c_are_the_simulated_quality(engine, command, args):
    engine.ok(f'LOAD "{TOWN}"', command, "SIMULATE")
    expected = tool_run(*args)
    for typelt, kind, ident, attr in ((NODE, "N", "J8", "C"), (NODE, "N", "T1", "C"), (BRANCH, "L", "P2", "CB")):
        n, times, values = engine.series(typelt, ident, attr)
        assert n > 20
        checked = 0
        for t, v in zip(times, values):
            seconds = round(t * 3600)
            if seconds in expected[kind]:
                assert v == pytest.approx(expected[kind][seconds][ident], rel=1e-5, abs=1e-6), (ident, t)
                checked += 1
        assert checked >= 20


def test_quality_none_leaves_zeros(engine):
    engine.ok(f'LOAD "{TOWN}"', "QUALITY NONE", "SIMULATE")
    n, _, values = engine.series(NODE, "J8", "C")
    assert n > 0 and not np.any(values)


@pytest.mark.parametrize("added,spreads", [("", False),  # nothing to carry: zero throughout
                                           ("[QUALITY]\n T1 1.0\n", True),  # water in a tank at the start
                                           ("[SOURCES]\n R1 CONCEN 1.0\n", True),
                                           ("[REACTIONS]\n ORDER BULK 0\n GLOBAL BULK 5\n", True)])  # made in pipes
def test_a_chemical_is_carried_only_when_something_makes_or_holds_it(engine, tmp_path, added, spreads):
    network = tmp_path / "town.inp"
    network.write_text(TOWN.read_text().replace("[END]", added + "[END]"))
    engine.ok(f'LOAD "{network}"', "QUALITY CHEMICAL Chlorine mg/L", "SIMULATE")
    n, _, values = engine.series(NODE, "J8", "C")
    assert n > 20 and np.any(values) == spreads


# ------------------------------------------------- water-quality data sets

import ctypes as C  # noqa: E402

from api_harness import GUARD, L, ref  # noqa: E402


def wq_data(engine, nvecx, room=None):
    room = nvecx if room is None else room
    tvec, cvec = (C.c_float * (room + 2))(), (C.c_float * (room + 2))()
    for i in range(room + 2):
        tvec[i] = cvec[i] = -9.0
    snode, scode, attr = engine.out_text(18), engine.out_text(18), engine.out_text(2)
    nvec, lnod, lcod = C.c_int(-1), C.c_int(-1), C.c_int(-1)
    iret = engine.lib.GetWQData(ref(nvecx), C.byref(nvec), tvec, cvec, snode, scode, attr,
                                C.byref(lnod), C.byref(lcod), L(18), L(18), L(2))
    return (iret, nvec.value, list(tvec), list(cvec), engine.read_text(snode, 18), engine.read_text(scode, 18),
            engine.read_text(attr, 2), lnod.value, lcod.value)


def wq_init(engine, node):
    b = engine.text(node)
    nvec = C.c_int(-1)
    return engine.lib.GetWQDataInit(b, C.byref(nvec), L(len(b))), nvec.value


def test_data_sets_walk(engine):
    engine.ok(f'LOAD "{TOWN}"', "QUALITY AGE", "SIMULATE")
    steps = engine.lib.GetNBMaxWQcomp()
    assert steps == engine.lib.GetNbTimeSteps() > 20
    tmax = C.c_float(-1)
    assert engine.lib.GetWQTSInfo(ref(2), C.byref(tmax)) == steps and tmax.value == pytest.approx(24.0)
    assert wq_init(engine, "J8") == (1, 1)  # one reservoir: the quality only
    iret, nvec, tvec, cvec, snode, scode, attr, lnod, lcod = wq_data(engine, steps)
    assert (iret, nvec, lnod, lcod) == (0, steps, 2, 3)
    assert snode == b"J8".ljust(18) and scode == b"AGE".ljust(18) and attr == b"C "
    n, times, values = engine.series(2, "J8", "C")
    assert tvec[:steps] == pytest.approx(times[:steps]) and cvec[:steps] == pytest.approx(values[:steps])
    assert tvec[steps:] == [-9.0, -9.0]  # nothing beyond nvecx
    assert wq_data(engine, steps)[0] != 0  # exhausted


def test_data_sets_refuse_bad_arguments(engine):
    assert wq_init(engine, "J8") == (0, 0)  # no model: no data set
    engine.ok(f'LOAD "{TOWN}"', "QUALITY AGE")
    assert wq_init(engine, "J8") == (0, 0)  # no results
    assert wq_data(engine, 10)[0] != 0
    engine.ok("SIMULATE")
    assert wq_init(engine, "NOPE")[0] < 0
    assert wq_init(engine, "J8") == (1, 1)
    short = wq_data(engine, 3, room=3)
    assert short[0] != 0 and short[1] == 0 and short[2][:5] == [-9.0] * 5  # set too long: untouched
    assert wq_data(engine, -1, room=0)[0] != 0
    assert wq_data(engine, engine.lib.GetNBMaxWQcomp())[0] == 0  # the set was not consumed
    nvec = C.c_int(-1)
    assert engine.lib.GetWQDataInit(None, C.byref(nvec), L(5)) < 0 and nvec.value == 0


def test_reference_conventions_are_a_session_setting(engine, tmp_path):
    # a reservoir feeding a junction through a 10-hour pipe with a check valve
    inp = tmp_path / "line.inp"
    inp.write_text("[JUNCTIONS]\n J1 0 10\n[RESERVOIRS]\n R1 100\n[PIPES]\n P1 R1 J1 127.32 1000 100 0 CV\n"
                   "[TIMES]\n Duration 24:00\n[OPTIONS]\n Units LPS\n Quality Age\n[END]\n")

    def age_at_j1_after_20_h():
        engine.ok("SIMULATE")
        _, times, values = engine.series(NODE, "J1", "C")
        return float(values[list(np.round(times, 3)).index(20.0)])

    engine.ok(f'LOAD "{inp}"')
    assert age_at_j1_after_20_h() == pytest.approx(10 / 3.6, rel=1e-3)  # 100 m3 at 10 L/s
    engine.ok("QUALITY CONVENTIONS REFERENCE")
    assert age_at_j1_after_20_h() == 0.0  # the reference lets water cross such a pipe at once
    assert engine.cmd("QUALITY CONVENTIONS SOMETIMES") != 0
    assert age_at_j1_after_20_h() == 0.0  # a refused command changes nothing
    saved = tmp_path / "saved.inp"
    engine.ok(f'SAVE "{saved}"')
    assert "CONVENTIONS" not in saved.read_text().upper()
    engine.ok(f'LOAD "{saved}"')
    assert age_at_j1_after_20_h() == pytest.approx(10 / 3.6, rel=1e-3)
