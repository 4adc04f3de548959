"""Task 1: the pressure at every junction at 12:00, lowest first.

    python examples/pressures_at_hour.py [network.inp] [hour]
"""
import sys
from pathlib import Path

import orvsim

network = sys.argv[1] if len(sys.argv) > 1 else Path(__file__).with_name("town.inp")
hour = float(sys.argv[2]) if len(sys.argv) > 2 else 12.0

with orvsim.Network(network) as net:
    res = net.run()
    pressure = res.node["pressure"].loc[hour, net.junctions.index]
    print(f"Pressure at {hour:g} h ({res.units['pressure']}):")
    print(pressure.sort_values().to_string())
