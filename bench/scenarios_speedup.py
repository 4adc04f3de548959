"""200 demand scenarios of a corpus network, serially in this process and
on a local Dask cluster of worker processes; prints both times and the
speed-up (cluster start-up shown apart).

    python bench/scenarios_speedup.py [network.inp] [scenarios] [workers]
"""
import os
import sys
import time
from pathlib import Path

import numpy as np

import orvsim.scenarios as scenarios

REPO = Path(__file__).resolve().parents[1]


def scenario(net, s):
    """A demand multiplier and one pipe closed; the lowest junction pressure."""
    junctions = net.junctions
    net.set(junctions.index, base_demand=junctions.base_demand * s["factor"])
    net.close_links(s["pipe"])
    pressure = net.run().node["pressure"][junctions.index]
    return {"min_pressure": float(pressure.min().min()), "mean_pressure": float(pressure.mean().mean())}


def main():
    network = Path(sys.argv[1]) if len(sys.argv) > 1 else REPO / "build/networks/library/Net3.inp"
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 200
    workers = int(sys.argv[3]) if len(sys.argv) > 3 else os.cpu_count()
    with orvsim_network(network) as net:
        pipes = list(net.pipes.index[net.pipes.type == "PIPE"])
    rng = np.random.default_rng(7)
    batch = [{"factor": f, "pipe": p} for f, p in zip(rng.uniform(0.6, 1.6, count), rng.choice(pipes, count))]

    start = time.perf_counter()
    serial = scenarios.run_local(scenario, batch, network=network)
    serial_s = time.perf_counter() - start

    from dask.distributed import Client, LocalCluster
    start = time.perf_counter()
    with LocalCluster(n_workers=workers, threads_per_worker=1, processes=True, dashboard_address=":0") as cluster, \
            Client(cluster) as client:
        client.run(lambda: None)
        startup_s = time.perf_counter() - start
        start = time.perf_counter()
        parallel = scenarios.run(scenario, batch, client, network=network, progress=False)
        parallel_s = time.perf_counter() - start
    assert np.allclose(serial["min_pressure"], parallel["min_pressure"].astype(float), equal_nan=True)
    print(f"{network.name}: {count} scenarios, {workers} worker processes, {os.cpu_count()} CPUs")
    print(f"serial {serial_s:.1f} s; cluster {parallel_s:.1f} s (+{startup_s:.1f} s start-up); "
          f"speed-up {serial_s / parallel_s:.2f} ({serial_s / (parallel_s + startup_s):.2f} with start-up); "
          f"{serial['error'].notna().sum()} failed scenarios")


def orvsim_network(path):
    import orvsim
    return orvsim.Network(path)


if __name__ == "__main__":
    import warnings
    warnings.simplefilter("ignore")
    main()
