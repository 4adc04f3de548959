"""Task 3 with the module alone: junction pressure extremes with times, time-weighted means."""
import sys
from pathlib import Path

import numpy as np

import _pyorvsim as sim

network = sys.argv[1] if len(sys.argv) > 1 else Path(__file__).resolve().parents[3] / "examples" / "town.inp"

sim.inimel()
if sim.cmd(f"LOAD {network}") != 0 or sim.simulh() != 0:
    sys.exit(sim.getvar("LASTERROR")[0].decode().rstrip())
n = sim.nbobjects(2)
vmin, vmax, _, tmin, tmax = sim.getallminmax(2, "P", n)
rows = []
for k in range(n):
    if sim.nstrattr(2, k + 1, "TYPE")[0].decode().rstrip() != "JUNCTION":
        continue
    node = sim.getid(2, k + 1)[0].decode().rstrip()
    times, values, got = sim.ts(2, node, "P", sim.tslen())
    held = np.diff(times[:got].astype(float))
    mean = (values[:got - 1] * held).sum() / held.sum()
    below = held[values[:got - 1] < 35].sum()
    rows.append((vmin[k], node, tmin[k], vmax[k], tmax[k], mean, below))
print("id   min  min_time  max  max_time  mean  hours below 35")
for vmin_k, node, tmin_k, vmax_k, tmax_k, mean, below in sorted(rows):
    print(f"{node:<4} {vmin_k:.2f} {tmin_k:6.1f} {vmax_k:6.2f} {tmax_k:6.1f} {mean:6.2f} {below:6.1f}")
sim.closemel()
