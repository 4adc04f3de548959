"""Water quality through the engine library: the QUALITY command, SIMULATE
and quality read back as attributes C (nodes) and CB (branches), against orv_quality on the same model."""
import subprocess

import numpy as np
import pytest

from api_harness import NODE, BRANCH, TOWN, engine, library  # noqa: F401
from test_quality_reference import quality_tool


def tool_run(*args):
    out = subprocess.run([str(quality_tool()), str(TOWN), *args], capture_output=True, text=True, check=True)
    ids, rows = {}, {"N": {}, "L": {}}
    for line in out.stdout.splitlines():
        parts = line.split(",")
        if parts[0] == "ids":
            ids[parts[1]] = parts[2:]
        elif parts[0] in ("N", "L"):
            rows[parts[0]][float(parts[1])] = dict(zip(ids[parts[0]], map(float, parts[2].split())))
    return rows


@pytest.mark.parametrize("command,args", [("QUALITY AGE", ["--age"]), ("QUALITY TRACE R1", ["--trace", "R1"])])
def test_series_of_attribute_c_are_the_simulated_quality(engine, command, args):
    engine.ok(f'LOAD "{TOWN}"', command, "SIMULATE")
    expected = tool_run(*args)
    for typelt, kind, ident, attr in ((NODE, "N", "J8", "C"), (NODE, "N", "T1", "C"), (BRANCH, "L", "P2", "CB")):
        n, times, values = engine.series(typelt, ident, attr)
        assert n > 20
        checked = 0
        for t, v in zip(times, values):
            seconds = round(t * 3600)
            if seconds in expected[kind]:
                assert v == pytest.approx(expected[kind][seconds][ident], rel=1e-5, abs=1e-6), (ident, t)
                checked += 1
        assert checked >= 20


def test_quality_none_leaves_zeros(engine):
    engine.ok(f'LOAD "{TOWN}"', "QUALITY NONE", "SIMULATE")
    n, _, values = engine.series(NODE, "J8", "C")
    assert n > 0 and not np.any(values)
