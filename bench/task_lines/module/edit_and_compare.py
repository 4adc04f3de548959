"""Task 5 with the module alone: roughen the pipes, close one, compare pressures."""
import sys
from pathlib import Path

import numpy as np

import _pyorvsim as sim

network = sys.argv[1] if len(sys.argv) > 1 else Path(__file__).resolve().parents[3] / "examples" / "town.inp"


def pressures():
    if sim.simulh() != 0:
        sys.exit(sim.getvar("LASTERROR")[0].decode().rstrip())
    step, rows = float(sim.getvar("REPORTSTEP")[0]), []
    for k in range(1, n + 1):
        node = sim.getid(2, k)[0].decode().rstrip()
        _, values, got = sim.ts(2, node, "P", sim.tslen(), fixed_interval=step)
        rows.append(values[:got])
    return np.array(rows)


sim.inimel()
if sim.cmd(f"LOAD {network}") != 0:
    sys.exit(sim.getvar("LASTERROR")[0].decode().rstrip())
n, links = sim.nbobjects(2), sim.nbobjects(1)
pipes = [sim.getid(1, k)[0].decode().rstrip() for k in range(1, links + 1)
         if sim.nstrattr(1, k, "TYPE")[0].decode().rstrip() == "PIPE"]
closed = sys.argv[2] if len(sys.argv) > 2 else pipes[2]
base = pressures()
for pipe in pipes:
    sim.setbranchattrbyid(pipe, "R", sim.branchattr(pipe, "R") * 0.8)
if sim.cmd(f"SET BRANCH {closed} STATUS CLOSED") != 0:
    sys.exit(sim.getvar("LASTERROR")[0].decode().rstrip())
change = (pressures() - base).min(axis=1)
ids = [sim.getid(2, k)[0].decode().rstrip() for k in range(1, n + 1)]
print(f"Largest pressure drops with {closed} closed:",
      {ids[k]: round(float(change[k]), 2) for k in np.argsort(change, kind="stable")[:3]})
sim.closemel()
