"""The analysis features as scripts use them through _pyorvsim: statistics,
demand codes, tables, shear stress, SHL entries, measurements and calibration."""
import numpy as np
import pytest

from api_harness import TOWN

sim = pytest.importorskip("_pyorvsim")


@pytest.fixture
def town():
    sim.inimel()
    assert sim.cmd(f'LOAD "{TOWN}"') == 0 and sim.simulh() == 0
    if sim.getcodescount(1) != 3:
        sim.closemel()
        pytest.skip("the analysis entry points are not in this engine yet")
    yield sim
    sim.closemel()


def series(typ, sid, attr):
    t, v, n = sim.ts(typ, sid, attr, sim.tslen())
    return t[:n], v[:n]


def test_statistics_of_simulated_series(town):
    _, j3 = series(2, "J3", "P")
    _, j8 = series(2, "J8", "P")
    levels = np.array([0.1, 0.5, 0.9], "f")
    tab = sim.stat_quantiles(2, "P", levels, np.array([3, 8], "i"))
    assert tab.shape == (2, 3)
    assert tab[0] == pytest.approx(np.quantile(j3, levels), rel=1e-6)
    assert tab[1] == pytest.approx(np.quantile(j8, levels), rel=1e-6)
    assert sim.cmd("SELECT S NODE LIST J3 J8") == 0
    assert sim.stat_squantiles("S", "P", 2, levels) == pytest.approx(tab)
    hours = sim.stat_sduration("S", "P", ">=", float(tab[0, 1]), 2)
    assert hours[0] == pytest.approx(12.0, abs=2.0)  # the median splits the day in two
    assert sim.stat_duration(2, "P", "<", 1e4, np.array([3], "i"))[0] == 24.0


def test_codes_tables_and_shear_stress(town):
    assert sim.getdemandnodebycode("J3", "dom") == (4.5, 0)
    assert sim.getcodedemandinit("J7") == (1, 3)
    assert sim.nextcodedemand() == (b"IND".ljust(18), 6.0, 3)
    assert sim.tablecount("KIND", 1) == 3
    assert [sim.nexttableentry()[:2] for _ in range(3)] == [
        (b"PIPE".ljust(18), 9), (b"PRV".ljust(18), 1), (b"PUMP".ljust(18), 1)]
    s, ds = sim.shearstr("P1", -1.2)
    assert (s, ds) == sim.shearstr("P1", 1.2) and s == pytest.approx(4.0446, rel=1e-4)
    assert sim.setdensity(np.array([5, 35], "f"), np.array([1000, 980], "f")) == 0
    assert sim.shearstr("P1", 1.2)[0] == pytest.approx(0.99 * s, rel=1e-5)


def test_shl_entry_slows_the_flow_it_is_attached_to(town):
    _, q0 = series(1, "P5", "Q")
    assert sim.addshlentry("GATE", np.array([500, 0], "f"), "half-closed gate valve") == 0
    sim.addsingleshl("P5", "GATE", 1)
    assert sim.simulh() == 0
    _, q1 = series(1, "P5", "Q")
    assert np.all(np.abs(q1) < np.abs(q0))
    sim.removeshl("P5", "GATE")
    assert sim.simulh() == 0
    assert series(1, "P5", "Q")[1] == pytest.approx(q0, rel=1e-6)


def test_measure_and_calibrate_roughness_by_material(town, tmp_path):
    # Measurements of the town whose pipes are all rougher (C x 0.7).
    rough = {f"P{i}": r for i, r in zip(range(1, 10), [120, 120, 110, 110, 110, 100, 100, 100, 100])}
    for pid, r in rough.items():
        assert sim.cmd(f"SET BRANCH {pid} R {r * 0.7}") == 0
    assert sim.simulh() == 0
    rows = ["type,id,attribute,time,value"]
    for typ, word, sid, attr in [(2, "NODE", "J4", "P"), (2, "NODE", "J8", "P"), (1, "BRANCH", "P3", "Q")]:
        for t, v in zip(*series(typ, sid, attr)):
            rows.append(f"{word},{sid},{attr},{float(t)!r},{float(v)!r}")
    csv = tmp_path / "field.csv"
    csv.write_text("\n".join(rows) + "\n")
    assert sim.cmd(f'LOAD "{TOWN}"') == 0 and sim.simulh() == 0
    assert sim.cmd(f'MEASURE "{csv}"') == 0
    n = sim.mslen(2, "J8", "P")
    assert n == len(rows[1:]) // 3
    t, v, got = sim.ms(2, "J8", "P", n)
    assert got == n and t[0] == 0.0
    sim.defcalind(0.05, 0.1, 0.2)
    assert sim.getcalind(2, "J4")[1] > 1
    assert sim.cmd("CALIBRATE ROUGHNESS MATERIAL") == 0
    iters, iter100, fmin, f100, f0, lam = sim.inv_summary()
    assert iters >= 1 and 0 <= iter100 <= iters and fmin < 1e-4 * f0
    assert sim.getcalind(2, "J4")[1] == 1 and sim.getcalind(1, "P3")[1] == 1
    tab = sim.tablecount("ROUGHNESS", 1)
    names = sorted(float(sim.nexttableentry()[0]) for _ in range(tab))
    assert names == pytest.approx([70, 77, 84], rel=1e-3)
