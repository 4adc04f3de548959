"""Scenario batches on a local Dask cluster of two worker processes."""
import os

import pandas as pd
import pytest

distributed = pytest.importorskip("dask.distributed")

import orvsim.scenarios as scenarios  # noqa: E402
from orvsim_cases import TOWN  # noqa: E402


@pytest.fixture(scope="module")
def client():
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=":0") as cluster, distributed.Client(cluster) as c:
        yield c


def demand_scenario(net, scenario):
    # defined here, sent to the workers by value
    if scenario["factor"] < 0:
        raise ValueError(f"negative demand factor {scenario['factor']}")
    j = net.junctions
    net.set(j.index, base_demand=j.base_demand * scenario["factor"])
    if scenario.get("close"):
        net.close_links(scenario["close"])
    res = net.run()
    return {"min_pressure": res.node["pressure"][list(j.index)].min().min(), "pid": os.getpid(),
            "demand": net.junctions.base_demand.sum()}


SCENARIOS = {"low": {"factor": 0.5}, "base": {"factor": 1.0}, "broken": {"factor": -1},
             "high": {"factor": 1.5}, "p3 shut": {"factor": 1.0, "close": ["P3"]}, "base again": {"factor": 1.0}}


def test_batch_on_two_processes(client):
    table = scenarios.run(demand_scenario, SCENARIOS, client, network=TOWN)
    assert list(table.index) == list(SCENARIOS)
    assert table.loc["broken", "error"] == "ValueError: negative demand factor -1"
    ok = table.drop("broken")
    assert ok["error"].isna().all() and ok["pid"].nunique() <= 2 and os.getpid() not in set(ok["pid"])
    # each scenario starts from the file's model: changes are reverted between scenarios
    assert ok.loc["base", "demand"] == ok.loc["base again", "demand"] == pytest.approx(27.5)
    assert ok.loc["low", "demand"] == pytest.approx(13.75)
    local = scenarios.run_local(demand_scenario, SCENARIOS, network=TOWN)
    assert local["min_pressure"].round(5).equals(table["min_pressure"].astype(float).round(5))
    assert ok.loc["p3 shut", "min_pressure"] != ok.loc["base", "min_pressure"]


def test_run_warnings_land_in_their_row(client):
    def overload(net, factor):
        net.set(net.junctions.index, base_demand=net.junctions.base_demand * factor)
        return {"status": net.run().status}
    table = scenarios.run(overload, {"normal": 1.0, "overloaded": 20.0}, client, network=TOWN)
    assert table.loc["normal", "status"] == 0 and table.loc["overloaded", "status"] > 0
    assert pd.isna(table.loc["normal", "warnings"])
    assert "negative pressures" in table.loc["overloaded", "warnings"]


def test_plain_functions_and_lists(client):
    table = scenarios.run(lambda x: x * x, [1, 2, 3], client=client, progress=True)
    assert table["value"].tolist() == [1, 4, 9] and table["error"].isna().all()
    assert scenarios.run(abs, [], client=client).empty
    by_address = scenarios.run(abs, [-2], client=client.scheduler.address)  # as a script on a cluster would
    assert by_address["value"].tolist() == [2] and client.status == "running"


def test_worker_keeps_one_network_loaded(client):
    def serial(net, _):
        return {"serial": net.variable("MODELSERIAL"), "pid": os.getpid()}
    table = scenarios.run(serial, list(range(8)), client, network=TOWN)
    # loaded once per worker process: one serial per process
    assert (table.groupby("pid")["serial"].nunique() == 1).all()
