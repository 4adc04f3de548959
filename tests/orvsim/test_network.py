"""The model's tables against the raw modules, element access, vectorised
setters with their rollback and revert, saving, and the graph."""
import numpy as np
import pandas as pd
import pytest

import _pyorvsim as sim
import orvsim

NODE, BRANCH = 2, 1


def raw_ids(typelt):
    return [sim.getid(typelt, k)[0].decode().rstrip() for k in range(1, sim.nbobjects(typelt) + 1)]


def test_tables_match_the_module(town):
    assert list(town.junctions.index) == [f"J{k}" for k in range(1, 9)]
    assert town.node_ids == raw_ids(NODE) and town.link_ids == raw_ids(BRANCH)
    for table, symbol, column in (("junctions", "Z", "elevation"), ("junctions", "BD", "base_demand"),
                                  ("reservoirs", "Z", "head"), ("tanks", "X", "x")):
        t = town.table(table)
        assert list(t[column]) == pytest.approx([sim.nodeattr(i, symbol) for i in t.index])
    for table, symbol, column in (("pipes", "L", "length"), ("pipes", "R", "roughness"),
                                  ("valves", "SI", "setting"), ("pumps", "SI", "setting")):
        t = town.table(table)
        assert list(t[column]) == pytest.approx([sim.branchattr(i, symbol) for i in t.index])
    assert list(town.tanks["max_level"]) == [sim.rsvattr("T1", "LX")]
    assert town.pipes.loc["P3", ["start_node", "end_node", "status", "type"]].tolist() == ["J2", "J3", "OPEN", "PIPE"]
    assert town.valves.loc["V1", "type"] == "PRV" and town.valves.loc["V1", "status"] == "ACTIVE"
    assert town.units["diameter"] == "mm" and town.units["pressure"] == "m"


def test_element_access(town):
    assert town["T1"]["kind"] == "tanks" and town["PU1"]["kind"] == "pumps"
    assert town.link("P3")["length"] == 600 and town.node("J3")["elevation"] == 60
    assert town.kind_of("R1") == "reservoirs"
    table = town.junctions
    table.loc["J1", "elevation"] = -1  # tables are copies
    assert town.junctions.loc["J1", "elevation"] == 55


def test_setters_take_one_id_or_many(town):
    town.set("P3", roughness=95)
    town.set(["P4", "P5"], roughness=[80, 81], diameter=175)
    town.set(["J2", "J3"], base_demand=pd.Series({"J3": 7.0, "J2": 4.0}))  # aligned by id
    town.set(base_demand={"J4": 1.5})
    town.set("T1", init_level=3, elevation=91)
    p = town.pipes
    assert p.loc[["P3", "P4", "P5"], "roughness"].tolist() == [95, 80, 81]
    assert p.loc[["P4", "P5"], "diameter"].tolist() == [175, 175]
    assert town.junctions.loc[["J2", "J3", "J4"], "base_demand"].tolist() == [4.0, 7.0, 1.5]
    assert sim.branchattr("P4", "R") == 80 and sim.rsvattr("T1", "LI") == 3
    assert town.tanks.loc["T1", ["init_level", "elevation"]].tolist() == [3, 91]


def test_a_refused_value_undoes_the_whole_call(town):
    before = town.pipes["roughness"].copy()
    with pytest.raises(orvsim.InvalidValueError):
        town.set(["P1", "P2", "P3"], roughness=[90, 91, -1])
    pd.testing.assert_series_equal(town.pipes["roughness"], before)


def test_link_status_closes_and_opens(town):
    base = town.run()
    town.close_links(["P3", "P9"])
    closed = town.run()
    assert (closed.link["flow"][["P3", "P9"]].abs() < 1e-6).all().all()
    assert (base.link["flow"]["P3"].abs() > 1e-3).all()
    assert town.pipes.loc[["P3", "P9"], "status"].tolist() == ["CLOSED", "CLOSED"]
    town.open_links("P3")
    assert (town.run().link["flow"]["P3"].abs() > 1e-3).all()
    town.set("V1", status="open")
    assert town.valves.loc["V1", "status"] == "OPEN"


def test_revert_and_save(town, tmp_path):
    original = town.pipes
    town.set("P3", roughness=70, status="closed")
    town.set("P3", roughness=60)
    saved = tmp_path / "edited.inp"
    town.save(saved)
    town.revert()
    pd.testing.assert_frame_equal(town.pipes, original)
    with orvsim.Network(saved) as edited:
        assert edited.pipes.loc["P3", ["roughness", "status"]].tolist() == [60, "CLOSED"]
        edited.command("OPTION DEMAND MULTIPLIER 2")
        edited.revert()  # a command's change: the file is read again
        assert edited.pipes.loc["P3", "roughness"] == 60
        edited.run(quality="age")
        edited.revert()  # so is a run's quality option
        with pytest.raises(orvsim.NoResultsError):
            edited.run().node["quality"]
        with pytest.raises(orvsim.InvalidValueError, match="replace this network"):
            edited.command("LOAD other.inp")


def test_graph(town):
    g = town.to_networkx()
    assert (g.number_of_nodes(), g.number_of_edges()) == (10, 11)
    assert g.nodes["T1"]["kind"] == "tanks" and g.nodes["T1"]["pos"] == (900.0, 150.0)
    (a, b, data), = [(a, b, d) for a, b, k, d in g.edges(keys=True, data=True) if k == "P3"]
    assert (a, b, data["length"], data["diameter"]) == ("J2", "J3", 600.0, 200.0)
    assert g.edges["R1", "J1", "PU1"]["kind"] == "pumps"


def test_link_paths_follow_vertices(town):
    paths = town.link_paths()
    assert set(paths) == set(town.link_ids)
    for link_id, xy in paths.items():
        assert len(xy) == sim.branchxylen(link_id)
        start, end = town.link(link_id)[["start_node", "end_node"]]
        assert tuple(xy[0]) == tuple(town.node(start)[["x", "y"]])
        assert tuple(xy[-1]) == tuple(town.node(end)[["x", "y"]])
    assert np.isfinite(np.concatenate(list(paths.values()))).all()


def test_revert_gives_the_files_model_exactly(net3):
    # setters pass 4-byte display values: only the file gives the model back bit for bit
    base = net3.run().node["pressure"]
    j = net3.junctions
    net3.set(j.index, base_demand=j.base_demand * 1.37)
    net3.close_links(net3.pipes.index[5])
    net3.run()
    net3.revert()
    pd.testing.assert_frame_equal(net3.run().node["pressure"], base)
    pd.testing.assert_frame_equal(net3.junctions, j)
