"""Task 4: water age, and the share of water from the reservoir traced to every node.

    python examples/water_quality.py [network.inp] [source node]
"""
import sys
from pathlib import Path

import orvsim

network = sys.argv[1] if len(sys.argv) > 1 else Path(__file__).with_name("town.inp")

with orvsim.Network(network) as net:
    source = sys.argv[2] if len(sys.argv) > 2 else net.reservoirs.index[0]
    age = net.run(quality="age").node["quality"]
    print("Oldest water (h):", age.iloc[-1].nlargest(3).astype(float).round(2).to_dict())
    trace = net.run(quality="trace", source=source).node["quality"]
    print(f"Water from {source} at the end (%):", trace.iloc[-1].astype(float).round(1).to_dict())
