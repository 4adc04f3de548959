"""A session keeps the plan of its solver's matrix (dead-end trees, ordering,
analysed factorisation) from one run to the next. After an edit, a rerun must
give exactly what a fresh session gives, whether the edit changed the
network's shape (the plan is made again) or only values (it is kept)."""
import pytest

from api_harness import BRANCH, NODE, engine, library  # noqa: F401
from trees_network import NETWORK


def _heads_and_flows(engine):
    engine.ok("INSTANT 7")
    return engine.all_values(NODE, "H")[1], engine.all_values(BRANCH, "Q")[1]


@pytest.mark.parametrize("edit", ["SET NODE T3 EC 0.5",  # an emitter on a leaf: it leaves the trees
                                  "SET NODE E1 EC 0",    # a leaf without its emitter joins them
                                  "SET BRANCH AB R 90"])  # values only
def test_a_rerun_gives_what_a_fresh_session_gives(tmp_path, library, engine, edit):
    network = tmp_path / "trees.inp"
    network.write_text(NETWORK)
    engine.ok(f'LOAD "{network}"', "SIMULATE", edit, "SIMULATE")
    rerun = _heads_and_flows(engine)
    library.VBCloseMelisto()
    library.VBOpenMelisto()
    engine.ok(f'LOAD "{network}"', edit, "SIMULATE")
    assert rerun == _heads_and_flows(engine)


def test_a_run_written_into_a_replaced_store_reads_as_a_fresh_run(tmp_path, library, engine):
    # The third run writes into the first run's store, whose quality columns
    # held water ages; without quality they must read as zero again.
    network = tmp_path / "trees.inp"
    network.write_text(NETWORK)
    engine.ok(f'LOAD "{network}"', "QUALITY AGE", "SIMULATE", "SIMULATE", "QUALITY NONE", "SIMULATE")
    rerun = _heads_and_flows(engine), engine.all_values(NODE, "C")[1], engine.all_values(BRANCH, "CB")[1]
    library.VBCloseMelisto()
    library.VBOpenMelisto()
    engine.ok(f'LOAD "{network}"', "SIMULATE")
    fresh = _heads_and_flows(engine), engine.all_values(NODE, "C")[1], engine.all_values(BRANCH, "CB")[1]
    assert rerun == fresh
    assert not any(rerun[1]) and not any(rerun[2])
