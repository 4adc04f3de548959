"""Runs a 24-hour simulation of the small town network shipped with the project
and prints a short summary: network size, pressures, the tank's cycle, the
pump's running hours and the oldest water.

    python examples/town_summary.py [network.inp]
"""
import pathlib
import sys

import numpy as np

import _pyorvsim as sim

NODE, BRANCH, TANK = 2, 1, 3


def text(raw):
    return raw.decode("ascii").rstrip()


def main(path):
    version = sim.inimel()
    if version <= 0:
        sys.exit(f"the engine did not open (status {version})")
    status = sim.cmd(f"LOAD {path}")
    if status != 0:
        message, _ = sim.getvar("LASTERROR")
        sys.exit(f"loading {path} failed ({status}): {text(message)}")
    sim.cmd("QUALITY AGE")  # the water-quality run follows the hydraulics
    status = sim.simulh()
    if status != 0:
        message, _ = sim.getvar("LASTERROR")
        sys.exit(f"the simulation failed ({status}): {text(message)}")

    nodes, branches, tanks = (sim.nbobjects(t) for t in (NODE, BRANCH, TANK))
    tmin, tmax, instants = sim.tsinterv()
    print(f"Network {path.name}: {nodes} nodes, {branches} branches, {tanks} tanks and reservoirs")
    print(f"Simulated {tmin:g} h to {tmax:g} h: {sim.hstepcount()} hydraulic steps, {instants} result instants")

    pmin, pmax, pmean, tpmin, _ = sim.getallminmax(NODE, "P", nodes)
    unit, _ = sim.getunit("P")
    ids = [text(sim.getid(NODE, k + 1)[0]) for k in range(nodes)]
    junction = np.array([text(sim.nstrattr(NODE, k + 1, "TYPE")[0]) == "JUNCTION" for k in range(nodes)])
    worst = int(np.flatnonzero(junction)[np.argmin(pmin[junction])])
    print(f"Junction pressure ({text(unit)}): lowest {pmin[worst]:.2f} at {ids[worst]} ({tpmin[worst]:.2f} h), "
          f"highest {pmax[junction].max():.2f}, mean {pmean[junction].mean():.2f}")

    for k in range(1, tanks + 1):
        tank_id = text(sim.getid(TANK, k)[0])
        n = sim.tslen()
        times, levels, got = sim.ts(TANK, tank_id, "LV", n)
        if got > 0 and levels[:got].max() > levels[:got].min():
            print(f"Tank {tank_id}: level from {levels[:got].min():.2f} to {levels[:got].max():.2f}")

    for k in range(1, branches + 1):
        branch_id = text(sim.getid(BRANCH, k)[0])
        kind, _ = sim.nstrattr(BRANCH, k, "TYPE")
        if text(kind).upper() != "PUMP":
            continue
        n = sim.tslen()
        times, flows, got = sim.ts(BRANCH, branch_id, "Q", n)
        running = np.diff(times[:got], append=tmax)[flows[:got] > 1e-6].sum()
        print(f"Pump {branch_id}: running {running:.2f} h of {tmax - tmin:g} h")

    _, amax, _, _, tamax = sim.getallminmax(NODE, "C", nodes)
    oldest = int(np.flatnonzero(junction)[np.argmax(amax[junction])])
    print(f"Water age (h): oldest {amax[oldest]:.2f} at {ids[oldest]} ({tamax[oldest]:.2f} h)")
    sim.closemel()


if __name__ == "__main__":
    default = pathlib.Path(__file__).with_name("town.inp")
    main(pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else default)
