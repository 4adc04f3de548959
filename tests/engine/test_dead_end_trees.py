"""Dead-end trees, which the solver keeps out of its matrix, against the
reference engine: chains and forks hanging off a loop, a tree pipe that a
control shuts and reopens, a leaf with an emitter, a check-valve pipe to a
leaf, a junction hanging off a tank, and a tree reached through a pump, over a
day of changing demands. Every instant must agree; tree flows carry what lies
beyond them (up to the single precision results are stored in)."""
import pytest

import hydraulics_reference as ref

from trees_network import NETWORK


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
