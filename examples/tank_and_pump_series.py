"""Task 2: tank levels and pump flows over the day, and each pump's running hours.

    python examples/tank_and_pump_series.py [network.inp]
"""
import sys
from pathlib import Path

import orvsim

network = sys.argv[1] if len(sys.argv) > 1 else Path(__file__).with_name("town.inp")

with orvsim.Network(network) as net:
    res = net.run()
    print(res.tank["level"].to_string())
    print(res.link["flow"][net.pumps.index].to_string())
    running = res.steps.link.duration("flow", above=1e-6, ids=net.pumps.index)
    print("Running hours:", running.round(2).to_dict())
