"""Hydraulic behaviour checked by hand on small networks: head-loss formula,
pressure-driven demand, emitters, tank filling events, time steps, failure
codes, and the engine's footprint (memory, descriptors, temporary files)."""
import math
import os
import subprocess

import numpy as np
import pytest

import hydraulics_reference as ref

FT = 0.3048
CFS = FT ** 3
LPS = CFS / 28.317  # m3/s per L/s as the format's customary table has it
HW = 4.727 * FT ** (4.871 - 3 * 1.852)


def network(body, options="", times=" DURATION 0"):
    return f"""[TITLE]
test
{body}
[TIMES]
{times}
[OPTIONS]
 UNITS LPS
 ACCURACY 1e-8
{options}
[END]
"""


def simulate(tmp_path, text):
    path = tmp_path / "net.inp"
    path.write_text(text)
    return ref.run_ours(path)


def value(run, attr, kind, ident, step=0):
    return run.values[attr][step][run.ids[kind].index(ident)]


def test_hazen_williams_head_loss(tmp_path, dump_tool):
    run = simulate(tmp_path, network("""[JUNCTIONS]
 J1 10 20
[RESERVOIRS]
 R1 50
[PIPES]
 P1 R1 J1 1000 300 100"""))
    q = 20 * LPS
    loss = HW * 1000 * q ** 1.852 / (100 ** 1.852 * 0.3 ** 4.871)
    assert value(run, "Q", "link", "P1") == pytest.approx(q, rel=1e-6)
    assert value(run, "H", "node", "J1") == pytest.approx(50 - loss, abs=1e-4)
    assert value(run, "P", "node", "J1") == pytest.approx(40 - loss, abs=1e-4)


def test_pressure_driven_demand_follows_the_pressure_law(tmp_path, dump_tool):
    # A wide short pipe: the junction sees almost the reservoir's head.
    run = simulate(tmp_path, network("""[JUNCTIONS]
 J1 0 10
[RESERVOIRS]
 R1 10
[PIPES]
 P1 R1 J1 1 1000 140""", options=" DEMAND MODEL PDA\n MINIMUM PRESSURE 0\n REQUIRED PRESSURE 40\n PRESSURE EXPONENT 0.5"))
    p = value(run, "P", "node", "J1")
    assert 9.99 < p <= 10.0
    assert value(run, "D", "node", "J1") == pytest.approx(10 * LPS * math.sqrt(p / 40), rel=1e-5)


def test_emitter_outflow_follows_its_coefficient(tmp_path, dump_tool):
    run = simulate(tmp_path, network("""[JUNCTIONS]
 J1 0 0
[RESERVOIRS]
 R1 25
[PIPES]
 P1 R1 J1 1 1000 140
[EMITTERS]
 J1 2"""))
    p = value(run, "P", "node", "J1")
    assert value(run, "D", "node", "J1") == pytest.approx(2 * LPS * math.sqrt(p), rel=1e-5)
    assert value(run, "Q", "link", "P1") == pytest.approx(2 * LPS * math.sqrt(p), rel=1e-5)


def test_tank_fills_to_its_maximum_and_stops_filling(tmp_path, dump_tool):
    run = simulate(tmp_path, network("""[RESERVOIRS]
 R1 100
[TANKS]
 T1 0 10 0 20 10 0
[PIPES]
 P1 R1 T1 1000 300 100""", times=" DURATION 24:00"))
    levels = [v[run.ids["tank"].index("T1")] for v in run.values["L"]]
    full = next(i for i, lv in enumerate(levels) if lv >= 20 - 1e-4)
    assert run.times[full] % 3600 != 0  # a step ends exactly when the tank is full
    assert all(abs(lv - 20) < 1e-4 for lv in levels[full:])
    flows = [v[run.ids["link"].index("P1")] for v in run.values["Q"]]
    assert all(q > 0 for q in flows[:full]) and all(q == 0 for q in flows[full:])
    assert all(s == 0 for s in run.values["S"][-1])  # the pipe is closed while the tank is full
    # Volume balance: filling flow times duration equals the volume added.
    added = sum(flows[i] * (run.times[i + 1] - run.times[i]) for i in range(full))
    assert added == pytest.approx(math.pi * 25 * 10, rel=1e-4)


