"""Driver of the analysis developer tool (engine/tools/orv_analysis_tool.cpp):
builds it once (devtools/engine_build.py, or uses $ORV_ANALYSIS_TOOL) and runs
request scripts through it."""

import os
import pathlib
import shutil
import subprocess

import pytest

ROOT = pathlib.Path(__file__).resolve().parents[2]
TOWN = ROOT / "examples" / "town.inp"


def tool_path():
    given = os.environ.get("ORV_ANALYSIS_TOOL")
    if given:
        return pathlib.Path(given)
    if shutil.which("cmake") is None:
        pytest.skip("cmake is needed to build the analysis tool")
    import engine_build
    return engine_build.build("orv_analysis_tool")


class Reply:
    def __init__(self, line):
        words = line.split(" ", 2)
        self.ok = words[0] == "ok"
        self.status = 0 if self.ok else int(words[1])
        self.text = line
        self.values = line.split()[1:] if self.ok else []

    def floats(self):
        return [float(v) for v in self.values]

    def pairs(self):
        out = {}
        for v in self.values:
            k, _, x = v.rpartition("=") if "=" in v else v.rpartition(":")
            out[k] = x
        return out


def run(tool, *requests):
    done = subprocess.run([str(tool)], input="\n".join(requests) + "\n", capture_output=True,
                          text=True, check=True, timeout=300)
    replies = [Reply(line) for line in done.stdout.splitlines()]
    assert len(replies) == len(requests), done.stdout
    return replies


def series(reply):
    """(hours, values) of a 'series' or 'ms' reply."""
    pts = [v.split(":") for v in reply.values]
    return [float(t) for t, _ in pts], [float(x) for _, x in pts]


@pytest.fixture(scope="module")
def tool():
    return tool_path()


LOAD = [f"cmd LOAD {TOWN}", "cmd SIMULATE"]


# --- statistics -------------------------------------------------------------

def test_quantiles_interpolate_between_order_statistics_column_major(tool):
    import numpy as np
    r = run(tool, *LOAD, "series 2 J3 P", "series 2 J8 P", "quantiles 2 P 0,0.25,0.5,1 3,8",
            "cmd SELECT S NODE LIST J3 J8", "squantiles S P 0,0.25,0.5,1")
    j3, j8 = np.array(series(r[2])[1]), np.array(series(r[3])[1])
    table = np.array(r[4].floats()).reshape(4, 2)  # level-major: element varies fastest
    for k, p in enumerate([0, 0.25, 0.5, 1]):
        assert table[k, 0] == pytest.approx(np.quantile(j3, p), rel=1e-6)
        assert table[k, 1] == pytest.approx(np.quantile(j8, p), rel=1e-6)
    assert r[6].floats() == r[4].floats()


def test_durations_weight_each_value_until_the_next_instant(tool):
    r = run(tool, *LOAD, "series 2 J3 P", "quantiles 2 P 0.5 3")
    hours, values = series(r[2])
    median = r[3].floats()[0]
    expected = {op: 0.0 for op in ("<", "<=", ">", ">=", "<>")}
    for i in range(len(hours) - 1):
        width, v = hours[i + 1] - hours[i], values[i]
        expected["<"] += width * (v < median)
        expected["<="] += width * (v <= median)
        expected[">"] += width * (v > median)
        expected[">="] += width * (v >= median)
        expected["<>"] += width * (v != median)
    got = run(tool, *LOAD, *(f"duration 2 P {op} {median!r} 3" for op in expected),
              f"duration 2 P ge {median!r} 3")
    for reply, op in zip(got[2:], expected):
        assert reply.floats()[0] == pytest.approx(expected[op], abs=1e-4), op
    assert got[-1].floats() == got[2 + 3].floats()
    assert expected["<"] + expected[">="] == pytest.approx(hours[-1] - hours[0])


def test_statistics_refuse_what_they_cannot_compute(tool):
    r = run(tool, f"cmd LOAD {TOWN}", "quantiles 2 P 0.5 3", "cmd SIMULATE",
            "duration 2 P => 30 3", "quantiles 2 P 1.5 3", "quantiles 2 P 0.5 99",
            "quantiles 7 P 0.5 1", "quantiles 2 Q 0.5 1", "squantiles NOPE P 0.5",
            "cmd SELECT E NODE WHERE P > 1000", "squantiles E P 0.5")
    assert r[1].status == 2  # no results
    assert [x.status for x in r[3:9]] == [5, 5, 5, 5, 4, 3]
    assert r[10].status == 5  # empty selection


# --- shear stress ------------------------------------------------------------

def test_shear_stress_hazen_williams_by_force_balance(tool):
    import math
    r = run(tool, *LOAD, "shear P1 1.2", "shear P1 0", "shear PU1 1", "density 5,35 1000,980",
            "shear P1 1.2", "density - -", "shear P1 1.2")
    d, c, v, g = 0.3, 120.0, 1.2, 32.2 * 0.3048
    q = v * math.pi * d * d / 4
    slope = 4.727 * 0.3048 ** (4.871 - 3 * 1.852) * q ** 1.852 / (c ** 1.852 * d ** 4.871)
    tau = 1000 * g * d / 4 * slope
    s, ds = r[2].floats()
    assert s == pytest.approx(tau, rel=1e-5)
    assert ds == pytest.approx(1.852 * tau / v, rel=1e-5)
    assert r[3].floats() == [0.0, 0.0]
    assert r[4].status == 5  # a pump has no wall friction
    # VISCOSITY 1 is water at 20 C: the table is read there, halfway from 1000 to 980
    assert r[6].floats()[0] == pytest.approx(tau * 0.99, rel=1e-5)
    assert r[8].floats()[0] == pytest.approx(tau, rel=1e-5)


