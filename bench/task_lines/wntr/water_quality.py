"""Task 4 with wntr: water age, and the share of water traced from the reservoir."""
import sys
from pathlib import Path

import wntr

network = sys.argv[1] if len(sys.argv) > 1 else Path(__file__).resolve().parents[3] / "examples" / "town.inp"

wn = wntr.network.WaterNetworkModel(str(network))
source = sys.argv[2] if len(sys.argv) > 2 else wn.reservoir_name_list[0]
wn.options.quality.parameter = "AGE"
age = wntr.sim.EpanetSimulator(wn).run_sim().node["quality"] / 3600
print("Oldest water (h):", age.iloc[-1].nlargest(3).round(2).to_dict())
wn.options.quality.parameter = "TRACE"
wn.options.quality.trace_node = source
trace = wntr.sim.EpanetSimulator(wn).run_sim().node["quality"]
print(f"Water from {source} at the end (%):", trace.iloc[-1].round(1).to_dict())
