"""Water quality on small networks whose results can be worked out by hand.

The hydraulics are given (orv_quality --hydraulics), so every flow and volume
is exact and the expected qualities follow from docs/quality.md alone.
"""
import math
import subprocess

import pytest

from quality_reference import quality_tool

Q = 0.01          # m3/s through the line
AREA = 100.0      # m2, tank of diameter sqrt(400/pi)
TANK_D = math.sqrt(4 * AREA / math.pi)


def network(tmp_path, body, options="Quality Chlorine mg/L", times="Quality Timestep 0:05"):
    text = f"""[TITLE]
hand-checked case
{body}
[TIMES]
 Duration 24:00
 Hydraulic Timestep 1:00
 {times}
[OPTIONS]
 Units LPS
 {options}
[END]
"""
    path = tmp_path / "case.inp"
    path.write_text(text)
    return path


def hydraulics(tmp_path, nodes, links, tanks, steps):
    """steps: list of (time s, flows m3/s, demands m3/s, tank volumes m3)."""
    lines = [f"{nodes} {links} {tanks}"]
    for t, q, d, v in steps:
        lines += [str(t), " ".join(map(str, q)), " ".join(map(str, d)), " ".join(map(str, v))]
    path = tmp_path / "hyd.txt"
    path.write_text("\n".join(lines) + "\n")
    return path


def run(inp, hyd=None, *args):
    """{(kind, id): [(time s, value)]} for nodes (N) and links (L), or
    {(code, attribute): [(hours, value)]} and "max" with --sets."""
    cmd = [str(quality_tool()), str(inp), *args] + (["--hydraulics", str(hyd)] if hyd else [])
    res = subprocess.run(cmd, capture_output=True, text=True)
    assert res.returncode == 0, res.stderr
    out, status, ids = {}, None, {}
    for line in res.stdout.splitlines():
        parts = line.split(",")
        if parts[0] == "#status":
            status = parts[1:]
        elif parts[0] == "max":
            out["max"] = int(parts[1])
        elif parts[0] == "ids":
            ids[parts[1]] = parts[2:]
        elif parts[0] in ("N", "L"):
            for ident, v in zip(ids[parts[0]], parts[2].split()):
                out.setdefault((parts[0], ident), []).append((float(parts[1]), float(v)))
        else:  # data set: node, code, attribute, hours, value
            out.setdefault((parts[1], parts[2]), []).append((float(parts[3]), float(parts[4])))
    return out, status


def at(series, t):
    return dict(series)[t]


# A reservoir feeding a line of 1 m2 x 360 m: 10 hours of travel at Q.
LINE = """[JUNCTIONS]
 J1 0 0
[RESERVOIRS]
 R1 100
[PIPES]
 P1 R1 J1 360 1128.379 100 0 Open
"""
LINE_VOLUME = math.pi / 4 * 1.128379 ** 2 * 360


def steady(tmp_path, hours=24, q=Q, demand=None):
    d = q if demand is None else demand
    return hydraulics(tmp_path, 2, 1, 1, [(h * 3600, [q], [d, -q], [0]) for h in range(hours + 1)])


