"""Task 1 with wntr: junction pressures at an hour, lowest first."""
import sys
from pathlib import Path

import wntr

network = sys.argv[1] if len(sys.argv) > 1 else Path(__file__).resolve().parents[3] / "examples" / "town.inp"
hour = float(sys.argv[2]) if len(sys.argv) > 2 else 12.0

wn = wntr.network.WaterNetworkModel(str(network))
res = wntr.sim.EpanetSimulator(wn).run_sim()
pressure = res.node["pressure"].loc[hour * 3600, wn.junction_name_list]
print(f"Pressure at {hour:g} h (m):")
print(pressure.sort_values().to_string())
