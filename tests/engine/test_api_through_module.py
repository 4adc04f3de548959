"""A user's script through _pyorvsim on the real engine: the binding's
argument orders and conversions meet the engine's entry points."""
import numpy as np
import pytest

from api_harness import TOWN

sim = pytest.importorskip("_pyorvsim")


@pytest.fixture
def town(tmp_path):
    if sim.inimel() != 20261201:
        pytest.skip("_pyorvsim does not run the real engine")
    script = tmp_path / "study.cmd"
    script.write_text('LOAD "%1"\nTIME DURATION %2\nSIMULATE\n')
    assert sim.cmdfile(str(script), f'"{TOWN}" 24') == 0
    yield sim
    sim.closemel()


def test_reads_agree_with_each_other(town):
    n = sim.nbobjects(2)
    assert sim.cmd("INSTANT 6") == 0
    pressures = sim.getall(2, "P", n)
    for num in range(1, n + 1):
        sid, length = sim.getid(2, num)
        sid = sid[:length].decode()
        assert sim.geteltindex(2, sid) == num
        assert sim.nodeattr(sid, "P") == pressures[num - 1] == sim.nnodeattr(num, "P")
    vmin, vmax, vmoy, tmin, tmax = sim.getallminmax(2, "P", n)
    t, v, count = sim.ts(2, "J5", "P", sim.tslen())
    k = sim.geteltindex(2, "J5") - 1
    assert (vmin[k], vmax[k]) == (v[:count].min(), v[:count].max())
    assert tmin[k] == t[:count][v[:count].argmin()] and tmax[k] == t[:count][v[:count].argmax()]
    assert sim.tsinterv() == (0.0, 24.0, count)


def test_units_demands_devices_and_geometry(town):
    assert sim.getunit("Q") == (b"LPS".ljust(48), 3)
    nbval = sim.demand_tslen("DOM")
    t, v, count, mode = sim.demand_ts("DOM", nbval)
    assert count == nbval and v[0] == pytest.approx(17.0 * 0.5, rel=1e-5)  # LPS at 00:00
    t, v, count, mode = sim.device_ts("PU1", sim.device_tslen("PU1"))
    assert mode == 1 and set(np.unique(v[:count])) <= {0.0, 1.0}
    assert sim.branchxylen("P5") == 3 and sim.branchxylen("NOPE") == 0
    xb, yb, zb, vb, npts = sim.branchxyzv("P5", "Q", 3)
    assert npts == 3 and list(xb) == [900, 1000, 1300]
    assert sim.distlink("NOPE", 0.0, 0.0) == (-1.0, -1.0, -1.0)
    sids, lnid = sim.symmetric_node("J5")
    assert sids[:lnid] == b"J6"


def test_selection_setters_and_saving(town, tmp_path):
    assert sim.cmd("SELECT hi NODE WHERE P > 35") == 0
    nbelt, typelt = sim.getselectlen("hi")
    assert typelt == 2 and list(sim.getselect(nbelt)) == [
        k for k in range(1, 11) if sim.nnodeattr(k, "P") > 35]
    assert sim.getselectlen("none") == (0, 0)
    q = sim.branchattr("P3", "Q")
    assert sim.setbranchattrbyid("P3", "R", 60.0) == 0 and sim.simulh() == 0
    assert sim.branchattr("P3", "Q") != q
    target = tmp_path / "changed.inp"
    assert sim.savefile(str(target), "") == 0
    assert sim.cmd(f'LOAD "{target}"') == 0 and sim.branchattr("P3", "R") == 60.0
    sdate, length = sim.refdate()
    assert sdate[:length] == b"2000-01-01 00:00:00"
