"""Task 3: lowest and highest junction pressures with their times, time-weighted means.

    python examples/extremes.py [network.inp]
"""
import sys
from pathlib import Path

import orvsim

network = sys.argv[1] if len(sys.argv) > 1 else Path(__file__).with_name("town.inp")

with orvsim.Network(network) as net:
    res = net.run()
    stats = res.node.stats("pressure", ids=net.junctions.index)
    print(stats.sort_values("min").round(2).to_string())
    print("Hours below 35:", res.node.duration("pressure", below=35, ids=net.junctions.index).to_dict())
