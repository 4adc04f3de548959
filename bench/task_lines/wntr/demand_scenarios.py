"""Task 7 with wntr: 200 demand scenarios on worker processes."""
import sys
from concurrent.futures import ProcessPoolExecutor
from pathlib import Path

import numpy as np
import wntr


def lowest_pressure(args):
    network, factor, k = args
    wn = wntr.network.WaterNetworkModel(str(network))
    wn.options.hydraulic.demand_multiplier = factor
    res = wntr.sim.EpanetSimulator(wn).run_sim(file_prefix=f"scenario{k}")
    return {"factor": factor, "min_pressure": res.node["pressure"][wn.junction_name_list].min().min()}


if __name__ == "__main__":
    network = sys.argv[1] if len(sys.argv) > 1 else Path(__file__).resolve().parents[3] / "examples" / "town.inp"
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 200
    workers = int(sys.argv[3]) if len(sys.argv) > 3 else None
    factors = np.random.default_rng(1).uniform(0.5, 2.0, count)
    with ProcessPoolExecutor(workers) as pool:
        table = __import__("pandas").DataFrame(pool.map(lowest_pressure, [(network, f, k) for k, f in enumerate(factors)]))
    print(table.sort_values("min_pressure").head().to_string())
    print(f"{(table.min_pressure < 20).sum()} of {count} scenarios fall below 20 m")