class TestPlugFlow:
    def test_age_at_the_end_of_a_line_is_its_travel_time(self, tmp_path):
        out, _ = run(network(tmp_path, LINE, "Quality Age"), steady(tmp_path))
        travel = LINE_VOLUME / Q / 3600  # 10 h
        assert at(out[("N", "J1")], 5 * 3600) == pytest.approx(5.0, abs=1e-3)  # still the initial water
        assert at(out[("N", "J1")], 20 * 3600) == pytest.approx(travel, abs=0.1)
        # the pipe holds water of every age between 0 and the travel time
        assert at(out[("L", "P1")], 20 * 3600) == pytest.approx(travel / 2, abs=0.1)

    def test_front_arrives_after_the_travel_time(self, tmp_path):
        inp = network(tmp_path, LINE + "[QUALITY]\n R1 1.0\n")
        out, _ = run(inp, steady(tmp_path))
        assert at(out[("N", "J1")], 9 * 3600) == 0.0
        assert at(out[("N", "J1")], 11 * 3600) == pytest.approx(1.0)
        assert at(out[("L", "P1")], 5 * 3600) == pytest.approx(0.5, abs=1e-3)

    def test_first_order_decay_over_the_travel_time(self, tmp_path):
        # a small tolerance keeps parcels of different ages apart
        inp = network(tmp_path, LINE + "[QUALITY]\n R1 1.0\n[REACTIONS]\n Global Bulk -0.5\n",
                      "Quality Chlorine mg/L\n Tolerance 0.00001")
        out, _ = run(inp, steady(tmp_path))
        # explicit steps of 300 s over 10 h: (1 + kb dt)^120
        kb, dt = -0.5 / 86400, 300
        expected = (1 + kb * dt) ** (LINE_VOLUME / Q / dt)
        assert at(out[("N", "J1")], 20 * 3600) == pytest.approx(expected, rel=1e-3)
        assert expected == pytest.approx(math.exp(-0.5 * 10 / 24), rel=1e-3)
        # the default tolerance merges parcels within 0.01 mg/L: slightly older water
        inp = network(tmp_path, LINE + "[QUALITY]\n R1 1.0\n[REACTIONS]\n Global Bulk -0.5\n")
        merged = at(run(inp, steady(tmp_path))[0][("N", "J1")], 20 * 3600)
        assert expected * 0.98 < merged < expected

    def test_sources_play_no_part_in_an_age_run(self, tmp_path):
        # the reservoir's water is 1 h old whatever source it has
        inp = network(tmp_path, LINE + "[QUALITY]\n R1 1.0\n[SOURCES]\n R1 CONCEN 2.0\n", "Quality Age")
        out, _ = run(inp, steady(tmp_path))
        assert at(out[("N", "R1")], 20 * 3600) == pytest.approx(1.0, abs=1e-6)
        assert at(out[("N", "J1")], 20 * 3600) == pytest.approx(11.0, abs=0.02)

    def test_reversed_flow_brings_the_water_back(self, tmp_path):
        inp = network(tmp_path, LINE + "[QUALITY]\n R1 1.0\n J1 0.0\n")
        # 5 hours forward (half the pipe holds R1 water), then 5 hours back
        steps = [(h * 3600, [Q], [Q, -Q], [0]) for h in range(5)]
        steps += [(h * 3600, [-Q], [-Q, Q], [0]) for h in range(5, 11)]
        out, _ = run(inp, hydraulics(tmp_path, 2, 1, 1, steps))
        # what leaves at the reservoir end is the R1 water that went in
        assert at(out[("L", "P1")], 5 * 3600) == pytest.approx(0.5, abs=1e-3)
        assert at(out[("L", "P1")], 10 * 3600) == pytest.approx(0.0, abs=1e-3)

    @pytest.mark.parametrize("still_flow", [0.0, 1e-7])
    def test_a_still_hour_between_reversals_keeps_the_water_in_place(self, tmp_path, still_flow):
        inp = network(tmp_path, LINE + "[QUALITY]\n R1 1.0\n J1 0.0\n")
        # 5 h forward: R1 water fills half the pipe; 1 h back: a tenth of it
        # returns; 1 h still (or below 0.005 gpm); then forward again: the 6
        # tenths of clean water at the J1 end reach J1 first, the R1 water 6 h
        # after the restart
        out, _ = run(inp, self.still_between_reversals(tmp_path, still_flow))
        assert at(out[("L", "P1")], 7 * 3600) == pytest.approx(0.4, abs=1e-3)
        assert at(out[("N", "J1")], 10 * 3600) == pytest.approx(0.0, abs=1e-6)
        assert at(out[("N", "J1")], 14 * 3600) == pytest.approx(1.0, abs=1e-6)

    def test_reference_conventions_hand_over_the_far_end_after_a_standstill(self, tmp_path):
        # the reference forgets how the contents lie while the flow stands
        # still, so J1 receives the R1 water from the far end at once
        inp = network(tmp_path, LINE + "[QUALITY]\n R1 1.0\n J1 0.0\n")
        out, _ = run(inp, self.still_between_reversals(tmp_path, 1e-7), "--reference-conventions")
        assert at(out[("N", "J1")], 8 * 3600) == pytest.approx(1.0, abs=1e-6)

    @staticmethod
    def still_between_reversals(tmp_path, still_flow):
        steps = [(h * 3600, [Q], [Q, -Q], [0]) for h in range(5)]
        steps += [(5 * 3600, [-Q], [-Q, Q], [0]), (6 * 3600, [still_flow], [still_flow, -still_flow], [0])]
        steps += [(h * 3600, [Q], [Q, -Q], [0]) for h in range(7, 25)]
        return hydraulics(tmp_path, 2, 1, 1, steps)

    def test_a_junction_without_inflow_keeps_its_quality_unless_water_reacts(self, tmp_path):
        # 12 h of flow, then none: the traced share at J1 stays; the age at J1
        # becomes that of the water next to it, which keeps ageing
        steps = [(h * 3600, [Q if h < 12 else 0.0], [Q if h < 12 else 0.0, 0.0], [0]) for h in range(25)]
        hyd = hydraulics(tmp_path, 2, 1, 1, steps)
        traced = at(run(network(tmp_path, LINE, "Quality Trace R1"), hyd)[0][("N", "J1")], 20 * 3600)
        assert traced == pytest.approx(100.0)
        aged = run(network(tmp_path, LINE, "Quality Age"), hyd)[0][("N", "J1")]
        assert at(aged, 20 * 3600) - at(aged, 16 * 3600) == pytest.approx(4.0, abs=1e-3)


