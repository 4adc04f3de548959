"""Task 3 with wntr: junction pressure extremes with their times, means."""
import sys
from pathlib import Path

import pandas as pd
import wntr

network = sys.argv[1] if len(sys.argv) > 1 else Path(__file__).resolve().parents[3] / "examples" / "town.inp"

wn = wntr.network.WaterNetworkModel(str(network))
res = wntr.sim.EpanetSimulator(wn).run_sim()
p = res.node["pressure"][wn.junction_name_list]
p.index = p.index / 3600
stats = pd.DataFrame({"min": p.min(), "min_time": p.idxmin(), "max": p.max(), "max_time": p.idxmax(),
                      "mean": p.mean()})
print(stats.sort_values("min").round(2).to_string())
print("Hours below 35:", (p.iloc[:-1] < 35).sum().mul(wn.options.time.report_timestep / 3600).to_dict())