def test_shear_stress_darcy_weisbach_uses_the_solver_friction_factor(tool):
    import math
    r = run(tool, f"cmd LOAD {TOWN}", "cmd OPTION HEADLOSS D-W", "cmd SET BRANCH P3 R 0.5",
            "shear P3 0.8", "shear P3 0.8001", "shear P3 0", "shear P3 0.0001")[1:]
    d, e, v, nu = 0.2, 0.0005, 0.8, 1.1e-5 * 0.3048 ** 2  # roughness 0.5 mm
    re = v * d / nu
    f = 0.25 / math.log10(e / d / 3.7 + 5.74 / re ** 0.9) ** 2
    s, ds = r[2].floats()
    assert s == pytest.approx(1000 * f * v * v / 8, rel=1e-4)
    assert ds == pytest.approx((r[3].floats()[0] - s) / 0.0001, rel=1e-2)
    # laminar limit at rest: tau = 8 rho nu v / D
    assert r[4].floats() == [0.0, pytest.approx(8 * 1000 * nu / d, rel=1e-5)]
    assert r[5].floats()[0] == pytest.approx(8 * 1000 * nu / d * 0.0001, rel=1e-4)


# --- demand codes and tables ----------------------------------------------------

def test_demand_codes_per_node_and_in_total(tool):
    r = run(tool, f"cmd LOAD {TOWN}", "nodecodes J3", "nodecodes J1", "codes 1", "codes 0",
            "nodecodes NOPE")
    assert r[1].values == ["DOM=4.5", "COM=2"]
    assert r[2].values == ["=0"]  # J1: one demand of no category, zero
    assert r[3].values == ["COM=4.5/2", "DOM=17/5", "IND=6/1"]
    assert r[4].values == ["=0/1", "COM=4.5/2", "DOM=17/5", "IND=6/1"]
    assert r[5].status == 3


def test_category_tables(tool):
    r = run(tool, f"cmd LOAD {TOWN}", "table DIAMETER 1", "table roughness 0", "table KIND 2",
            "table KIND 3", "cmd ZONE LOW LIST J6 J7 J8", "table ZONE 2", "table CODE 2",
            "table NOPE 1", "table ZONE 1", "cmd SELECT S BRANCH LIST P1 P2", "table SELECTION 2",
            "table SELECTION 0")
    assert r[1].values == ["100=2", "150=4", "200=2", "300=2"]  # pipes and the valve
    assert r[2].values == ["100=4", "110=3", "120=2"]
    assert r[3].values == ["JUNCTION=8", "RESERVOIR=1", "TANK=1"]
    assert r[4].values == ["RESERVOIR=1", "TANK=1"]
    assert r[6].values == ["LOW=3"]
    assert r[7].values == ["=1", "COM=2", "DOM=5", "IND=1"]
    assert (r[8].status, r[9].status) == (3, 5)
    assert r[11].values == [] and r[12].values == ["S=2"]


# --- singular head losses ------------------------------------------------------

def test_shl_attachments_add_and_remove_exactly_their_coefficient(tool):
    r = run(tool, f"cmd LOAD {TOWN}", "cmd SET BRANCH P1 K 0.3",
            "shlentry ELB 0.5 0", "shlentry RED 0.2 150",
            "shl attach P1 ELB 2", "get 1 P1 K",          # 0.3 + 2 x 0.5
            "shl attach P1 RED 1", "get 1 P1 K",          # + 0.2 (300/150)^4
            "shl attach P1 ELB 1", "shl modify P1 ELB 3", "get 1 P1 K",
            "shlentry ELB 1 0", "get 1 P1 K",             # entry changed: re-applied
            "table SHL 1", "shl remove P1 RED", "get 1 P1 K", "shl remove P1 -", "get 1 P1 K",
            "shl remove P1 -", "shl attach PU1 ELB 1", "shl attach P1 NOPE 1", "shl attach P1 ELB 0")
    assert r[5].floats() == [pytest.approx(1.3)]
    assert r[7].floats() == [pytest.approx(1.3 + 3.2)]
    assert r[8].status == 5  # already attached
    assert r[10].floats() == [pytest.approx(0.3 + 1.5 + 3.2)]
    assert r[12].floats() == [pytest.approx(0.3 + 3.0 + 3.2)]
    assert r[13].values == ["ELB=1", "RED=1"]
    assert r[15].floats() == [pytest.approx(3.3)]
    assert r[17].floats() == [pytest.approx(0.3)]
    assert [x.status for x in r[18:]] == [3, 5, 3, 5]


def test_shl_losses_reach_the_next_simulation(tool):
    r = run(tool, *LOAD, "get 1 P8 DH", "shlentry VALVE 40 0", "shl attach P8 VALVE 1", "get 1 P8 DH",
            "cmd SIMULATE", "get 1 P8 DH", "cmd LOAD " + str(TOWN), "cmd SIMULATE", "get 1 P8 DH",
            "table SHL 1", "get 1 P8 V")
    assert r[5].floats() == r[2].floats()  # results unchanged until simulated again
    v = r[12].floats()[0]  # the flow is fixed by the demands downstream
    added = r[7].floats()[0] - r[2].floats()[0]
    assert added == pytest.approx(40 * v * v / (2 * 32.2 * 0.3048), rel=1e-2)
    assert r[10].floats() == r[2].floats()  # a new model has no attachments
    assert r[11].values == ["VALVE=0"]  # the catalogue stays
