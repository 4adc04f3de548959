"""Result accessors against the raw module calls, at reporting instants and
at every hydraulic step; time-weighted statistics; xarray export."""
import numpy as np
import pandas as pd
import pytest

import _pyorvsim as sim
from orvsim.statistics import time_weights

NODE, BRANCH, TANK = 2, 1, 3


def raw_at(typelt, attr, hours):
    """Whole-network vectors at instants, as a script on the module reads them."""
    n = sim.nbobjects(typelt)
    rows = []
    for h in hours:
        assert sim.cmd(f"INSTANT {h}") == 0
        rows.append(sim.getall(typelt, attr, n))
    return np.array(rows, dtype=float)


@pytest.mark.parametrize("group,name,typelt,attr", [
    ("node", "pressure", NODE, "P"), ("node", "head", NODE, "H"), ("node", "demand", NODE, "D"),
    ("node", "quality", NODE, "C"), ("link", "flow", BRANCH, "Q"), ("link", "velocity", BRANCH, "V"),
    ("link", "status", BRANCH, "S"), ("link", "setting", BRANCH, "ST"), ("link", "headloss", BRANCH, "HL"),
    ("tank", "volume", TANK, "VO")])
def test_reporting_frames_are_the_module_vectors(town_result, group, name, typelt, attr):
    frame = getattr(town_result, group)[name]
    assert list(frame.index) == list(np.arange(25.0))
    expected = raw_at(typelt, attr, frame.index)
    if group == "tank":
        expected = expected[:, 1:]  # the tank numbering starts with the reservoir R1
    np.testing.assert_array_equal(frame.to_numpy(), expected)


def test_step_frames_are_the_module_series(town_result):
    steps = town_result.steps
    n = sim.tslen()
    for group, typelt, attr, name in (("node", NODE, "P", "pressure"), ("link", BRANCH, "Q", "flow"),
                                      ("tank", TANK, "LV", "level")):
        frame = getattr(steps, group)[name]
        for element_id in frame.columns:
            t, v, got = sim.ts(typelt, element_id, attr, n)
            np.testing.assert_array_equal(frame.index, t[:got].astype(float))
            np.testing.assert_array_equal(frame[element_id], v[:got].astype(float))
    assert len(steps.times) > len(town_result.times)  # controls add steps between the hours
    assert list(town_result.tank["level"].columns) == ["T1"]


def test_reporting_start_and_step(town):
    town.command("TIME REPORT START 2")
    town.command("TIME REPORT STEP 3")
    res = town.run()
    assert list(res.node["pressure"].index) == [2.0, 5, 8, 11, 14, 17, 20, 23]
    assert sim.getvar("INSTANT")[0].strip() == b"0"  # the engine's instant is left as it was


def test_net3_time_weighted_mean(net3):
    # Net3's node 10: 23.33 as the plain mean of its irregular hydraulic steps,
    # 23.49 weighted by time over the hourly reporting instants
    res = net3.run()
    assert sim.nodemeanattr("10", "P") == pytest.approx(23.33, abs=0.005)
    assert res.node.mean("pressure")["10"] == pytest.approx(23.49, abs=0.005)
    steps = res.steps.node["pressure"]["10"]
    w = time_weights(steps.index)
    assert res.steps.node.mean("pressure")["10"] == pytest.approx((steps * w).sum() / w.sum())


def test_extremes_with_their_times(town_result):
    stats = town_result.node.stats("pressure")
    p = town_result.node["pressure"]
    assert (stats["min"] == p.min()).all() and (stats["max"] == p.max()).all()
    assert (stats["min_time"] == p.idxmin()).all() and (stats["max_time"] == p.idxmax()).all()
    # the same as the module's own extremes where steps and reports agree
    vmin, vmax, _, tmin, _ = sim.getallminmax(NODE, "P", 10)
    assert stats.loc["J1", "min"] == pytest.approx(vmin[0]) and stats.loc["J1", "min_time"] == pytest.approx(tmin[0])


def test_quantiles_and_durations_by_hand():
    from orvsim.statistics import durations, extremes, weighted_quantiles
    times = np.array([0.0, 1.0, 1.5, 3.0])           # weights 1, 0.5, 1.5, 1.5
    values = np.array([[10.0, 0], [40, 0], [20, 5], [30, 5]])
    ids = ["a", "b"]
    s = extremes(values, times, ids)
    assert s.loc["a", "mean"] == pytest.approx((10 * 1 + 40 * 0.5 + 20 * 1.5 + 30 * 1.5) / 4.5)
    q = weighted_quantiles(values, times, ids, [0.0, 0.2, 0.25, 0.5, 1.0])
    # a sorted, with its share of time reached: 10 (1/4.5), 20 (2.5/4.5), 30 (4/4.5), 40 (1)
    assert q.loc["a"].tolist() == [10, 10, 20, 20, 40]
    assert q.loc["b"].tolist() == [0, 0, 0, 5, 5]
    d = durations(values, times, ids, above=15)
    # a holds 40 from 1 h to 1.5 h and 20 from 1.5 h to 3 h; the last value holds no longer
    assert d["a"] == pytest.approx(2.0) and d["b"] == 0
    assert durations(values, times, ids, below=1)["b"] == pytest.approx(1.5)
    assert durations(values, times, ids, above=15, below=35)["a"] == pytest.approx(1.5)


def test_statistics_are_vectorised_over_ids(town_result):
    few = town_result.node.quantiles("pressure", [0.5], ids=["J1", "J8"])
    assert list(few.index) == ["J1", "J8"]
    hours = town_result.node.duration("pressure", below=33)
    assert hours["J1"] == 0 and 0 < hours["J2"] < 24 and hours.max() <= 24


def test_units_warnings_and_times(town_result):
    assert town_result.units["pressure"] == "m" and town_result.units["quality"] in ("hours", "hrs", "h")
    assert town_result.warnings == [] and town_result.status == 0 and town_result.unstable == []
    assert list(town_result.weights) == [1.0] * 25


def test_xarray_export(town_result):
    pytest.importorskip("xarray")
    ds = town_result.to_xarray()
    assert ds["node_pressure"].sel(node="J3", time=12.0) == town_result.node["pressure"].loc[12.0, "J3"]
    assert ds["tank_level"].dims == ("time", "tank") and ds["link_flow"].attrs["units"] == "LPS"
    assert "node_quality" in ds
