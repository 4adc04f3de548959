"""Task 7: 200 demand scenarios on Dask worker processes; the lowest pressure of each.

    python examples/demand_scenarios.py [network.inp] [scenarios] [workers]

Runs on a local cluster of processes; give `client=` a dask.distributed
Client (or a scheduler address) to run the same batch on a cluster.
"""
import sys
from pathlib import Path

import numpy as np

import orvsim.scenarios


def lowest_pressure(net, factor):
    net.set(net.junctions.index, base_demand=net.junctions.base_demand * factor)
    return {"factor": factor, "min_pressure": net.run().node["pressure"][net.junctions.index].min().min()}


if __name__ == "__main__":  # the workers import this file
    network = sys.argv[1] if len(sys.argv) > 1 else Path(__file__).with_name("town.inp")
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 200
    workers = int(sys.argv[3]) if len(sys.argv) > 3 else None
    factors = np.random.default_rng(1).uniform(0.5, 2.0, count)
    table = orvsim.scenarios.run(lowest_pressure, factors, network=network, workers=workers)
    print(table.sort_values("min_pressure").head().to_string())
    print(f"{(table.min_pressure < 20).sum()} of {count} scenarios fall below 20 m")
