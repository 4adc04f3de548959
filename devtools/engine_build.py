"""Builds targets of the engine project alone (cmake -S engine): the engine
library, its developer tools (orv_dump, orv_quality, orv_analysis_tool) and
its layers, into one build folder that tests and benchmarks share."""
import os
import subprocess
import sys
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
# ORV_TOOLS_BUILD gives a build folder of one's own (parallel work on one checkout).
BUILD = Path(os.environ.get("ORV_TOOLS_BUILD", REPO / "build" / "engine-layers"))
TOOLS = ("orv_dump", "orv_quality", "orv_analysis_tool")
_current = set()


def build(target):
    """Path of a target, configured on first use and brought up to date once
    per process (incremental, quick when current)."""
    if not (BUILD / "CMakeCache.txt").exists():
        BUILD.mkdir(parents=True, exist_ok=True)
        subprocess.run(["cmake", "-S", str(REPO / "engine"), "-B", str(BUILD), "-DCMAKE_BUILD_TYPE=Release",
                        "-DORV_BUILD_TOOLS=ON", f"-DPython_EXECUTABLE={sys.executable}"],
                       check=True, capture_output=True)
    if target not in _current:
        done = subprocess.run(["cmake", "--build", str(BUILD), "--target", target, "-j2"],
                              capture_output=True, text=True)
        if done.returncode != 0:
            raise RuntimeError(f"{target} does not build:\n" + done.stdout[-3000:] + done.stderr[-2000:])
        _current.add(target)
    if target in TOOLS:
        return BUILD / "tools" / target
    if target == "Orvelle_SIM_x64":
        return BUILD / "libOrvelle_SIM_x64.so"
    return BUILD
