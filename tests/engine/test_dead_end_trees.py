"""Dead-end trees, which the solver keeps out of its matrix, against the
reference engine: chains and forks hanging off a loop, a tree pipe that a
control shuts and reopens, a leaf with an emitter, a check-valve pipe to a
leaf, a junction hanging off a tank, and a tree reached through a pump, over a
day of changing demands. Every instant must agree; tree flows carry what lies
beyond them (up to the single precision results are stored in)."""
import pytest

import hydraulics_reference as ref

NETWORK = """[TITLE]
loop with dead-end trees
[JUNCTIONS]
 A 10 5 D
 B 12 8 D
 C 11 6 D
 T1 9 3 D
 T2 8 2 D
 T3 7 4 D
 T4 8 1 D
 S1 10 3 D
 S2 11 2 D
 E1 9 0
 V1 9 2 D
 K1 14 1 D
 P1 20 0
 P2 22 3 D
 P3 21 2 D
[RESERVOIRS]
 R 60
[TANKS]
 TK 30 10 2 20 15 0
[PIPES]
 RA R A 500 300 120
 AB A B 400 200 110
 BC B C 300 200 100
 CA C A 350 150 100
 BT1 B T1 200 150 100
 T1T2 T1 T2 150 100 100
 T2T3 T2 T3 120 80 100
 T1T4 T1 T4 180 80 100
 CS1 C S1 200 100 100
 S1S2 S1 S2 150 80 100
 AE1 A E1 100 80 100
 CV1 C V1 120 80 100 0 CV
 TKK1 TK K1 200 100 100
 TKB TK B 600 150 100
 P2P3 P2 P3 100 80 100
[PUMPS]
 PU A P1 HEAD CU
[CURVES]
 CU 20 40
[PIPES]
 P1P2 P1 P2 150 100 100
[EMITTERS]
 E1 0.5
[PATTERNS]
 D 0.5 1.3 1.0 0.4
[CONTROLS]
 LINK CS1 CLOSED AT TIME 6
 LINK CS1 OPEN AT TIME 9
[TIMES]
 DURATION 24
 HYDRAULIC TIMESTEP 1:00
 PATTERN TIMESTEP 6:00
[OPTIONS]
 UNITS LPS
 ACCURACY 1e-6
[END]
"""


@pytest.fixture
def network_file(tmp_path):
    path = tmp_path / "trees.inp"
    path.write_text(NETWORK)
    return path


def test_dead_end_trees_match_the_reference_at_every_instant(network_file, dump_tool):
    pytest.importorskip("epanet.toolkit")
    expected = ref.run_reference(network_file, report_only=False)
    ours = ref.run_ours(network_file)
    assert ours.returncode == 0, ours.stderr
    problem = ref.disagreement(ours, expected, 1e-4)
    assert problem is None, problem


def test_tree_flows_carry_what_lies_beyond_them(network_file, dump_tool):
    run = ref.run_ours(network_file)
    links, nodes = run.ids["link"], run.ids["node"]
    for step in range(len(run.times)):
        flow = dict(zip(links, run.values["Q"][step]))
        demand = dict(zip(nodes, run.values["D"][step]))
        assert flow["T1T2"] == pytest.approx(demand["T2"] + demand["T3"], rel=1e-6, abs=1e-9)
        assert flow["BT1"] == pytest.approx(sum(demand[n] for n in ("T1", "T2", "T3", "T4")), rel=1e-6,
                                            abs=1e-9)
