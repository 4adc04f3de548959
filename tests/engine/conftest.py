"""Shared setup of the engine tests: the helpers of devtools/ (engine builds,
reference runs, orv_dump runs, comparisons, the corpus) are importable."""
import importlib.util
import re
import sys
from pathlib import Path

import pytest

DEVTOOLS = Path(__file__).resolve().parents[2] / "devtools"
if str(DEVTOOLS) not in sys.path:
    sys.path.insert(0, str(DEVTOOLS))

# The reference engine (owa-epanet) and wntr exist only beside NumPy 1. Where
# they are missing (NumPy 2 builds), the files that compare with them, or read
# wntr's networks, are left out and everything else runs.
REFERENCE_TOOLS = ("epanet", "wntr")
_NEEDS_REFERENCE = re.compile(r"^\s*(?:from|import) (?:epanet|wntr|reference_run|hydraulics_reference|corpus)\b"
                              r"|^from quality_(?:reference|corpus) import|network_dir\(",
                              re.M)
collect_ignore = [] if all(importlib.util.find_spec(m) for m in REFERENCE_TOOLS) else [
    p.name for p in Path(__file__).parent.glob("test_*.py") if _NEEDS_REFERENCE.search(p.read_text())]


@pytest.fixture(scope="session")
def dump_tool():
    import hydraulics_reference
    return hydraulics_reference.dump_tool()
