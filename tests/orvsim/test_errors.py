"""Every failure raises, with the engine's status and whole message: one
class per cause, each caught as a user would."""
import warnings

import numpy as np
import pytest

import _pyorvsim as sim
import orvsim
from orvsim_cases import TOWN, write

ISOLATED = """[RESERVOIRS]
 R1 100
[JUNCTIONS]
 J1 50 1
 J2 50 1
[PIPES]
 P1 R1 J1 100 200 100
[COORDINATES]
 R1 0 0
 J1 100 0
 J2 200 0
[END]
"""


def test_rejected_and_missing_files_carry_path_and_line(tmp_path):
    bad = write(tmp_path / "bad.inp", "[JUNCTIONS]\n J1 10\n[PIPES]\n P1 J1 J9 100 200 100\n[END]\n")
    with pytest.raises(orvsim.InputError) as caught:
        orvsim.Network(bad)
    e = caught.value
    assert (e.path, e.line, e.status) == (str(bad), 4, 8) and "unknown node J9" in str(e)
    deep = tmp_path / ("a_folder_whose_name_is_long_enough_to_matter_" * 2) / "model.inp"
    with pytest.raises(orvsim.InputError) as caught:
        orvsim.Network(deep)
    # the whole message, not the first 48 characters
    assert str(deep) in str(caught.value) and caught.value.line is None and caught.value.status == 6


def test_a_rejected_file_lists_every_bad_line(tmp_path):
    bad = write(tmp_path / "bad.inp", "[JUNCTIONS]\n J1 10\n J2 x\n[RESERVOIRS]\n R1 50\n"
                                      "[PIPES]\n P1 J1 J9 100 200 100\n P2 R1 J1 100 200 100\n"
                                      "[OPTIONS]\n UNITS FURLONGS\n[END]\n")
    with pytest.raises(orvsim.InputError) as caught:
        orvsim.Network(bad)
    e = caught.value
    assert e.line == 3 and e.problems == [(3, "invalid number for elevation: x"), (7, "unknown node J9"),
                                          (10, "unknown flow units FURLONGS")]
    assert str(e).splitlines()[0] == "bad.inp:3: invalid number for elevation: x"


def test_unknown_ids_are_key_errors(town, town_result):
    with pytest.raises(KeyError, match="unknown link 'P99'"):
        town.set("P99", roughness=100)
    with pytest.raises(orvsim.UnknownElementError, match="unknown node 'J99'"):
        town.node("J99")
    with pytest.raises(KeyError, match="J99"):
        town_result.node.stats("pressure", ids=["J1", "J99"])
    with pytest.raises(KeyError) as caught:
        town["nothing"]
    assert str(caught.value) == "unknown element 'nothing' in town.inp"  # not the repr of a KeyError


def test_unknown_attributes_and_columns(town, town_result):
    with pytest.raises(orvsim.UnknownAttributeError, match="no node result 'presure'.*pressure"):
        town_result.node["presure"]
    with pytest.raises(orvsim.UnknownAttributeError, match="unknown column 'rugosity'"):
        town.set("P1", rugosity=3)
    with pytest.raises(orvsim.UnknownAttributeError, match="'roughness' cannot be set for pump PU1"):
        town.set("PU1", roughness=3)
    with pytest.raises(orvsim.UnknownAttributeError):
        town.table("hydrants")


def test_invalid_values(town):
    refused = "cannot set roughness of P1 to -5: .*'R' must be positive"
    with pytest.raises(orvsim.InvalidValueError, match=refused) as caught:
        town.set("P1", roughness=-5)
    assert caught.value.status == 5 and isinstance(caught.value, ValueError)
    for bad in (dict(status="shut"), dict(roughness="rough"), dict(roughness=np.nan)):
        with pytest.raises(orvsim.InvalidValueError):
            town.set("P1", **bad)
    with pytest.raises(orvsim.InvalidValueError, match="2 values of roughness for 3 ids"):
        town.set(["P1", "P2", "P3"], roughness=[1, 2])
    with pytest.raises(orvsim.InvalidValueError, match="traced node"):
        town.run(quality="trace")
    with pytest.raises(orvsim.InvalidValueError, match="quality must be"):
        town.run(quality="salinity")
    with pytest.raises(orvsim.UnknownElementError):
        town.run(quality="trace", source="NOWHERE")


def test_a_replaced_model_is_never_read(town):
    other = orvsim.Network(TOWN)
    for use in (lambda: town.junctions, lambda: town.run(), lambda: town.set("P1", roughness=90),
                lambda: town.save("x.inp"), lambda: town.to_networkx()):
        with pytest.raises(orvsim.NoModelError, match="replaced by another load"):
            use()
    other.close()
    with pytest.raises(orvsim.NoModelError, match="closed"):
        other.pipes


def test_no_results_and_stale_results(town, town_result):
    plain = town.run(quality="none")
    with pytest.raises(orvsim.NoResultsError, match="no water-quality simulation"):
        plain.node["quality"]
    town.run()
    # reporting instants were kept before the next run replaced the engine's results...
    assert town_result.node["pressure"].shape == (25, 10)
    # ...steps not read before are gone, and say so
    with pytest.raises(orvsim.NoResultsError, match="replaced by a later run"):
        town_result.steps.node["pressure"]


def test_a_failed_simulation_raises_and_warnings_warn(tmp_path):
    with orvsim.Network(write(tmp_path / "isolated.inp", ISOLATED)) as net:
        with pytest.raises(orvsim.SimulationError, match="unconnected junctions: J2") as caught:
            net.run()
        assert caught.value.status == 9
    with orvsim.Network(TOWN) as net:
        net.set(net.junctions.index, base_demand=net.junctions.base_demand * 20)
        with pytest.warns(orvsim.SimulationWarning, match="negative pressures|unbalanced|unstable") as w:
            res = net.run()
        assert res.status > 0 and res.warnings == [str(w[0].message)]


def test_every_failure_is_an_orvsim_error(town):
    # one class to catch them all, and the module's own behaviour unchanged underneath
    for use in (lambda: town.set("P99", roughness=1), lambda: town.set("P1", roughness=-1),
                lambda: orvsim.Network("/nonexistent.inp")):
        with pytest.raises(orvsim.OrvsimError):
            use()
    assert np.all(sim.getall(2, "XX", 3) == 0)  # the raw module still answers zeros
