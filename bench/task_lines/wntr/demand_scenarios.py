"""Task 7 with wntr: 200 demand scenarios on worker processes."""
import sys
from pathlib import Path
from concurrent.futures import ProcessPoolExecutor

import wntr

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
from batch_inputs import batch_inputs  # noqa: E402


def lowest_pressure(args):
    network, factor, k = args
    wn = wntr.network.WaterNetworkModel(str(network))
    wn.options.hydraulic.demand_multiplier = factor
    res = wntr.sim.EpanetSimulator(wn).run_sim(file_prefix=f"scenario{k}")
    return {"factor": factor, "min_pressure": res.node["pressure"][wn.junction_name_list].min().min()}


if __name__ == "__main__":
    network, count, workers, factors = batch_inputs()
    with ProcessPoolExecutor(workers) as pool:
        table = __import__("pandas").DataFrame(pool.map(lowest_pressure, [(network, f, k) for k, f in enumerate(factors)]))
    print(table.sort_values("min_pressure").head().to_string())
    print(f"{(table.min_pressure < 20).sum()} of {count} scenarios fall below 20 m")
