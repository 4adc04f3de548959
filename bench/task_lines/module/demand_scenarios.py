"""Task 7 with the module alone: 200 demand scenarios on worker processes."""
import sys
from pathlib import Path
from concurrent.futures import ProcessPoolExecutor


import _pyorvsim as sim

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
from batch_inputs import batch_inputs  # noqa: E402


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
    network, count, workers, factors = batch_inputs()
    with ProcessPoolExecutor(workers) as pool:
        rows = list(pool.map(lowest_pressure, [(network, f) for f in factors]))
    for factor, low, error in sorted(rows, key=lambda r: (r[1] is None, r[1]))[:5]:
        print(f"{factor:.6f} {low} {error}")
    print(f"{sum(1 for r in rows if r[1] is not None and r[1] < 20)} of {count} scenarios fall below 20 m")
