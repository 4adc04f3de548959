"""Task 6 with wntr: a map coloured by pressure at 12:00, as a PNG."""
import sys
from pathlib import Path

import matplotlib

matplotlib.use("Agg")
import wntr  # noqa: E402

network = sys.argv[1] if len(sys.argv) > 1 else Path(__file__).resolve().parents[3] / "examples" / "town.inp"
out = sys.argv[2] if len(sys.argv) > 2 else "pressure_map.png"

wn = wntr.network.WaterNetworkModel(str(network))
res = wntr.sim.EpanetSimulator(wn).run_sim()
ax = wntr.graphics.plot_network(wn, node_attribute=res.node["pressure"].loc[12 * 3600], node_colorbar_label="pressure (m)",
                                title="pressure at 12 h")
ax.figure.savefig(out, dpi=100, bbox_inches="tight")
print("map written to", out)
