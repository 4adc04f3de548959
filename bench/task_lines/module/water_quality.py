"""Task 4 with the module alone: water age, and the share of water traced from the reservoir."""
import sys
from pathlib import Path

import numpy as np

import _pyorvsim as sim

network = sys.argv[1] if len(sys.argv) > 1 else Path(__file__).resolve().parents[3] / "examples" / "town.inp"

sim.inimel()
if sim.cmd(f"LOAD {network}") != 0:
    sys.exit(sim.getvar("LASTERROR")[0].decode().rstrip())
n = sim.nbobjects(2)
ids = [sim.getid(2, k)[0].decode().rstrip() for k in range(1, n + 1)]
source = sys.argv[2] if len(sys.argv) > 2 else sim.getid(3, 1)[0].decode().rstrip()
for line in ("QUALITY AGE", f"QUALITY TRACE {source}"):
    if sim.cmd(line) != 0 or sim.simulh() != 0:
        sys.exit(sim.getvar("LASTERROR")[0].decode().rstrip())
    sim.cmd("INSTANT LAST")
    quality = sim.getall(2, "C", n)
    if line == "QUALITY AGE":
        oldest = np.argsort(-quality, kind="stable")[:3]
        print("Oldest water (h):", {ids[k]: round(float(quality[k]), 2) for k in oldest})
    else:
        print(f"Water from {source} at the end (%):", {i: round(float(q), 1) for i, q in zip(ids, quality)})
sim.closemel()
