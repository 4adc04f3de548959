"""Cost of reading every node's pressure at every reporting instant through
orvsim (`res.node["pressure"]`, a DataFrame by time and id) against the raw
module calls it is built on (INSTANT and a whole-network vector per instant,
the command texts prepared beforehand so that only the calls are timed).

    python bench/orvsim_read_overhead.py [network.inp ...]

Prints, per network, the best of several repetitions of each and their
ratio; the target is at most 1.10.
"""
import math
import sys
import time
from pathlib import Path

import numpy as np

import _pyorvsim as sim
import orvsim

REPO = Path(__file__).resolve().parents[1]
DEFAULT = [REPO / "examples/town.inp", REPO / "build/networks/library/Net3.inp",
           REPO / "build/networks/library/Net6.inp",
           REPO / "build/networks/epyt/asce-tf-wdst/BWSN_Network_2.inp"]


def best_of(fn, repeats):
    best = math.inf
    for _ in range(repeats):
        start = time.perf_counter()
        fn()
        best = min(best, time.perf_counter() - start)
    return best


def raw_pressures(commands, n):
    """The module calls alone: the instant commands are prepared beforehand."""
    rows = np.empty((len(commands), n), dtype=np.float32)
    for k, command in enumerate(commands):
        sim.cmd(command)
        rows[k] = sim.getall(2, "P", n)
    return rows


def main(paths):
    print(f"{'network':<22} {'nodes':>6} {'instants':>8} {'raw ms':>8} {'orvsim ms':>10} {'ratio':>6}")
    for path in paths:
        with orvsim.Network(path) as net:
            res = net.run()
            hours, n = res.times, len(net.node_ids)
            commands = [f"INSTANT {int(round(h * 3600))} SEC" for h in hours]
            repeats = 50

            def through_orvsim():  # read anew from the engine on every access
                return res.node["pressure"]

            raw = best_of(lambda: raw_pressures(commands, n), repeats)
            ours = best_of(through_orvsim, repeats)
            assert np.array_equal(through_orvsim().to_numpy(), raw_pressures(commands, n).astype(float))
            print(f"{Path(path).name:<22} {n:>6} {len(hours):>8} {raw * 1e3:>8.2f} {ours * 1e3:>10.2f} "
                  f"{ours / raw:>6.3f}")


if __name__ == "__main__":
    main(sys.argv[1:] or [p for p in DEFAULT if p.exists()])
