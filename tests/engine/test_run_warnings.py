"""What a run tells about itself: negative pressures, pumps that cannot lift,
junctions left unconnected, instants that do not balance under UNBALANCED
STOP, and pressures in metric units with a specific gravity."""
import pytest

from api_harness import OK, SIMULATION_FAILED, L, engine, library  # noqa: F401


def network(body, options="", times=" DURATION 0"):
    return f"[TITLE]\nrun warnings\n{body}\n[TIMES]\n{times}\n[OPTIONS]\n UNITS LPS\n{options}\n[END]\n"


def load(eng, tmp_path, text):
    path = tmp_path / "net.inp"
    path.write_text(text)
    eng.ok(f'LOAD "{path}"')


def node_value(eng, node, attr):
    n, a = node.encode(), attr.encode()
    return eng.lib.NodeValbyID(n, a, L(len(n)), L(len(a)))


# A junction set high above its only source: it cannot be served.
HIGH_JUNCTION = """[JUNCTIONS]
 J1 10 5
 J2 200 5
[RESERVOIRS]
 R1 100
[PIPES]
 P1 R1 J1 1000 200 100
 P2 J1 J2 1000 200 100"""


def test_negative_pressures_are_reported_with_node_and_instant(engine, tmp_path):
    load(engine, tmp_path, network(HIGH_JUNCTION))
    engine.ok("SIMULATE")
    assert engine.var("SIMSTATUS") == "2"
    message = engine.var("SIMMESSAGE", 400)
    assert "negative pressures at 1 instant(s), first at 0:00:00 (node J2:" in message


def test_pump_against_too_high_a_head_is_stopped_and_reported(engine, tmp_path):
    # A reservoir 100 m above the pump's shutoff head: the pump cannot lift,
    # and the water must not run back through it.
    load(engine, tmp_path, network("""[JUNCTIONS]
 J1 0 1
[RESERVOIRS]
 LOW 0
 HIGH 150
[PIPES]
 P1 J1 HIGH 100 200 100
[PUMPS]
 PU LOW J1 HEAD C1
[CURVES]
 C1 10 40"""))
    engine.ok("SIMULATE")
    flow = engine.lib.LinkValbyID(b"PU", b"Q", L(2), L(1))
    assert flow == pytest.approx(0.0, abs=1e-6)
    assert engine.var("NUNSTABLE") == "1"


def test_unconnected_junction_loads_with_a_warning_but_does_not_simulate(engine, tmp_path):
    load(engine, tmp_path, network(HIGH_JUNCTION.replace("[RESERVOIRS]", " J9 5 1\n[RESERVOIRS]")))
    assert engine.var("NLOADWARNINGS") == "1"
    assert "J9 is not connected to any link" in engine.var("LOADWARNINGS", 400)
    assert engine.cmd("SIMULATE") == SIMULATION_FAILED
    assert "unconnected junctions: J9" in engine.last_error()


def test_unbalanced_stop_keeps_the_results_up_to_the_halt(engine, tmp_path):
    load(engine, tmp_path, network(HIGH_JUNCTION.replace(" J2 200 5", " J2 0 5"), " TRIALS 1\n UNBALANCED STOP",
                                   " DURATION 3:00"))
    assert engine.cmd("SIMULATE") == OK
    assert engine.var("SIMSTATUS") == "101"
    assert "the run stops there" in engine.var("SIMMESSAGE", 400)
    assert node_value(engine, "J2", "H") > 0  # the halted instant's results are readable


def test_metric_pressure_is_head_above_elevation_whatever_the_gravity(engine, tmp_path):
    load(engine, tmp_path, network(HIGH_JUNCTION.replace(" J2 200 5", " J2 20 5"), " SPECIFIC GRAVITY 1.2"))
    engine.ok("SIMULATE")
    head, pressure = node_value(engine, "J2", "H"), node_value(engine, "J2", "P")
    assert pressure == pytest.approx(head - 20, abs=1e-3)
