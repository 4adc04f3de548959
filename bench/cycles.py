"""Many load, simulate, close cycles in one process, as Monte Carlo, criticality
and calibration scripts run them: time per cycle, resident memory and open
file descriptors, reported every so often.

    python bench/cycles.py [cycles] [network.inp]
"""
import os
import pathlib
import sys
import time

import _pyorvsim as sim

TOWN = pathlib.Path(__file__).resolve().parent.parent / "examples" / "town.inp"


def resident_kib():
    for line in open("/proc/self/status"):
        if line.startswith("VmRSS:"):
            return int(line.split()[1])
    return 0


def open_descriptors():
    return len(os.listdir("/proc/self/fd"))


def cycle(network):
    sim.inimel()
    if sim.cmd(f'LOAD "{network}"') != 0:
        sys.exit(f"{network} did not load")
    status = sim.simulh()
    sim.getall(2, "P", sim.nbobjects(2))
    sim.closemel()
    return status


def main(cycles, network):
    cycle(network)  # first cycle: allocations that stay for the process
    base_rss, base_fds = resident_kib(), open_descriptors()
    print(f"{'cycles':>8} {'ms/cycle':>9} {'RSS KiB':>9} {'growth KiB':>10} {'fds':>4}")
    report_every = max(1, cycles // 10)
    start = time.perf_counter()
    for k in range(1, cycles + 1):
        cycle(network)
        if k % report_every == 0:
            rss = resident_kib()
            per_cycle = (time.perf_counter() - start) / k * 1e3
            print(f"{k:8d} {per_cycle:9.2f} {rss:9d} {rss - base_rss:10d} {open_descriptors() - base_fds:+4d}")


if __name__ == "__main__":
    main(int(sys.argv[1]) if len(sys.argv) > 1 else 10_000,
         pathlib.Path(sys.argv[2]) if len(sys.argv) > 2 else TOWN)