def test_steps_honour_pattern_report_and_control_times(tmp_path, dump_tool):
    run = simulate(tmp_path, network("""[JUNCTIONS]
 J1 0 5 PT
[RESERVOIRS]
 R1 50
[PIPES]
 P1 R1 J1 100 200 100
 P2 R1 J1 100 200 100
[PATTERNS]
 PT 1 2 3
[CONTROLS]
 LINK P2 CLOSED AT TIME 1:10""", times=" DURATION 3:00\n HYDRAULIC TIMESTEP 1:00\n PATTERN TIMESTEP 0:30\n REPORT TIMESTEP 0:45"))
    assert run.times == [0, 1800, 2700, 3600, 4200, 5400, 7200, 8100, 9000, 10800]
    demand = [round(v[0] / LPS, 6) for v in run.values["D"]]
    assert demand[:4] == [5, 10, 10, 15]
    p2 = run.ids["link"].index("P2")
    assert [s[p2] for s in run.values["S"]] == [1, 1, 1, 1, 0, 0, 0, 0, 0, 0]


def test_unbalanced_run_stops_or_continues_as_asked(tmp_path, dump_tool):
    body = """[JUNCTIONS]
 J1 0 5
 J2 0 5
[RESERVOIRS]
 R1 50
[PIPES]
 P1 R1 J1 100 200 100
 P2 J1 J2 100 200 100"""
    stop = simulate(tmp_path, network(body, " TRIALS 1\n UNBALANCED STOP", " DURATION 2:00"))
    # The run ends at the unbalanced instant and keeps what it computed up to there.
    assert stop.status == 101 and "unbalanced at 0:00:00" in stop.message and stop.returncode == 0
    assert stop.times == [0] and stop.values["H"].shape == (1, 3)
    go_on = simulate(tmp_path, network(body, " TRIALS 1\n UNBALANCED CONTINUE", " DURATION 2:00"))
    assert go_on.status == 1 and go_on.times == [0, 3600, 7200]


def test_memory_and_descriptors_stay_flat_over_many_runs(dump_tool):
    net = ref.network_dir() / "Anytown_multipointcurves.inp"
    out = subprocess.run([str(dump_tool), str(net), "--cycles", "60"], capture_output=True, text=True, check=True)
    rows = [line.split() for line in out.stdout.splitlines()]
    rss = [int(r[1]) for r in rows]
    fds = {int(r[2]) for r in rows}
    assert len(fds) == 1
    assert max(rss[5:]) - rss[5] < 2048  # kB


def test_runs_write_no_temporary_files(tmp_path, dump_tool):
    scratch = tmp_path / "tmp"
    scratch.mkdir()
    work = tmp_path / "work"
    work.mkdir()
    env = dict(os.environ, TMPDIR=str(scratch), TMP=str(scratch), TEMP=str(scratch))
    net = ref.network_dir() / "Anytown.inp"
    subprocess.run([str(dump_tool), str(net)], cwd=work, env=env, capture_output=True, check=True)
    assert list(scratch.iterdir()) == [] and list(work.iterdir()) == []


def test_extremes_come_from_one_pass_over_the_stored_steps(dump_tool):
    net = ref.network_dir() / "Anytown_multipointcurves.inp"
    run = ref.run_ours(net)
    out = subprocess.run([str(dump_tool), str(net), "--extremes"], capture_output=True, text=True, check=True)
    rows = {}
    for line in out.stdout.splitlines():
        attr, i, vmin, tmin, vmax, tmax, mean = line.split()
        rows[(attr, int(i))] = (float(vmin), int(tmin), float(vmax), int(tmax), float(mean))
    for attr in ("H", "Q"):
        series = run.values[attr]  # [step, element]
        for i in range(series.shape[1]):
            column = series[:, i].astype("float32")
            vmin, tmin, vmax, tmax, mean = rows[(attr, i)]
            assert np.float32(vmin) == column.min() and tmin == int(column.argmin())
            assert np.float32(vmax) == column.max() and tmax == int(column.argmax())
            assert mean == pytest.approx(column.astype(float).mean(), rel=1e-6, abs=1e-9)


def test_input_tolerates_bom_crlf_tabs_and_text_after_end(tmp_path, dump_tool):
    body = "\ufeff[TITLE]\r\nt\r\n[JUNCTIONS]\r\n J1\t10\t20\r\n[RESERVOIRS]\r\n R1\t50\r\n[PIPES]\r\n" \
           " P1\tR1\tJ1\t1000\t300\t100\r\n[OPTIONS]\r\n UNITS\tLPS\r\n[END]\r\nanything at all\r\n[WHATEVER]\r\n"
    run = simulate(tmp_path, body)
    assert run.returncode == 0
    assert value(run, "Q", "link", "P1") == pytest.approx(20 * LPS, rel=1e-6)


