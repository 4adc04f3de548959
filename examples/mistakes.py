"""Task 8: deliberate mistakes, each raising an exception that names its cause.

    python examples/mistakes.py [network.inp]
"""
import sys
from pathlib import Path

import orvsim

network = sys.argv[1] if len(sys.argv) > 1 else Path(__file__).with_name("town.inp")

mistakes = {
    "a missing file": lambda net: orvsim.Network("/data/projects/utility/models/2024/missing_town.inp"),
    "an unknown pipe": lambda net: net.set("P99", roughness=100),
    "a misspelt result": lambda net: net.run().node["presure"],
    "a negative roughness": lambda net: net.set("P1", roughness=-5),
    "quality without a quality run": lambda net: net.run(quality="none").node["quality"],
    "a network whose model was replaced": lambda net: (orvsim.Network(network), net.junctions),
}
for what, mistake in mistakes.items():
    with orvsim.Network(network) as net:
        try:
            mistake(net)
        except orvsim.OrvsimError as e:
            print(f"{what}: {type(e).__name__}: {e}")
