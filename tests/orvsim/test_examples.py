"""The cookbook in examples/: every script runs on the town and prints what
its task asks for."""
import os
import subprocess
import sys
from pathlib import Path

import pytest

from orvsim_cases import REPO, TOWN

EXAMPLES = REPO / "examples"


def run(script, *args, cwd=None):
    done = subprocess.run([sys.executable, str(EXAMPLES / script), *map(str, args)], capture_output=True,
                          text=True, cwd=cwd, timeout=300, env={**os.environ, "MPLBACKEND": "Agg"})
    assert done.returncode == 0, done.stderr
    return done.stdout


@pytest.mark.parametrize("script,args,expected", [
    ("pressures_at_hour.py", (TOWN, 6), ["Pressure at 6 h (m):", "J6    30.0"]),
    ("tank_and_pump_series.py", (), ["T1", "PU1", "Running hours: {'PU1': 8.98}"]),
    ("extremes.py", (), ["min_time", "Hours below 35:"]),
    ("water_quality.py", (TOWN, "R1"), ["Oldest water (h): {'J2': 16.15", "Water from R1 at the end (%)"]),
    ("edit_and_compare.py", (TOWN, "P3"), ["Largest pressure drops with P3 closed: {'J3'"]),
])
def test_task_scripts(script, args, expected):
    out = run(script, *args)
    for text in expected:
        assert text in out


def test_mistakes_each_name_their_cause():
    lines = run("mistakes.py").splitlines()
    assert len(lines) == 6
    assert lines[0].endswith("InputError: model file not found: /data/projects/utility/models/2024/missing_town.inp")
    assert "UnknownElementError: unknown link 'P99'" in lines[1]
    assert "one of pressure, head" in lines[2] and "'R' must be positive" in lines[3]
    assert "no water-quality simulation" in lines[4] and "replaced by another load" in lines[5]


def test_map_and_summary_write_pictures(tmp_path):
    out = run("pressure_map.py", TOWN, tmp_path / "map.png")
    assert (tmp_path / "map.png").stat().st_size > 10_000 and "map written" in out
    summary = run("town_summary.py", TOWN, tmp_path / "town.png").splitlines()
    assert summary[0] == "Network town.inp: 10 nodes, 11 branches, 2 tanks and reservoirs"
    assert "Pump PU1: running 8.98 h of 24 h" in summary and (tmp_path / "town.png").exists()


def test_demand_scenarios_on_two_workers():
    out = run("demand_scenarios.py", TOWN, 4, 2)
    assert "of 4 scenarios fall below 20 m" in out and "None" in out


def test_no_task_takes_more_lines_than_with_wntr():
    sys.path.insert(0, str(REPO / "bench"))
    try:
        import task_lines
    finally:
        sys.path.pop(0)
    for task in task_lines.TASKS:
        ours, theirs = (task_lines.code_lines(task_lines.VARIANTS[v] / f"{task}.py") for v in ("orvsim", "wntr"))
        assert ours <= theirs, task
