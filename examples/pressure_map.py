"""Task 6: a map of the network coloured by pressure at 12:00, written as a PNG.

    python examples/pressure_map.py [network.inp] [out.png]
"""
import sys
from pathlib import Path

import matplotlib

matplotlib.use("Agg")
import orvsim  # noqa: E402
import orvsim.plot  # noqa: E402

network = sys.argv[1] if len(sys.argv) > 1 else Path(__file__).with_name("town.inp")
out = sys.argv[2] if len(sys.argv) > 2 else "pressure_map.png"

with orvsim.Network(network) as net:
    ax = orvsim.plot.snapshot(net, net.run(), "pressure", time=12)
    ax.figure.savefig(out, dpi=100, bbox_inches="tight")
    print("map written to", out)