@pytest.mark.parametrize("head, active", [(100, True), (20, False)])
def test_pressure_reducing_valve_holds_its_setting_or_opens(tmp_path, dump_tool, head, active):
    run = simulate(tmp_path, network(f"""[JUNCTIONS]
 J1 0 0
 J2 0 10
[RESERVOIRS]
 R1 {head}
[PIPES]
 P1 R1 J1 100 300 100
[VALVES]
 V1 J1 J2 300 PRV 30"""))
    status = value(run, "S", "link", "V1")
    p2 = value(run, "P", "node", "J2")
    if active:
        assert status == 2 and p2 == pytest.approx(30, abs=1e-4)
    else:
        assert status == 1 and p2 < 20
    q = value(run, "Q", "link", "V1")
    assert value(run, "V", "link", "V1") == pytest.approx(q / (math.pi * 0.15 ** 2), rel=1e-6)


def test_level_control_acts_when_the_level_is_reached(tmp_path, dump_tool):
    run = simulate(tmp_path, network("""[RESERVOIRS]
 R1 100
[TANKS]
 T1 0 10 0 20 10 0
[PIPES]
 P1 R1 T1 1000 300 100
[CONTROLS]
 LINK P1 CLOSED IF NODE T1 ABOVE 15
 LINK P1 OPEN IF NODE T1 BELOW 5""", times=" DURATION 6:00"))
    t1 = run.ids["tank"].index("T1")
    levels = [v[t1] for v in run.values["L"]]
    status = [s[0] for s in run.values["S"]]
    hit = next(i for i, lv in enumerate(levels) if lv >= 15 - 1e-3)
    assert run.times[hit] % 3600 != 0 and levels[hit] == pytest.approx(15, abs=2e-3)
    assert status[:hit] == [1] * hit and status[hit:] == [0] * (len(status) - hit)


def test_clock_time_controls_repeat_every_day(tmp_path, dump_tool):
    run = simulate(tmp_path, network("""[JUNCTIONS]
 J1 0 5
[RESERVOIRS]
 R1 50
[PIPES]
 P1 R1 J1 100 200 100
 P2 R1 J1 100 200 100
[CONTROLS]
 LINK P2 CLOSED AT CLOCKTIME 6 AM
 LINK P2 OPEN AT CLOCKTIME 6 PM""", times=" DURATION 48:00\n START CLOCKTIME 3 AM"))
    p2 = run.ids["link"].index("P2")
    closed = {t / 3600 for t, s in zip(run.times, run.values["S"]) if s[p2] == 0}
    # clock = elapsed + 3 h: closed from 3 h to 15 h and from 27 h to 39 h elapsed
    assert closed == {float(h) for h in list(range(3, 15)) + list(range(27, 39))}


def test_constant_power_pump_scales_as_speed_cubed_and_stops_without_outlet(tmp_path, dump_tool):
    # Head gain P s^3 / (rho g q) between reservoirs 50 m apart (wide short pipes).
    lift = simulate(tmp_path, network("""[JUNCTIONS]
 J1 0 0
 J2 0 0
[RESERVOIRS]
 R1 10
 R2 60
[PIPES]
 P1 R1 J1 10 1000 100
 P2 J2 R2 10 1000 100
[PUMPS]
 PU J1 J2 POWER 2 SPEED 0.5"""))
    assert value(lift, "Q", "link", "PU") == pytest.approx(2000 * 0.5 ** 3 / (9806.65 * 50), rel=1e-3)
    # With nowhere to deliver, the pump stops instead of building an unbounded head.
    dead_end = simulate(tmp_path, network("""[JUNCTIONS]
 J1 0 0
 J2 0 0
[RESERVOIRS]
 R1 10
[PIPES]
 P1 R1 J1 10 1000 100
[PUMPS]
 PU J1 J2 POWER 2"""))
    assert value(dead_end, "S", "link", "PU") == 0
    assert value(dead_end, "Q", "link", "PU") == 0
    assert abs(value(dead_end, "H", "node", "J2")) < 100
