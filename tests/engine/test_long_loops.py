"""A few hundred load, simulate, close cycles through the module: memory stays
flat, no descriptor stays open, no file is written."""
import os
import pathlib

import pytest

sim = pytest.importorskip("_pyorvsim")

TOWN = pathlib.Path(__file__).resolve().parents[2] / "examples" / "town.inp"


def resident_kib():
    for line in open("/proc/self/status"):
        if line.startswith("VmRSS:"):
            return int(line.split()[1])
    return 0


def cycle():
    assert sim.inimel() > 0
    assert sim.cmd(f'LOAD "{TOWN}"') == 0
    assert sim.simulh() == 0
    assert sim.nbobjects(2) == 10
    sim.closemel()


def test_cycles_keep_memory_descriptors_and_disk_unchanged(tmp_path, monkeypatch):
    work, scratch = tmp_path / "work", tmp_path / "tmp"
    work.mkdir()
    scratch.mkdir()
    monkeypatch.chdir(work)
    monkeypatch.setenv("TMPDIR", str(scratch))  # where a scratch file would go
    for _ in range(20):  # warm-up: allocations kept for the process
        cycle()
    fds_before = len(os.listdir("/proc/self/fd"))
    rss_before = resident_kib()
    for _ in range(300):
        cycle()
    assert len(os.listdir("/proc/self/fd")) == fds_before
    assert resident_kib() - rss_before < 2048
    assert list(work.iterdir()) == [] and list(scratch.iterdir()) == []
