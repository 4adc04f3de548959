"""Runs a 24-hour simulation of the small town network shipped with the project
and prints a short summary: network size, pressures, the tank's cycle, the
pump's running hours and the oldest water; draws the pressure map into a PNG.

    python examples/town_summary.py [network.inp] [map.png]
"""
import pathlib
import sys

import matplotlib

matplotlib.use("Agg")
import orvsim  # noqa: E402
import orvsim.plot  # noqa: E402


def main(path, picture):
    with orvsim.Network(path) as net:
        res = net.run(quality="age")
        steps = res.steps
        junctions, tanks, pumps = net.junctions.index, net.tanks.index, net.pumps.index
        print(f"Network {path.name}: {len(net.node_ids)} nodes, {len(net.link_ids)} branches, "
              f"{len(tanks) + len(net.reservoirs)} tanks and reservoirs")
        print(f"Simulated {steps.times[0]:g} h to {steps.times[-1]:g} h: {len(steps.times)} hydraulic steps, "
              f"{len(steps.times)} result instants")

        pressure = steps.node.stats("pressure", ids=junctions)
        worst = pressure["min"].idxmin()
        print(f"Junction pressure ({res.units['pressure']}): lowest {pressure.at[worst, 'min']:.2f} at {worst} "
              f"({pressure.at[worst, 'min_time']:.2f} h), highest {pressure['max'].max():.2f}, "
              f"mean {pressure['mean'].mean():.2f}")
        for tank_id, level in steps.tank.stats("level", ids=tanks).iterrows():
            if level["max"] > level["min"]:
                print(f"Tank {tank_id}: level from {level['min']:.2f} to {level['max']:.2f}")
        span = steps.times[-1] - steps.times[0]
        for pump_id, hours in steps.link.duration("flow", above=1e-6, ids=pumps).items():
            print(f"Pump {pump_id}: running {hours:.2f} h of {span:g} h")
        age = steps.node.stats("quality", ids=junctions)
        oldest = age["max"].idxmax()
        print(f"Water age (h): oldest {age.at[oldest, 'max']:.2f} at {oldest} ({age.at[oldest, 'max_time']:.2f} h)")

        ax = orvsim.plot.snapshot(net, res, "pressure", time=12)
        ax.figure.savefig(picture, dpi=100, bbox_inches="tight")
        print(f"Pressure map at 12 h: {picture}")


if __name__ == "__main__":
    here = pathlib.Path(__file__).parent
    main(pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else here / "town.inp",
         sys.argv[2] if len(sys.argv) > 2 else "town_pressure.png")
