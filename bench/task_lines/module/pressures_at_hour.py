"""Task 1 with the module alone: junction pressures at an hour, lowest first."""
import sys
from pathlib import Path

import numpy as np

import _pyorvsim as sim

network = sys.argv[1] if len(sys.argv) > 1 else Path(__file__).resolve().parents[3] / "examples" / "town.inp"
hour = float(sys.argv[2]) if len(sys.argv) > 2 else 12.0

sim.inimel()
if sim.cmd(f"LOAD {network}") != 0 or sim.simulh() != 0:
    sys.exit(sim.getvar("LASTERROR")[0].decode().rstrip())
sim.cmd(f"INSTANT {hour}")
n = sim.nbobjects(2)
pressure = sim.getall(2, "P", n)
ids = [sim.getid(2, k)[0].decode().rstrip() for k in range(1, n + 1)]
types = [sim.nstrattr(2, k, "TYPE")[0].decode().rstrip() for k in range(1, n + 1)]
unit = sim.getunit("P")[0].decode().rstrip()
print(f"Pressure at {hour:g} h ({unit}):")
for k in np.argsort(pressure):
    if types[k] == "JUNCTION":
        print(f"{ids[k]:<6}{pressure[k]:12.6f}")
sim.closemel()