class TestSources:
    def test_mass_booster_adds_its_rate_over_the_outflow(self, tmp_path):
        inp = network(tmp_path, LINE + "[QUALITY]\n R1 0.2\n[SOURCES]\n R1 MASS 60\n")
        out, _ = run(inp, steady(tmp_path))
        # 60 mg/min = 1 mg/s into 10 L/s: +0.1 mg/L
        assert at(out[("N", "R1")], 12 * 3600) == pytest.approx(0.3, rel=1e-6)
        assert at(out[("N", "J1")], 12 * 3600) == pytest.approx(0.3, rel=1e-6)

    def test_setpoint_raises_but_never_lowers(self, tmp_path):
        body = LINE.replace(" J1 0 0", " J1 0 0\n J2 0 0") + " P2 J1 J2 1 100 100 0 Open\n"
        for setpoint, expected in ((0.8, 0.8), (0.3, 0.5)):
            inp = network(tmp_path, body + f"[QUALITY]\n R1 0.5\n[SOURCES]\n J1 SETPOINT {setpoint}\n")
            hyd = hydraulics(tmp_path, 3, 2, 1, [(h * 3600, [Q, Q], [0, Q, -Q], [0]) for h in range(25)])
            out, _ = run(inp, hyd)
            assert at(out[("N", "J2")], 20 * 3600) == pytest.approx(expected, rel=1e-6)

    def test_concentration_source_at_a_junction_only_acts_on_inflow(self, tmp_path):
        # J1 mixes Q from the line (clean) with Q from outside at 2 mg/L
        body = LINE.replace(" J1 0 0", " J1 0 0\n J2 0 0") + " P2 J1 J2 1 100 100 0 Open\n"
        inp = network(tmp_path, body + "[SOURCES]\n J1 CONCEN 2.0\n")
        hyd = hydraulics(tmp_path, 3, 2, 1, [(h * 3600, [Q, 2 * Q], [-Q, 2 * Q, -Q], [0]) for h in range(25)])
        out, _ = run(inp, hyd)
        assert at(out[("N", "J1")], 12 * 3600) == pytest.approx(1.0, rel=1e-6)
        assert at(out[("N", "J2")], 12 * 3600) == pytest.approx(1.0, rel=1e-6)
        # without external inflow the source adds nothing
        hyd = hydraulics(tmp_path, 3, 2, 1, [(h * 3600, [Q, Q], [0, Q, -Q], [0]) for h in range(25)])
        out, _ = run(inp, hyd)
        assert at(out[("N", "J2")], 12 * 3600) == 0.0


TANK_LINE = f"""[JUNCTIONS]
 J1 0 0
[RESERVOIRS]
 R1 100
[TANKS]
 T1 0 1 0 10 {TANK_D} 0
[PIPES]
 P1 R1 T1 1 1 100 0 Open
[QUALITY]
 R1 1.0
"""


def filling(tmp_path, hours=24):
    # R1 -> T1 at Q; the tank starts with 100 m3 and nothing leaves it
    return hydraulics(tmp_path, 3, 1, 2,
                      [(h * 3600, [Q], [0, -Q, Q], [0, AREA + Q * 3600 * h]) for h in range(hours + 1)])


