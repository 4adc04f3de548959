"""Task 5 with wntr: roughen the pipes, close one, compare pressures."""
import sys
from pathlib import Path

import wntr

network = sys.argv[1] if len(sys.argv) > 1 else Path(__file__).resolve().parents[3] / "examples" / "town.inp"

wn = wntr.network.WaterNetworkModel(str(network))
closed = sys.argv[2] if len(sys.argv) > 2 else wn.pipe_name_list[2]
base = wntr.sim.EpanetSimulator(wn).run_sim().node["pressure"]
for name, pipe in wn.pipes():
    pipe.roughness *= 0.8
wn.get_link(closed).initial_status = wntr.network.LinkStatus.Closed
change = wntr.sim.EpanetSimulator(wn).run_sim().node["pressure"] - base
print(f"Largest pressure drops with {closed} closed:", change.min().nsmallest(3).round(2).to_dict())
