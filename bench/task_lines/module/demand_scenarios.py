"""Task 7 with the module alone: 200 demand scenarios on worker processes."""
import sys
from concurrent.futures import ProcessPoolExecutor
from pathlib import Path

import numpy as np

import _pyorvsim as sim


def lowest_pressure(args):
    network, factor = args
    sim.inimel()
    if sim.cmd(f"LOAD {network}") != 0:
        return factor, None, sim.getvar("LASTERROR")[0].decode().rstrip()
    n = sim.nbobjects(2)
    for k in range(1, n + 1):
        if sim.nstrattr(2, k, "TYPE")[0].decode().rstrip() == "JUNCTION":
            node = sim.getid(2, k)[0].decode().rstrip()
            sim.setnodeattrbyid(node, "BD", sim.nodeattr(node, "BD") * factor)
    if sim.simulh() != 0:
        return factor, None, sim.getvar("LASTERROR")[0].decode().rstrip()
    junction = [sim.nstrattr(2, k, "TYPE")[0].decode().rstrip() == "JUNCTION" for k in range(1, n + 1)]
    vmin = sim.getallminmax(2, "P", n)[0]
    return factor, float(vmin[junction].min()), None


if __name__ == "__main__":
    network = sys.argv[1] if len(sys.argv) > 1 else Path(__file__).resolve().parents[3] / "examples" / "town.inp"
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 200
    workers = int(sys.argv[3]) if len(sys.argv) > 3 else None
    factors = np.random.default_rng(1).uniform(0.5, 2.0, count)
    with ProcessPoolExecutor(workers) as pool:
        rows = list(pool.map(lowest_pressure, [(network, f) for f in factors]))
    for factor, low, error in sorted(rows, key=lambda r: (r[1] is None, r[1]))[:5]:
        print(f"{factor:.6f} {low} {error}")
    print(f"{sum(1 for r in rows if r[1] is not None and r[1] < 20)} of {count} scenarios fall below 20 m")
