"""Calibration indicators and Levenberg-Marquardt calibration: known roughness
values and zone demands are recovered from measurements simulated with them."""
import pytest

from test_analysis_tool import TOWN, run, series, tool_path

GROUP_A = ["P1", "P2", "P3", "P5"]
GROUP_B = ["P4", "P6", "P7", "P8", "P9"]
GAUGES = [("NODE", 2, "J3", "P"), ("NODE", 2, "J5", "P"), ("NODE", 2, "J8", "P"),
          ("BRANCH", 1, "P4", "Q"), ("TANK", 3, "T1", "LV")]


@pytest.fixture(scope="module")
def tool():
    return tool_path()


def measure(tool, path, *edits, shift=None):
    """Writes the gauges' simulated series of the town edited by `edits` to path."""
    reqs = [f"cmd LOAD {TOWN}", *(f"cmd {e}" for e in edits), "cmd SIMULATE"]
    reqs += [f"series {code} {sid} {attr}" for _, code, sid, attr in GAUGES]
    replies = run(tool, *reqs)[-len(GAUGES):]
    rows = ["type,id,attribute,time,value"]
    for (word, _, sid, attr), reply in zip(GAUGES, replies):
        for t, v in zip(*series(reply)):
            rows.append(f"{word},{sid},{attr},{t!r},{v + (shift or {}).get(sid, 0.0)!r}")
    path.write_text("\n".join(rows) + "\n")
    return path


def roughness(tool, *requests):
    replies = run(tool, *requests, *(f"get 1 {p} R" for p in GROUP_A + GROUP_B))
    return replies, [r.floats()[0] for r in replies[len(requests):]]


def test_roughness_by_selection_is_recovered(tool, tmp_path):
    truth = {"P1": 96, "P2": 96, "P3": 88, "P5": 88, "P4": 132, "P6": 120, "P7": 120, "P8": 120,
             "P9": 120}  # group A x 0.8, group B x 1.2
    csv = measure(tool, tmp_path / "m.csv", *(f"SET BRANCH {p} R {r}" for p, r in truth.items()))
    replies, got = roughness(
        tool, f"cmd LOAD {TOWN}", "cmd SIMULATE", "indicator 2 J3",
        "cmd SELECT A BRANCH LIST " + " ".join(GROUP_A), "cmd SELECT B BRANCH LIST " + " ".join(GROUP_B),
        f"cmd MEASURE {csv}", "indicator 2 J3", "cmd CALIBRATE ROUGHNESS SELECTION A B", "summary",
        "indicator 2 J3", "indicator 1 P4", "indicator 3 T1")
    assert replies[2].floats() == [0, 0]  # no measurement yet: no class
    assert replies[6].floats()[1] > 1     # the uncalibrated model misses the measurements
    assert replies[7].ok, replies[7].text
    assert got == [pytest.approx(truth[p], rel=1e-3) for p in GROUP_A + GROUP_B]
    iters, iter100, fmin, f100, f0, damping = replies[8].floats()
    assert 1 <= iters <= 20 and 0 < iter100 <= iters
    assert f0 > 1 and fmin < 1e-5 * f0 and fmin <= f100 < f0 and damping > 0
    for r in replies[9:12]:
        assert r.floats()[1] == 1  # class 1 everywhere after calibration


def test_zone_demand_multiplier_is_recovered(tool, tmp_path):
    csv = measure(tool, tmp_path / "m.csv", "SET NODE J6 BD 5.2", "SET NODE J7 BD 7.8",
                  "SET NODE J8 BD 2.6")  # the LOW zone's demands x 1.3
    r = run(tool, f"cmd LOAD {TOWN}", "cmd ZONE LOW LIST J6 J7 J8", f"cmd MEASURE {csv}",
            "cmd CALIBRATE DEMAND ZONE LOW ITERATIONS 30", "nodecodes J7", "nodecodes J3")
    assert r[3].ok, r[3].text
    assert r[4].values[0].startswith("IND=") and float(r[4].values[0][4:]) == pytest.approx(7.8, rel=1e-3)
    assert r[5].values == ["DOM=4.5", "COM=2"]  # outside the zone: unchanged


def test_indicator_classes_follow_the_thresholds(tool, tmp_path):
    csv = measure(tool, tmp_path / "m.csv", shift={"J3": 0.7, "J5": -3.0})
    r = run(tool, f"cmd LOAD {TOWN}", "cmd SIMULATE", f"cmd MEASURE {csv}", "indicator 2 J3",
            "indicator 2 J5", "indicator 2 J8", "indicator 2 J1", "thresholds 0.1 0.2 0.3",
            "indicator 2 J3", "thresholds 0.7 0.8 0.9", "indicator 2 J3")
    assert r[3].floats() == [pytest.approx(0.7, abs=1e-4), 2]
    assert r[4].floats() == [pytest.approx(3.0, abs=1e-4), 4]
    assert r[5].floats()[1] == 1 and r[5].floats()[0] < 1e-4
    assert r[6].floats() == [0, 0]
    assert r[8].floats()[1] == 4
    assert r[10].floats()[1] == 1  # a deviation equal to a threshold is in its class


def test_failing_calibration_changes_nothing(tool, tmp_path):
    csv = measure(tool, tmp_path / "m.csv", "SET BRANCH P1 R 90")
    before, expected = roughness(tool, f"cmd LOAD {TOWN}")
    replies, got = roughness(
        tool, f"cmd LOAD {TOWN}", "cmd CALIBRATE", f"cmd MEASURE {csv}",
        "cmd CALIBRATE ROUGHNESS SELECTION NOPE", "cmd SELECT N NODE LIST J1",
        "cmd CALIBRATE ROUGHNESS SELECTION N", "cmd SELECT A BRANCH LIST P1 P2",
        "cmd CALIBRATE ROUGHNESS MATERIAL ROUGHNESS SELECTION A", "cmd CALIBRATE ITERATIONS 0",
        "cmd CALIBRATE DEMAND ZONE", "cmd CALIBRATE SPEED", "summary")
    assert [r.status for r in replies[1:11:2]][:1] == [5]  # no measurements
    assert [replies[i].status for i in (3, 5, 7, 8, 9, 10)] == [3, 5, 5, 7, 7, 7]
    assert got == expected
    assert replies[11].floats() == [0, -1, 0, -1, 0, 0]
