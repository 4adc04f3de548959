"""Shared setup of the engine tests: the hydraulic helpers of
bench/hydraulics_reference.py (reference runs, orv_dump runs, comparisons)
are importable as `hydraulics_reference`."""
import sys
from pathlib import Path

import pytest

BENCH = Path(__file__).resolve().parents[2] / "bench"
if str(BENCH) not in sys.path:
    sys.path.insert(0, str(BENCH))


@pytest.fixture(scope="session")
def dump_tool():
    import hydraulics_reference
    return hydraulics_reference.dump_tool()
