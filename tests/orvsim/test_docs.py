"""The API reference of docs/python.md is the one the docstrings give."""
import subprocess
import sys

from orvsim_cases import REPO


def test_reference_is_current():
    tool = REPO / "docs" / "tools" / "python_reference.py"
    done = subprocess.run([sys.executable, str(tool), "--check"], cwd=REPO,
                          env={"PYTHONPATH": str(REPO), "PATH": ""}, capture_output=True, text=True)
    assert done.returncode == 0, f"run python {tool.relative_to(REPO)}: {done.stderr}"