class TestTankMixing:
    def test_complete_mix_dilutes_by_volume(self, tmp_path):
        out, _ = run(network(tmp_path, TANK_LINE), filling(tmp_path))
        # 100 m3 of clean water plus 36 m3 per hour at 1 mg/L
        for h in (1, 5, 20):
            vin = Q * 3600 * h
            assert at(out[("N", "T1")], h * 3600) == pytest.approx(vin / (AREA + vin), rel=2e-4)

    def test_two_compartments_fill_the_mixing_zone_first(self, tmp_path):
        # mixing zone 0.2 x 1000 m3 = 200 m3: the first 100 m3 in mix completely;
        # then each step sends the excess to the stagnant zone
        inp = network(tmp_path, TANK_LINE + "[MIXING]\n T1 2COMP 0.2\n")
        out, _ = run(inp, filling(tmp_path))
        vm, c, vol, dv, got = 100.0, 0.0, 0.0, Q * 300, {}
        for step in range(1, 24 * 12 + 1):
            c = (c * vm + dv) / (vm + dv)
            vm = min(vm + dv, 200.0)
            if step % 12 == 0:
                got[step // 12] = c
        for h in (2, 6, 12):
            assert at(out[("N", "T1")], h * 3600) == pytest.approx(got[h], rel=1e-4)
        assert got[12] > (Q * 3600 * 12) / (AREA + Q * 3600 * 12)  # fresher than a mixed tank

    @pytest.mark.parametrize("model,expected", [("FIFO", 0.0), ("LIFO", 1.0)])
    def test_layered_tanks_report_the_layer_they_release(self, tmp_path, model, expected):
        inp = network(tmp_path, TANK_LINE + f"[MIXING]\n T1 {model}\n")
        out, _ = run(inp, filling(tmp_path))
        assert at(out[("N", "T1")], 6 * 3600) == pytest.approx(expected)


class TestDataSets:
    def test_shares_of_two_reservoirs(self, tmp_path):
        body = """[JUNCTIONS]
 J1 0 0
 J2 0 0
[RESERVOIRS]
 R1 100
 R2 100
[PIPES]
 P1 R1 J1 1 100 100 0 Open
 P2 R2 J1 1 100 100 0 Open
 P3 J1 J2 1 100 100 0 Open
"""
        inp = network(tmp_path, body + "[QUALITY]\n R1 1.0\n R2 0.0\n")
        hyd = hydraulics(tmp_path, 4, 3, 2,
                         [(h * 3600, [3 * Q, Q, 4 * Q], [0, 4 * Q, -3 * Q, -Q], [0, 0]) for h in range(25)])
        out, _ = run(inp, hyd, "--sets", "J2")
        assert out["max"] == 25
        quality, r1, r2 = out[("Chlorine", "C")], out[("R1", "T")], out[("R2", "T")]
        assert len(quality) == len(r1) == len(r2) == 25
        assert quality[12] == pytest.approx((12.0, 0.75), rel=1e-5)  # hours, 3 parts of R1 water in 4
        assert r1[12][1] == pytest.approx(75.0, rel=1e-5) and r2[12][1] == pytest.approx(25.0, rel=1e-5)

    def test_no_sets_without_quality(self, tmp_path):
        inp = network(tmp_path, LINE, "Quality None")
        out, _ = run(inp, steady(tmp_path), "--sets", "J1")
        assert [k for k in out if k != "max"] == []


def test_a_pipe_with_a_check_valve_holds_its_water(tmp_path):
    # the same 10-hour line, with a check valve: the water still takes 10 hours
    inp = network(tmp_path, LINE.replace("0 Open", "0 CV"), "Quality Age")
    out, _ = run(inp, steady(tmp_path))
    assert at(out[("N", "J1")], 20 * 3600) == pytest.approx(LINE_VOLUME / Q / 3600, abs=0.1)
    assert at(out[("L", "P1")], 20 * 3600) == pytest.approx(5.0, abs=0.1)
    # the reference's convention: no water in the pipe, the reservoir's at once
    out, _ = run(inp, steady(tmp_path), "--reference-conventions")
    assert at(out[("N", "J1")], 20 * 3600) == 0.0
