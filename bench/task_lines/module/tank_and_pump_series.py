"""Task 2 with the module alone: tank levels, pump flows, pump running hours."""
import sys
from pathlib import Path

import numpy as np

import _pyorvsim as sim

network = sys.argv[1] if len(sys.argv) > 1 else Path(__file__).resolve().parents[3] / "examples" / "town.inp"

sim.inimel()
if sim.cmd(f"LOAD {network}") != 0 or sim.simulh() != 0:
    sys.exit(sim.getvar("LASTERROR")[0].decode().rstrip())
step = float(sim.getvar("REPORTSTEP")[0])
tmin, tmax, _ = sim.tsinterv()
count = int(round((tmax - tmin) / step)) + 1
for k in range(1, sim.nbobjects(3) + 1):
    tank = sim.getid(3, k)[0].decode().rstrip()
    if sim.nstrattr(3, k, "TYPE")[0].decode().rstrip() == "TANK":
        times, levels, got = sim.ts(3, tank, "LV", count, fixed_interval=step)
        print(tank, dict(zip(times[:got].round(2), levels[:got].round(3))))
for k in range(1, sim.nbobjects(1) + 1):
    if sim.nstrattr(1, k, "TYPE")[0].decode().rstrip() != "PUMP":
        continue
    pump = sim.getid(1, k)[0].decode().rstrip()
    times, flows, got = sim.ts(1, pump, "Q", count, fixed_interval=step)
    print(pump, dict(zip(times[:got].round(2), flows[:got].round(3))))
    times, flows, got = sim.ts(1, pump, "Q", sim.tslen())
    running = np.diff(times[:got], append=times[got - 1])[flows[:got] > 1e-6].sum()
    print("Running hours:", {pump: round(float(running), 2)})
sim.closemel()
