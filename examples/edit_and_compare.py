"""Task 5: roughen the old pipes and close one, then compare pressures with the base run.

    python examples/edit_and_compare.py [network.inp] [link to close]
"""
import sys
from pathlib import Path

import orvsim

network = sys.argv[1] if len(sys.argv) > 1 else Path(__file__).with_name("town.inp")

with orvsim.Network(network) as net:
    closed = sys.argv[2] if len(sys.argv) > 2 else net.pipes.index[2]
    base = net.run().node["pressure"]
    net.set(net.pipes.index, roughness=net.pipes.roughness * 0.8)
    net.close_links(closed)
    change = net.run().node["pressure"] - base
    print(f"Largest pressure drops with {closed} closed:", change.min().nsmallest(3).astype(float).round(2).to_dict())
