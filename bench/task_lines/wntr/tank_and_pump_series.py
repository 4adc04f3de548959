"""Task 2 with wntr: tank levels, pump flows, pump running hours."""
import sys
from pathlib import Path

import wntr

network = sys.argv[1] if len(sys.argv) > 1 else Path(__file__).resolve().parents[3] / "examples" / "town.inp"

wn = wntr.network.WaterNetworkModel(str(network))
res = wntr.sim.EpanetSimulator(wn).run_sim()
levels = res.node["pressure"][wn.tank_name_list]
levels.index = levels.index / 3600
print(levels.to_string())
flows = res.link["flowrate"][wn.pump_name_list] * 1000
flows.index = flows.index / 3600
print(flows.to_string())
status = res.link["status"][wn.pump_name_list]
print("Running hours:", (status.iloc[:-1] > 0).mul(status.index.to_series().diff().shift(-1).iloc[:-1], axis=0).sum().div(3600).round(2).to_dict())
